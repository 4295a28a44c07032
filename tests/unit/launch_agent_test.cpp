#include "login/launch_agent.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "login_test_files.h"

namespace pigmora {
namespace {

using test_files::EnvGuard;
using test_files::Exists;
using test_files::HaveTool;
using test_files::Lines;
using test_files::ModeOf;
using test_files::Names;
using test_files::ReadFile;
using test_files::RunCommand;
using test_files::ShellWord;
using test_files::TempDir;
using test_files::WaitForFile;
using test_files::WriteFile;

constexpr char kId[] = "org.example.Pigmora";

// Splits at line feeds only, keeping a last line without one.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1) {
    lines.emplace_back(text.substr(start, end - start));
  }
  lines.emplace_back(text.substr(start));
  return lines;
}

TEST(LoginAgentTemplate, IsTheFixedEighteenLines) {
  struct Line {
    int tabs;
    std::string text;
  };
  const Line expected[] = {
      {0, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"},
      {0,
       "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
       "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"},
      {0, "<plist version=\"1.0\">"},
      {0, "<dict>"},
      {1, "<key>Label</key>"},
      {1, "<string>{appid}</string>"},
      {1, "<key>ProgramArguments</key>"},
      {1, "<array>"},
      {2, "<string>/usr/bin/open</string>"},
      {2, "<string>{apppath}</string>"},
      {1, "</array>"},
      {1, "<key>RunAtLoad</key>"},
      {1, "<true/>"},
      {1, "<key>KeepAlive</key>"},
      {1, "<false/>"},
      {1, "<key>LimitLoadToSessionType</key>"},
      {1, "<string>Aqua</string></dict>"},
      {0, "</plist>"},
  };
  EXPECT_EQ(kLoginAgentTemplate.size(), 461u);
  EXPECT_EQ(kLoginAgentTemplate.find('\r'), std::string_view::npos);
  EXPECT_NE(kLoginAgentTemplate.back(), '\n');
  const std::vector<std::string> lines = SplitLines(kLoginAgentTemplate);
  ASSERT_EQ(lines.size(), std::size(expected));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i], std::string(expected[i].tabs, '\t') + expected[i].text) << "line " << i + 1;
  }
}

TEST(LoginAgentText, FillsInTheIdentifierAndTheApplicationPath) {
  const std::optional<std::string> text =
      LoginAgentText(kId, "/Applications/Pigmora Tools/Pigmora.app");
  ASSERT_TRUE(text);
  const std::vector<std::string> lines = SplitLines(*text);
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[5], "\t<string>org.example.Pigmora</string>");
  EXPECT_EQ(lines[9], "\t\t<string>/Applications/Pigmora Tools/Pigmora.app</string>");
  EXPECT_EQ(text->find("{app"), std::string::npos);
  EXPECT_EQ(text->size(), kLoginAgentTemplate.size() - 7 - 9 + std::strlen(kId) +
                              std::strlen("/Applications/Pigmora Tools/Pigmora.app"));
}

// The values are XML text: markup characters in them must not end the string or break the file.
TEST(LoginAgentText, EscapesMarkupInTheInsertedValues) {
  struct Case {
    std::string id;
    std::string path;
    std::string line6;
    std::string line10;
  };
  const Case cases[] = {
      {kId, "/Apps/R&D <test>/Pigmora.app", "\t<string>org.example.Pigmora</string>",
       "\t\t<string>/Apps/R&amp;D &lt;test&gt;/Pigmora.app</string>"},
      {"com.a&b.<x>", "/Apps/\"quoted\" 'single'/P.app", "\t<string>com.a&amp;b.&lt;x&gt;</string>",
       "\t\t<string>/Apps/&quot;quoted&quot; &apos;single&apos;/P.app</string>"},
      {kId, "/Apps/&amp;/P.app", "\t<string>org.example.Pigmora</string>",
       "\t\t<string>/Apps/&amp;amp;/P.app</string>"},
      {kId, "/Apps/Ünïcødé ✓/P.app", "\t<string>org.example.Pigmora</string>",
       "\t\t<string>/Apps/Ünïcødé ✓/P.app</string>"},
      // A value that looks like a placeholder is text like any other.
      {"{apppath}", "/Apps/{appid}.app", "\t<string>{apppath}</string>",
       "\t\t<string>/Apps/{appid}.app</string>"},
  };
  for (const Case& c : cases) {
    const std::optional<std::string> text = LoginAgentText(c.id, c.path);
    ASSERT_TRUE(text) << c.path;
    const std::vector<std::string> lines = SplitLines(*text);
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_EQ(lines[5], c.line6);
    EXPECT_EQ(lines[9], c.line10);
  }
}

