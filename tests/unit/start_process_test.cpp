#include "login/start_process.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <vector>

#include "login_test_files.h"

namespace pigmora {
namespace {

using test_files::CwdGuard;
using test_files::EnvGuard;
using test_files::Exists;
using test_files::ReadFile;
using test_files::TempDir;
using test_files::WaitForFile;
using test_files::WriteFile;
using test_files::ZombieChildren;

struct SplitCase {
  std::string parameters;
  std::vector<std::string> arguments;
};

TEST(SplitParameters, CutsAtBlanksAndKeepsQuotedTextWhole) {
  const SplitCase cases[] = {
      {"", {}},
      {" \t\n  ", {}},
      {"load /a/b.plist", {"load", "/a/b.plist"}},
      {"unload \"/Users/a b/x.plist\"", {"unload", "/Users/a b/x.plist"}},
      {"a\tb\nc", {"a", "b", "c"}},
      {"   lead    trail   ", {"lead", "trail"}},
      {"\"a b\"c", {"a b", "c"}},
      {"\"a\"\"b\"", {"a", "b"}},
      {"\"\"", {""}},
      {"x \"\" y", {"x", "", "y"}},
      {"\"runs to the end", {"runs to the end"}},
      {"\"tab\tand\nline\"", {"tab\tand\nline"}},
      {"mid\"dle quote\"", {"mid\"dle", "quote\""}},
      {"back\\slash \\\"x", {"back\\slash", "\\\"x"}},
      {"ünï \"cødé ✓\"", {"ünï", "cødé ✓"}},
      {"https://example.com/apps?a=1&b=2", {"https://example.com/apps?a=1&b=2"}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(SplitParameters(c.parameters), c.arguments) << "[" << c.parameters << "]";
  }
}

// A folder of candidate files with every property the search looks at.
class FindProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string script = "#!/bin/sh\nexit 0\n";
    WriteFile(dir / "bin1/prog", script, 0755);
    WriteFile(dir / "bin1/empty", "", 0755);
    WriteFile(dir / "bin1/plain", script, 0644);
    std::filesystem::create_directories(dir / "bin1/tool");
    ::chmod((dir / "bin1/tool").c_str(), 0755);
    WriteFile(dir / "bin2/prog", script, 0755);
    WriteFile(dir / "bin2/empty", script, 0755);
    WriteFile(dir / "bin2/plain", script, 0755);
    WriteFile(dir / "bin2/tool", script, 0755);
    WriteFile(dir / "bin2/sub/prog", script, 0755);
    WriteFile(dir / "prog", script, 0755);
    std::filesystem::create_symlink(dir / "bin2/prog", dir / "bin1/link");
  }
  TempDir dir;
};

TEST_F(FindProgramTest, FollowsTheSearchRules) {
  const std::string d = dir.path();
  const std::string both = d + "/bin1:" + d + "/bin2";
  struct Case {
    std::string name;
    std::optional<std::string> path;
    std::optional<std::string> found;
  };
  const Case cases[] = {
      {"prog", both, d + "/bin1/prog"},
      {"prog", d + "/bin2:" + d + "/bin1", d + "/bin2/prog"},
      {"empty", both, d + "/bin2/empty"},               // an empty file is skipped
      {"plain", both, d + "/bin2/plain"},               // so is one we may not execute
      {"plain", d + "/bin1", std::nullopt},             // ... even when it is the only one
      {"tool", both, d + "/bin2/tool"},                 // and a directory
      {"link", d + "/bin1", d + "/bin1/link"},          // a link to a program counts
      {"prog", "::" + d + "/bin1:", d + "/bin1/prog"},  // empty entries are not "."
      {"prog", d + "/bin1/", d + "/bin1/prog"},         // no second slash
      {"prog", std::nullopt, std::nullopt},             // no PATH at all
      {"prog", "", std::nullopt},
      {"missing", both, std::nullopt},
      {"", both, std::nullopt},
      {d + "/bin1/prog", std::nullopt, d + "/bin1/prog"},
      {d + "/bin1/empty", both, std::nullopt},
      {d + "/bin1/plain", both, std::nullopt},
      {d + "/bin1/tool", both, std::nullopt},
      {"./prog", std::nullopt, "./prog"},
      {"./sub/prog", d + "/bin2", std::nullopt},  // "./" is never searched for
      {"sub/prog", d + "/bin2", d + "/bin2/sub/prog"},
  };
  CwdGuard inside(d);
  for (const Case& c : cases) {
    EXPECT_EQ(FindProgram(c.name, c.path ? c.path->c_str() : nullptr), c.found)
        << "name [" << c.name << "] PATH [" << c.path.value_or("(unset)") << "]";
  }
}

// Programs that write what they were given into <dir>/out, then a marker that they are done.
class StartProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(out());
    std::filesystem::create_directories(dir / "work dir");
    WriteFile(dir / "bin/recorder",
              "#!/bin/sh\n"
              "out='" +
                  out() +
                  "'\n"
                  "printf '%s\\n' \"$PPID\" > \"$out/ppid\"\n"
                  "pwd -P > \"$out/cwd\"\n"
                  "for a in \"$@\"; do printf '%s\\000' \"$a\"; done > \"$out/args\"\n"
                  ": > \"$out/done\"\n",
              0755);
  }
  std::string out() const { return dir / "out"; }
  std::vector<std::string> RecordedArguments() const {
    std::vector<std::string> arguments;
    const std::string text = ReadFile(out() + "/args");
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1) {
      arguments.push_back(text.substr(start, end - start));
    }
    return arguments;
  }

  TempDir dir;
  EnvGuard path{"PATH", dir / "bin" + ":/usr/bin:/bin"};
};

