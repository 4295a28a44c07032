// The defaults store on a real INI file: what reaches the disk, how hand-written files read, and
// that a failed write loses neither the old file nor the values in memory.
#include "platform/qt/qt_defaults_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

namespace pigmora::qt {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

class QtDefaultsStoreTest : public ::testing::Test {
 protected:
  // QSettings shares what it parsed among objects on the same file within a process; a file of a
  // new name is read from disk, as at the next start of the program.
  fs::path FreshPath(const std::string& name) {
    return fs::path(folder_.path().toStdString()) /
           (name + "-" + std::to_string(++counter_) + ".conf");
  }
  fs::path CopyAsNextStart(const fs::path& written) {
    const fs::path copy = FreshPath("next-start");
    fs::copy_file(written, copy);
    return copy;
  }

  QTemporaryDir folder_;
  int counter_ = 0;
};

TEST_F(QtDefaultsStoreTest, ValuesSurviveTheDiskAndReadBackAlike) {
  const fs::path path = FreshPath("roundtrip");
  {
    QtDefaultsStore store(path.string());
    store.WriteText("Mode", u"Xamarin (C#)");
    store.WriteText("ShortKey", u"⌃⌥⇧⌘A");
    store.WriteText("ShortKey1", u"");
    store.WriteText("ShortKey2", u"⌘,");
    store.WriteText("Spaces", u"  a; b  ");
    store.WriteText("Backslash", u"\\x41\\");
    store.WriteInteger("OutFormat", 258);
    store.WriteInteger("MenuIcon", -1);
    store.WriteInteger("Big", std::numeric_limits<int64_t>::max());
    store.WriteInteger("Small", std::numeric_limits<int64_t>::min());
    store.Synchronize();
  }
  QtDefaultsStore reread(CopyAsNextStart(path).string());
  EXPECT_EQ(reread.ReadText("Mode"), u"Xamarin (C#)");
  EXPECT_EQ(reread.ReadText("ShortKey"), u"⌃⌥⇧⌘A");
  EXPECT_EQ(reread.ReadText("ShortKey1"), u"");
  EXPECT_EQ(reread.ReadText("ShortKey2"), u"⌘,");
  EXPECT_EQ(reread.ReadText("Spaces"), u"  a; b  ");
  EXPECT_EQ(reread.ReadText("Backslash"), u"\\x41\\");
  EXPECT_EQ(reread.ReadInteger("OutFormat"), 258);
  EXPECT_EQ(reread.ReadInteger("MenuIcon"), -1);
  EXPECT_EQ(reread.ReadInteger("Big"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(reread.ReadInteger("Small"), std::numeric_limits<int64_t>::min());
  // On disk an integer is its decimal text: it reads as text after a restart, and so it does
  // already in the run that wrote it.
  EXPECT_EQ(reread.ReadText("OutFormat"), u"258");
  QtDefaultsStore sameRun(path.string());
  EXPECT_EQ(sameRun.ReadText("OutFormat"), u"258");
  EXPECT_EQ(sameRun.ReadText("MenuIcon"), u"-1");
}

TEST_F(QtDefaultsStoreTest, ModifierSymbolsArePlainUtf8OnDisk) {
  const fs::path path = FreshPath("utf8");
  QtDefaultsStore store(path.string());
  store.WriteText("ShortKey", u"⌃⌥⇧⌘P");
  store.WriteInteger("OutFormat", 2);
  store.Synchronize();
  const std::string text = ReadFile(path);
  EXPECT_NE(text.find("[General]\n"), std::string::npos) << text;
  EXPECT_NE(text.find("ShortKey=\xE2\x8C\x83\xE2\x8C\xA5\xE2\x87\xA7\xE2\x8C\x98P\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("OutFormat=2\n"), std::string::npos) << text;
}

struct HandWritten {
  const char* line;  // the value as written after "Key="
  std::optional<std::u16string> text;
  int64_t integer;
};

// How values that someone wrote into the file by hand read.
TEST_F(QtDefaultsStoreTest, HandWrittenValuesReadAsTextAndStrictIntegers) {
  const HandWritten cases[] = {
      {"258", u"258", 258},
      {"-1", u"-1", -1},
      {"007", u"007", 7},
      {"0", u"0", 0},
      {"9223372036854775807", u"9223372036854775807", std::numeric_limits<int64_t>::max()},
      {"-9223372036854775808", u"-9223372036854775808", std::numeric_limits<int64_t>::min()},
      {"9223372036854775808", u"9223372036854775808", 0},  // beyond 64 bits
      {"2.0", u"2.0", 0},
      {"0x10", u"0x10", 0},
      {"+5", u"+5", 0},
      {"\" 5\"", u" 5", 0},
      {"\"5 \"", u"5 ", 0},
      {"12abc", u"12abc", 0},
      {"true", u"true", 0},
      {"", u"", 0},
      {"RGB Hex", u"RGB Hex", 0},
      {"\xE2\x8C\x98"
       "A",
       u"⌘A", 0},
      {"\"\xE2\x8C\x98,\"", u"⌘,", 0},
      {"a, b", std::nullopt, 0},  // an unquoted comma makes a list
      {"@ByteArray(abc)", std::nullopt, 0},
  };
  std::string file = "[General]\n";
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    file += "K" + std::to_string(i) + "=" + cases[i].line + "\n";
  }
  const fs::path path = FreshPath("hand");
  WriteFile(path, file);
  QtDefaultsStore store(path.string());
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string key = "K" + std::to_string(i);
    EXPECT_EQ(store.ReadText(key), cases[i].text) << cases[i].line;
    EXPECT_EQ(store.ReadInteger(key), cases[i].integer) << cases[i].line;
  }
  EXPECT_EQ(store.ReadText("Absent"), std::nullopt);
  EXPECT_EQ(store.ReadInteger("Absent"), 0);
}

TEST_F(QtDefaultsStoreTest, MissingFileIsEmptyAndFirstSynchronizeCreatesFolders) {
  const fs::path path =
      fs::path(folder_.path().toStdString()) / "not" / "yet" / "org.example.Test.conf";
  QtDefaultsStore store(path.string());
  EXPECT_EQ(store.ReadText("Mode"), std::nullopt);
  EXPECT_EQ(store.ReadInteger("OutFormat"), 0);
  EXPECT_FALSE(fs::exists(path)) << "reading must not create the file";
  store.WriteText("Mode", u"RGB Hex");
  EXPECT_FALSE(fs::exists(path)) << "writing goes to disk only at Synchronize";
  store.Synchronize();
  EXPECT_EQ(ReadFile(path), "[General]\nMode=RGB Hex\n");
}

TEST_F(QtDefaultsStoreTest, FailedSynchronizeKeepsValuesForTheNextOne) {
  // A directory where the file should be: nothing can be written there, as on a full or
  // read-only disk.
  const fs::path path = FreshPath("blocked");
  fs::create_directory(path);
  QtDefaultsStore store(path.string());
  store.WriteText("Mode", u"Swift");
  store.WriteInteger("OutFormat", 3);
  store.Synchronize();
  EXPECT_TRUE(fs::is_directory(path));
  EXPECT_EQ(store.ReadText("Mode"), u"Swift");
  EXPECT_EQ(store.ReadInteger("OutFormat"), 3);

  fs::remove(path);
  store.Synchronize();
  const std::string text = ReadFile(path);
  EXPECT_NE(text.find("Mode=Swift\n"), std::string::npos) << text;
  EXPECT_NE(text.find("OutFormat=3\n"), std::string::npos) << text;
}

TEST_F(QtDefaultsStoreTest, FailedSynchronizeLeavesTheOldFileWhole) {
  const fs::path path = FreshPath("atomic");
  const std::string old = "[General]\nMode=RGB Hex\nOutFormat=2\n";
  WriteFile(path, old);
  QtDefaultsStore store(path.string());
  store.WriteText("Mode", std::u16string(20000, u'x'));  // far more than the file may grow to

  // Writes past 4 KiB fail (EFBIG) while the limit holds, whoever runs the test, root included.
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &previous);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  store.Synchronize();
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &previous, nullptr);

  EXPECT_EQ(ReadFile(path), old);
  for (const auto& entry : fs::directory_iterator(path.parent_path())) {
    EXPECT_FALSE(entry.path().filename().string().starts_with(path.filename().string() + "."))
        << "left behind: " << entry.path();
  }
  EXPECT_EQ(store.ReadText("Mode"), std::u16string(20000, u'x'));
  store.Synchronize();
  EXPECT_EQ(ReadFile(path).size(), std::string("[General]\nMode=\nOutFormat=2\n").size() + 20000);
}

TEST_F(QtDefaultsStoreTest, KeepsTheFilesModeAndALinkToIt) {
  const fs::path real = FreshPath("real");
  const fs::path link = FreshPath("link");
  WriteFile(real, "[General]\nLogin=0\n");
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(real, link);
  QtDefaultsStore store(link.string());
  EXPECT_EQ(store.ReadInteger("Login"), 0);
  EXPECT_EQ(store.ReadText("Login"), u"0");
  store.WriteInteger("Login", 1);
  store.Synchronize();
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(real), "[General]\nLogin=1\n");
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(QtDefaultsStoreTest, ValuesOfOtherKindsAndSectionsSurviveARewrite) {
  const fs::path path = FreshPath("kinds");
  const std::string original =
      "[General]\nList=a, b\nBytes=@ByteArray(xyz)\n\n[Other]\nKey=value\n";
  WriteFile(path, original);
  QtDefaultsStore store(path.string());
  store.WriteText("Mode", u"Swift");
  store.Synchronize();
  QtDefaultsStore reread(CopyAsNextStart(path).string());
  EXPECT_EQ(reread.ReadText("Mode"), u"Swift");
  EXPECT_EQ(reread.ReadText("List"), std::nullopt);
  EXPECT_EQ(reread.ReadText("Other/Key"), u"value");
  const std::string text = ReadFile(path);
  EXPECT_NE(text.find("List=a, b\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Bytes=@ByteArray(xyz)\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[Other]\nKey=value\n"), std::string::npos) << text;
}

TEST_F(QtDefaultsStoreTest, SynchronizeWithoutChangesLeavesTheFileAlone) {
  const fs::path path = FreshPath("unchanged");
  const std::string original = "[General]\nOutFormat=3\n";
  WriteFile(path, original);
  const auto before = fs::last_write_time(path);
  const auto inode = [&] {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_ino;
  };
  const auto inodeBefore = inode();
  QtDefaultsStore store(path.string());
  store.Synchronize();
  EXPECT_EQ(ReadFile(path), original);
  EXPECT_EQ(fs::last_write_time(path), before);
  EXPECT_EQ(inode(), inodeBefore);
}

}  // namespace
}  // namespace pigmora::qt