TEST(LoginAgentText, RefusesValuesNoXmlFileCanHold) {
  const std::string bad[] = {"/Apps/\x01/P.app", "/Apps/\xff/P.app", "/Apps/\xc0\xaf/P.app",
                             "/Apps/\xed\xa0\x80/P.app", "/Apps/\xef\xbf\xbe/P.app"};
  for (const std::string& path : bad) {
    EXPECT_FALSE(LoginAgentText(kId, path)) << path;
    EXPECT_FALSE(LoginAgentText(path, "/Apps/P.app")) << path;
  }
}

// A home folder with a recording launchctl first on PATH. The tool appends one line per run:
// the argument count, the arguments and whether the agent file was there when it finished.
class LaunchAgentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(home + "/Library");
    WriteFile(dir / "bin/launchctl",
              "#!/bin/sh\n"
              "[ \"$1\" = unload ] && sleep 0.3\n"
              "if [ -e \"$2\" ]; then state=present; else state=gone; fi\n"
              "printf '%s|%s|%s|%s\\n' \"$#\" \"$1\" \"$2\" \"$state\" >> " +
                  ShellWord(log()) + "\n",
              0755);
  }
  std::string log() const { return dir / "launchctl.log"; }
  std::string agents() const { return home + "/Library/LaunchAgents"; }
  std::string agent() const { return agents() + "/" + kId + ".plist"; }
  std::vector<std::string> LogLines() const { return Lines(ReadFile(log())); }

  TempDir dir;
  // Blanks in the home folder: the agent's path must still reach launchctl as one argument.
  std::string home = dir / "home of user";
  EnvGuard path{"PATH", dir / "bin" + ":/usr/bin:/bin"};
};

TEST_F(LaunchAgentTest, InstallCreatesTheFolderWritesTheAgentAndLoadsIt) {
  LaunchAgent launchAgent(home, kId);  // no trailing "/": one is added
  EXPECT_EQ(launchAgent.AgentPath(), agent());
  ASSERT_TRUE(launchAgent.Install("/Applications/My Apps/Pigmora.app"));
  EXPECT_EQ(ModeOf(agents()) & 07777, 0700u);
  EXPECT_TRUE(S_ISDIR(ModeOf(agents())));
  EXPECT_EQ(ReadFile(agent()), *LoginAgentText(kId, "/Applications/My Apps/Pigmora.app"));
  EXPECT_EQ(Names(agents()), std::vector<std::string>{std::string(kId) + ".plist"});
  ASSERT_TRUE(WaitForFile(log()));
  EXPECT_EQ(LogLines(), std::vector<std::string>{"2|load|" + agent() + "|present"});
}

TEST_F(LaunchAgentTest, AnExistingFolderIsUsedAsItIs) {
  std::filesystem::create_directories(agents());
  ::chmod(agents().c_str(), 0755);
  LaunchAgent launchAgent(home + "/", kId);
  ASSERT_TRUE(launchAgent.Install("/Applications/Pigmora.app"));
  EXPECT_EQ(ModeOf(agents()) & 07777, 0755u);
  EXPECT_EQ(ReadFile(agent()), *LoginAgentText(kId, "/Applications/Pigmora.app"));
}

TEST_F(LaunchAgentTest, InstallReplacesAnOlderLongerAgentCompletely) {
  WriteFile(agent(), std::string(4000, 'x'));
  LaunchAgent launchAgent(home, kId);
  ASSERT_TRUE(launchAgent.Install("/P.app"));
  EXPECT_EQ(ReadFile(agent()), *LoginAgentText(kId, "/P.app"));
  EXPECT_EQ(Names(agents()), std::vector<std::string>{std::string(kId) + ".plist"});
}

// A link planted at the agent's path must not make us write into the file it points at.
TEST_F(LaunchAgentTest, InstallReplacesALinkAtTheAgentPathInsteadOfWritingThroughIt) {
  std::filesystem::create_directories(agents());
  const std::string victim = dir / "victim";
  const std::string nowhere = dir / "not yet there";
  WriteFile(victim, "precious");
  for (const std::string& target : {victim, nowhere}) {
    std::filesystem::remove(agent());
    std::filesystem::create_symlink(target, agent());
    LaunchAgent launchAgent(home, kId);
    ASSERT_TRUE(launchAgent.Install("/P.app")) << target;
    EXPECT_TRUE(S_ISREG(ModeOf(agent()))) << target;
    EXPECT_EQ(ReadFile(agent()), *LoginAgentText(kId, "/P.app"));
  }
  EXPECT_EQ(ReadFile(victim), "precious");
  EXPECT_FALSE(Exists(nowhere));
}

