#include "settings/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/fake/fake_platform.h"

namespace pigmora {
namespace {

TEST(PathSizeTest, TellsMissingDirectoryAndFileSize) {
  char pattern[] = "/tmp/pigmora-settings-XXXXXX";
  const std::string dir = ::mkdtemp(pattern);
  const std::string empty = dir + "/empty.conf";
  const std::string full = dir + "/full.conf";
  std::ofstream(empty).close();
  std::ofstream(full) << "12345";

  EXPECT_EQ(PathSize(dir + "/missing.conf"), -1);
  EXPECT_EQ(PathSize(dir), -2);
  EXPECT_EQ(PathSize(empty), 0);
  EXPECT_EQ(PathSize(full), 5);

  EXPECT_TRUE(IsFirstRun(dir + "/missing.conf"));
  EXPECT_FALSE(IsFirstRun(dir));    // a directory in its place is not a first run
  EXPECT_FALSE(IsFirstRun(empty));  // nor is an empty file

  std::remove(empty.c_str());
  std::remove(full.c_str());
  ::rmdir(dir.c_str());
}

TEST(InitFirstRunTest, WritesTheNineKeysInOrderThenSynchronisesOnce) {
  fake::FakePlatform fake;
  Settings settings;
  settings.ShortKey = u"x";
  settings.Login = 9;
  InitFirstRun(fake.defaults, settings);

  EXPECT_EQ(fake.calls,
            (std::vector<std::string>{
                "defaults.text Mode=RGB Hex", "defaults.text ShortKey=", "defaults.text ShortKey1=",
                "defaults.text ShortKey2=", "defaults.int Login=0", "defaults.int MenuIcon=4",
                "defaults.int OutFormat=2", "defaults.int ColorVal=0", "defaults.int TitleOn=1",
                "defaults.sync"}));
  EXPECT_FALSE(fake.defaults.values.contains("SavedColor"));
  EXPECT_EQ(settings.ShortKey, u"");
  EXPECT_EQ(settings.ShortKey1, u"");
  EXPECT_EQ(settings.ShortKey2, u"");
  EXPECT_EQ(settings.OutFormat, 2);
  EXPECT_EQ(settings.MenuIcon, 4);
  EXPECT_EQ(settings.TitleOn, 1);
  EXPECT_EQ(settings.Login, 0);
}

TEST(LoadSettingsTest, KeepsTheLowByteOfEachInteger) {
  struct Case {
    int64_t stored;
    int8_t loaded;
  };
  const Case cases[] = {{258, 2},    {-1, -1},         {255, -1}, {128, -128},
                        {0x7F, 127}, {0x100000005, 5}, {-254, 2}};
  for (const auto& c : cases) {
    fake::FakePlatform fake;
    fake.defaults.values["OutFormat"] = c.stored;
    fake.defaults.values["MenuIcon"] = c.stored;
    fake.defaults.values["TitleOn"] = c.stored;
    fake.defaults.values["Login"] = c.stored;
    Settings settings;
    LoadSettings(fake.defaults, settings);
    EXPECT_EQ(settings.OutFormat, c.loaded) << c.stored;
    EXPECT_EQ(settings.MenuIcon, c.loaded) << c.stored;
    EXPECT_EQ(settings.TitleOn, c.loaded) << c.stored;
    EXPECT_EQ(settings.Login, c.loaded) << c.stored;
  }
}

TEST(LoadSettingsTest, MissingOrWronglyTypedKeysReadAsEmptyOrZeroAndNothingIsWritten) {
  fake::FakePlatform fake;
  fake.defaults.values["ShortKey"] = int64_t{5};             // a number where text belongs
  fake.defaults.values["OutFormat"] = std::u16string(u"3");  // text where a number belongs
  fake.defaults.values["ShortKey2"] = std::u16string(u"\u2318A");
  Settings settings{u"old", u"old", u"old", 1, 4, 2, 1};
  LoadSettings(fake.defaults, settings);

  EXPECT_EQ(settings.ShortKey, u"");
  EXPECT_EQ(settings.ShortKey1, u"");
  EXPECT_EQ(settings.ShortKey2, u"\u2318A");
  EXPECT_EQ(settings.Login, 0);
  EXPECT_EQ(settings.MenuIcon, 0);
  EXPECT_EQ(settings.OutFormat, 0);
  EXPECT_EQ(settings.TitleOn, 0);
  EXPECT_TRUE(fake.calls.empty());
}

}  // namespace
}  // namespace pigmora