TEST_F(StartProcessTest, StartsTheProgramDetachedWithItsArgumentsAndDirectory) {
  ASSERT_TRUE(StartProcess("recorder", "load \"/Users/a b/x.plist\"\tplain", dir / "work dir"));
  EXPECT_TRUE(ZombieChildren().empty());
  ASSERT_TRUE(WaitForFile(out() + "/done"));
  EXPECT_EQ(RecordedArguments(), (std::vector<std::string>{"load", "/Users/a b/x.plist", "plain"}));
  EXPECT_EQ(ReadFile(out() + "/cwd"), dir / "work dir" + "\n");
  const pid_t parent = static_cast<pid_t>(std::stol(ReadFile(out() + "/ppid")));
  EXPECT_NE(parent, ::getpid());
  EXPECT_TRUE(ZombieChildren().empty());
}

TEST_F(StartProcessTest, WithoutAWorkingDirectoryTheProgramKeepsOurs) {
  CwdGuard inside(dir / "work dir");
  ASSERT_TRUE(StartProcess("recorder", "", ""));
  ASSERT_TRUE(WaitForFile(out() + "/done"));
  EXPECT_EQ(RecordedArguments(), std::vector<std::string>{});
  EXPECT_EQ(ReadFile(out() + "/cwd"), dir / "work dir" + "\n");
}

TEST_F(StartProcessTest, TheProgramSeesTheNameAsItWasPassed) {
  std::filesystem::create_symlink("/bin/sh", dir / "bin/pigmora-sh");
  const std::string target = out() + "/argv0";
  ASSERT_TRUE(StartProcess(
      "pigmora-sh",
      "-c \"echo $0 > '" + target + ".tmp' && mv '" + target + ".tmp' '" + target + "'\"", ""));
  ASSERT_TRUE(WaitForFile(target));
  EXPECT_EQ(ReadFile(target), "pigmora-sh\n");
}

// A relative PATH entry names one file from our directory and another from the program's: the
// file that runs is the one that was checked.
TEST_F(StartProcessTest, RunsTheFileThatWasFoundNotAnotherOfTheSameName) {
  const std::string which = out() + "/which";
  auto tool = [&](const std::string& path, const std::string& mark) {
    WriteFile(path,
              "#!/bin/sh\necho " + mark + " > '" + which + ".tmp'\nmv '" + which + ".tmp' '" +
                  which + "'\n",
              0755);
  };
  tool(dir / "rel/tool", "checked");
  tool(dir / "work dir/rel/tool", "other");
  EnvGuard relative("PATH", "rel:/usr/bin:/bin");
  CwdGuard inside(dir.path());
  ASSERT_TRUE(StartProcess("tool", "", dir / "work dir"));
  ASSERT_TRUE(WaitForFile(which));
  EXPECT_EQ(ReadFile(which), "checked\n");
}

TEST_F(StartProcessTest, ReportsFailureWhenNothingStarts) {
  WriteFile(dir / "bin/broken", "#!/nonexistent/interpreter\n", 0755);
  WriteFile(dir / "bin/garbage",
            "\x7f"
            "ELF but not really",
            0755);
  struct Case {
    std::string name;
    std::string workingDirectory;
  };
  const Case cases[] = {
      {"pigmora-no-such-program", ""},
      {"broken", ""},  // found, but exec fails
      {"garbage", ""},
      {"recorder", dir / "no such folder"},  // found, but the directory is not there
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(StartProcess(c.name, "x", c.workingDirectory)) << c.name;
    EXPECT_TRUE(ZombieChildren().empty()) << c.name;
  }
  // The recorder never reached exec, so nothing of it can appear later.
  EXPECT_FALSE(Exists(out() + "/done"));
  EnvGuard noPath("PATH", "");
  EXPECT_FALSE(StartProcess("recorder", "", ""));
}

TEST_F(StartProcessTest, RunAndWaitReturnsOnlyOnceTheProgramHasEnded) {
  WriteFile(dir / "bin/slow", "#!/bin/sh\nsleep 0.3\n: > '" + out() + "/finished'\n", 0755);
  ASSERT_TRUE(RunProcessAndWait("slow", "", 10000));
  EXPECT_TRUE(Exists(out() + "/finished"));
  EXPECT_TRUE(ZombieChildren().empty());
}

TEST_F(StartProcessTest, RunAndWaitGivesUpAtTheTimeOutAndLeavesTheProgramRunning) {
  const std::string pidFile = out() + "/stuck.pid";
  WriteFile(dir / "bin/stuck",
            "#!/bin/sh\nexec >/dev/null 2>&1\necho $$ > '" + pidFile + ".tmp'\nmv '" + pidFile +
                ".tmp' '" + pidFile + "'\nexec sleep 30\n",
            0755);
  EXPECT_FALSE(RunProcessAndWait("stuck", "", 1000));
  EXPECT_TRUE(ZombieChildren().empty());
  ASSERT_TRUE(WaitForFile(pidFile));
  const pid_t stuck = static_cast<pid_t>(std::stol(ReadFile(pidFile)));
  EXPECT_EQ(::kill(stuck, 0), 0) << "the program was ended with the wait";
  ::kill(stuck, SIGTERM);
}

TEST_F(StartProcessTest, RunAndWaitFailsForAProgramThatIsNotThere) {
  EXPECT_FALSE(RunProcessAndWait("pigmora-no-such-program", "", 1000));
  WriteFile(dir / "bin/broken", "#!/nonexistent/interpreter\n", 0755);
  EXPECT_FALSE(RunProcessAndWait("broken", "", 1000));
  EXPECT_TRUE(ZombieChildren().empty());
}

}  // namespace
}  // namespace pigmora