TEST_F(LaunchAgentTest, TheWrittenAgentIsWellFormedXmlThatGivesBackTheValues) {
  if (!HaveTool("xmllint")) GTEST_SKIP() << "xmllint (libxml2-utils) is not installed";
  const std::string paths[] = {"/Applications/Pigmora.app", "/Apps/R&D <test>/Pigmora.app",
                               "/Apps/\"q\" 'a' & <b>/P.app", "/Apps/Ünïcødé/P.app",
                               "/Apps/line\r\nbreak\t/P.app"};
  for (const std::string& appPath : paths) {
    LaunchAgent launchAgent(home, "id.with&amp;<odd>");
    ASSERT_TRUE(launchAgent.Install(appPath)) << appPath;
    const std::string file = ShellWord(launchAgent.AgentPath());
    const auto lint = RunCommand("xmllint --noout --nonet " + file);
    EXPECT_EQ(lint.status, 0) << appPath << "\n" << lint.output;
    const auto value =
        RunCommand("xmllint --nonet --xpath 'string(/plist/dict/array/string[2])' " + file);
    EXPECT_EQ(value.output, appPath + "\n");  // xmllint ends its answer with a line feed
    const auto label =
        RunCommand("xmllint --nonet --xpath 'string(/plist/dict/string[1])' " + file);
    EXPECT_EQ(label.output, "id.with&amp;<odd>\n");
  }
}

TEST_F(LaunchAgentTest, InstallFailsAndWritesNothingWhenItCannot) {
  const std::string noLibrary = dir / "bare home";
  std::filesystem::create_directories(noLibrary);
  struct Case {
    std::string what;
    std::string home;
    std::string appPath;
  };
  const Case cases[] = {
      {"no application path", home, ""},
      {"no home folder", "", "/P.app"},
      {"a relative home folder", "home of user", "/P.app"},
      {"only the last folder is made", noLibrary, "/P.app"},
      {"a path no XML file can hold", home, "/Apps/\x01.app"},
  };
  test_files::CwdGuard inside(dir.path());  // where relative paths would land
  for (const Case& c : cases) {
    LaunchAgent launchAgent(c.home, kId);
    EXPECT_FALSE(launchAgent.Install(c.appPath)) << c.what;
    EXPECT_FALSE(Exists(agent())) << c.what;
  }
  EXPECT_FALSE(Exists(noLibrary + "/Library"));
  // A directory standing where the agent belongs cannot be replaced by a file.
  std::filesystem::create_directories(agent());
  LaunchAgent launchAgent(home, kId);
  EXPECT_FALSE(launchAgent.Install("/P.app"));
  EXPECT_TRUE(std::filesystem::is_directory(agent()));
  EXPECT_EQ(Names(agents()), std::vector<std::string>{std::string(kId) + ".plist"});
}

// launchctl reads the file to find the job: removal waits for the unload before deleting.
TEST_F(LaunchAgentTest, RemoveUnloadsBeforeDeleting) {
  LaunchAgent launchAgent(home, kId);
  ASSERT_TRUE(launchAgent.Install("/P.app"));
  ASSERT_TRUE(WaitForFile(log()));
  launchAgent.Remove();
  EXPECT_FALSE(Exists(agent()));
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"2|load|" + agent() + "|present",
                                                  "2|unload|" + agent() + "|present"}));
}

TEST_F(LaunchAgentTest, RemoveWithNoAgentRunsNothing) {
  LaunchAgent launchAgent(home, kId);
  launchAgent.Remove();
  // Removal waits for launchctl, so a run would already have left its line.
  EXPECT_FALSE(Exists(log()));
  EXPECT_FALSE(Exists(agents()));
}

TEST_F(LaunchAgentTest, RemoveDeletesTheAgentEvenWithoutLaunchctl) {
  LaunchAgent launchAgent(home, kId);
  ASSERT_TRUE(launchAgent.Install("/P.app"));
  ASSERT_TRUE(WaitForFile(log()));
  EnvGuard noTools("PATH", dir / "empty");
  launchAgent.Remove();
  EXPECT_FALSE(Exists(agent()));
  EXPECT_EQ(LogLines().size(), 1u);
}

}  // namespace
}  // namespace pigmora