namespace pigmora::qt {
namespace {

// A key QSettings cannot write back ("/Notes") must not make every later save fail.
TEST_F(QtDefaultsStoreTest, AKeyThatCannotBeWrittenBackDoesNotStopSaving) {
  const fs::path path = FreshPath("badkey");
  WriteFile(path, "[General]\n/Notes=1\na//b=2\nOutFormat=2\n");
  QtDefaultsStore store(path.string());
  store.WriteInteger("OutFormat", 4);
  store.Synchronize();
  QtDefaultsStore reread(CopyAsNextStart(path).string());
  EXPECT_EQ(reread.ReadInteger("OutFormat"), 4);
}

// A save cut short by a kill leaves its staging file (and QSettings' lock beside it); the next
// start clears them away, and nothing else.
TEST_F(QtDefaultsStoreTest, StagingFilesLeftByAKilledSaveAreRemovedAtStart) {
  const fs::path path = FreshPath("leftovers");
  WriteFile(path, "[General]\nOutFormat=2\n");
  const fs::path stage = path.string() + ".saving-aB3xY9";
  const fs::path stageLock = path.string() + ".saving-aB3xY9.lock";
  const fs::path unrelated = path.string() + ".backup";
  for (const fs::path& file : {stage, stageLock, unrelated}) WriteFile(file, "x");
  QtDefaultsStore store(path.string());
  EXPECT_FALSE(fs::exists(stage));
  EXPECT_FALSE(fs::exists(stageLock));
  EXPECT_TRUE(fs::exists(unrelated));
  EXPECT_EQ(store.ReadInteger("OutFormat"), 2);
}

}  // namespace
}  // namespace pigmora::qt
