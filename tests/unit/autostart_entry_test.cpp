#include "login/autostart_entry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "login_test_files.h"

namespace pigmora {
namespace {

using test_files::Exists;
using test_files::HaveTool;
using test_files::ModeOf;
using test_files::Names;
using test_files::ReadFile;
using test_files::RunCommand;
using test_files::ShellWord;
using test_files::TempDir;
using test_files::WaitForFile;
using test_files::WriteFile;

constexpr char kId[] = "org.example.Pigmora";

// Folder names that exercise every quoting and escaping rule of the Exec key.
const std::vector<std::string>& NastyNames() {
  static const std::vector<std::string> names = {
      "plain",          "with space",  "dq\"uote",        "sq'uote",    "dol$HOME",    "per%cent",
      "per%fcent",      "back\\slash", "back`tick",       "Ünïcødé ✓",  "tab\there",   "line\nfeed",
      "semi;amp&pipe|", "<angle>",     "star*what?#(x)~", "cr\rreturn", "equals=sign",
  };
  return names;
}

TEST(DesktopEntryExec, QuotesAndEscapesThePathAsTheDesktopReadsIt) {
  struct Case {
    std::string path;
    std::string exec;
  };
  const Case cases[] = {
      {"/usr/bin/pigmora", "/usr/bin/pigmora"},
      {"/opt/Ünïcødé/pigmora", "/opt/Ünïcødé/pigmora"},
      {"/opt/my apps/pigmora", "\"/opt/my apps/pigmora\""},
      {"/opt/100%/pigmora", "/opt/100%%/pigmora"},
      {"/opt/100% sure/p", "\"/opt/100%% sure/p\""},
      {"/opt/dq\"uote/p", "\"/opt/dq\\\\\"uote/p\""},
      {"/opt/$HOME/p", "\"/opt/\\\\$HOME/p\""},
      {"/opt/back\\slash/p", "\"/opt/back\\\\\\\\slash/p\""},
      {"/opt/back`tick/p", "\"/opt/back\\\\`tick/p\""},
      {"/opt/it's/p", "\"/opt/it's/p\""},
      {"/opt/tab\there/p", "\"/opt/tab\\there/p\""},
      {"/opt/line\nfeed/p", "\"/opt/line\\nfeed/p\""},
      {"/opt/a;b&c|d<e>f~g*h?i#j(k)l/p", "\"/opt/a;b&c|d<e>f~g*h?i#j(k)l/p\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DesktopEntryExec(c.path), c.exec) << c.path;
  }
}

TEST(DesktopEntryExec, RefusesPathsNoEntryCanHold) {
  const std::string bad[] = {"",
                             "pigmora",
                             "bin/pigmora",
                             "/opt/\x01/p",
                             "/opt/\x7f/p",
                             "/opt/\xff/p",
                             "/opt/\xc3/p",
                             "/opt/\xed\xa0\x80/p"};
  for (const std::string& path : bad) {
    EXPECT_FALSE(DesktopEntryExec(path)) << path;
    EXPECT_FALSE(AutostartEntryText(path)) << path;
  }
}

TEST(AutostartEntryText, IsADesktopEntryThatStartsTheProgram) {
  EXPECT_EQ(AutostartEntryText("/usr/bin/pigmora"),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Pigmora\n"
            "Comment=Colour picker for programmers\n"
            "Exec=/usr/bin/pigmora\n"
            "Icon=pigmora\n"
            "Terminal=false\n"
            "X-GNOME-Autostart-enabled=true\n");
}

class AutostartEntryTest : public ::testing::Test {
 protected:
  std::string config() const { return dir / "config home"; }
  std::string autostart() const { return config() + "/autostart"; }
  std::string entry() const { return autostart() + "/" + kId + ".desktop"; }

  TempDir dir;
};

TEST_F(AutostartEntryTest, InstallMakesTheMissingFoldersAndWritesTheEntry) {
  AutostartEntry autostartEntry(config() + "/", kId);
  EXPECT_EQ(autostartEntry.EntryPath(), entry());
  ASSERT_TRUE(autostartEntry.Install("/usr/bin/pigmora"));
  for (const std::string& folder : {config(), autostart()}) {
    EXPECT_TRUE(S_ISDIR(ModeOf(folder))) << folder;
    EXPECT_EQ(ModeOf(folder) & 07777, 0700u) << folder;
  }
  EXPECT_EQ(ReadFile(entry()), *AutostartEntryText("/usr/bin/pigmora"));
  EXPECT_EQ(Names(autostart()), std::vector<std::string>{std::string(kId) + ".desktop"});
}

TEST_F(AutostartEntryTest, ExistingFoldersKeepTheirModes) {
  std::filesystem::create_directories(autostart());
  ::chmod(config().c_str(), 0755);
  ::chmod(autostart().c_str(), 0750);
  AutostartEntry autostartEntry(config(), kId);
  ASSERT_TRUE(autostartEntry.Install("/usr/bin/pigmora"));
  EXPECT_EQ(ModeOf(config()) & 07777, 0755u);
  EXPECT_EQ(ModeOf(autostart()) & 07777, 0750u);
}

TEST_F(AutostartEntryTest, InstallReplacesAnOlderEntryCompletely) {
  WriteFile(entry(), "[Desktop Entry]\n" + std::string(5000, '#') + "\n");
  AutostartEntry autostartEntry(config(), kId);
  ASSERT_TRUE(autostartEntry.Install("/opt/new place/pigmora"));
  EXPECT_EQ(ReadFile(entry()), *AutostartEntryText("/opt/new place/pigmora"));
  EXPECT_EQ(Names(autostart()), std::vector<std::string>{std::string(kId) + ".desktop"});
}

TEST_F(AutostartEntryTest, InstallReplacesALinkAtTheEntryPathInsteadOfWritingThroughIt) {
  std::filesystem::create_directories(autostart());
  const std::string victim = dir / "victim";
  const std::string nowhere = dir / "not yet there";
  WriteFile(victim, "precious");
  for (const std::string& target : {victim, nowhere}) {
    std::filesystem::remove(entry());
    std::filesystem::create_symlink(target, entry());
    AutostartEntry autostartEntry(config(), kId);
    ASSERT_TRUE(autostartEntry.Install("/usr/bin/pigmora")) << target;
    EXPECT_TRUE(S_ISREG(ModeOf(entry()))) << target;
  }
  EXPECT_EQ(ReadFile(victim), "precious");
  EXPECT_FALSE(Exists(nowhere));
}

TEST_F(AutostartEntryTest, InstallFailsAndWritesNothingWhenItCannot) {
  struct Case {
    std::string what;
    std::string configDir;
    std::string appPath;
  };
  const Case cases[] = {
      {"no configuration folder", "", "/usr/bin/pigmora"},
      {"a relative configuration folder", ".config/", "/usr/bin/pigmora"},
      {"no application path", config(), ""},
      {"a relative path", config(), "pigmora"},
      {"a path no entry can hold", config(), "/opt/\x01/pigmora"},
  };
  test_files::CwdGuard inside(dir.path());  // where relative paths would land
  for (const Case& c : cases) {
    AutostartEntry autostartEntry(c.configDir, kId);
    EXPECT_FALSE(autostartEntry.Install(c.appPath)) << c.what;
    EXPECT_FALSE(Exists(entry())) << c.what;
  }
  EXPECT_FALSE(Exists(dir / ".config"));
  // A file where the configuration folder should be.
  WriteFile(dir / "a file", "x");
  EXPECT_FALSE(AutostartEntry(dir / "a file", kId).Install("/usr/bin/pigmora"));
  // A directory where the entry belongs.
  std::filesystem::create_directories(entry());
  EXPECT_FALSE(AutostartEntry(config(), kId).Install("/usr/bin/pigmora"));
  EXPECT_EQ(Names(autostart()), std::vector<std::string>{std::string(kId) + ".desktop"});
}

TEST_F(AutostartEntryTest, RemoveDeletesTheEntryAndNothingElse) {
  AutostartEntry autostartEntry(config(), kId);
  autostartEntry.Remove();  // nothing there: nothing happens
  EXPECT_FALSE(Exists(autostart()));
  ASSERT_TRUE(autostartEntry.Install("/usr/bin/pigmora"));
  WriteFile(autostart() + "/other.desktop", "[Desktop Entry]\n");
  autostartEntry.Remove();
  EXPECT_EQ(Names(autostart()), std::vector<std::string>{"other.desktop"});
}

TEST_F(AutostartEntryTest, EntriesForAnyPathPassTheDesktopFileValidator) {
  if (!HaveTool("desktop-file-validate")) {
    GTEST_SKIP() << "desktop-file-validate (desktop-file-utils) is not installed";
  }
  for (const std::string& name : NastyNames()) {
    const std::string appPath = "/opt/" + name + "/pigmora";
    AutostartEntry autostartEntry(config(), kId);
    ASSERT_TRUE(autostartEntry.Install(appPath)) << name;
    const auto result = RunCommand("desktop-file-validate " + ShellWord(entry()));
    EXPECT_EQ(result.status, 0) << name << "\n" << result.output;
    EXPECT_EQ(result.output, "") << name;
  }
}

// The desktop's own reader (GLib's) runs the entry: the program must start from exactly the
// path written, whatever characters it holds.
TEST_F(AutostartEntryTest, TheDesktopStartsTheProgramAtExactlyThatPath) {
  if (!HaveTool("gio")) GTEST_SKIP() << "gio (libglib2.0-bin) is not installed";
  const std::string marker = dir / "started";
  for (const std::string& name : NastyNames()) {
    // GLib looks for the program before it undoes "%%", so it refuses any entry whose program
    // path holds "%"; the entry is still what the format prescribes and the validator accepts.
    if (name.find('%') != std::string::npos) continue;
    const std::string appPath = dir / name + "/pigmora";
    WriteFile(appPath,
              "#!/bin/sh\nprintf '%s' \"$0\" > " + ShellWord(marker + ".tmp") + "\nmv " +
                  ShellWord(marker + ".tmp") + " " + ShellWord(marker) + "\n",
              0755);
    std::filesystem::remove(marker);
    AutostartEntry autostartEntry(config(), kId);
    ASSERT_TRUE(autostartEntry.Install(appPath)) << name;
    const auto launch = RunCommand("gio launch " + ShellWord(entry()));
    ASSERT_EQ(launch.status, 0) << name << "\n" << launch.output << "\n" << ReadFile(entry());
    ASSERT_TRUE(WaitForFile(marker)) << name;
    EXPECT_EQ(ReadFile(marker), appPath) << name;
  }
}

}  // namespace
}  // namespace pigmora
