// The clipboard as other programs see it: read back with xclip from a separate process.
#include "platform/qt/qt_pasteboard.h"

#include <gtest/gtest.h>

#include <QSet>

#include "platform_test_support.h"

namespace pigmora::qt {
namespace {

using test::RunCommand;

test::CommandResult ReadClipboard(const QString& target = QStringLiteral("UTF8_STRING")) {
  return RunCommand("xclip", {"-o", "-selection", "clipboard", "-t", target});
}

TEST(QtPasteboard, OtherProgramsPasteTheText) {
  QtPasteboard pasteboard;
  pasteboard.SetText(u"ff8000");
  const auto pasted = ReadClipboard();
  ASSERT_TRUE(pasted.finished);
  EXPECT_EQ(pasted.exitCode, 0);
  EXPECT_EQ(pasted.output, "ff8000");
}

TEST(QtPasteboard, TextIsTheOnlyContent) {
  QtPasteboard pasteboard;
  pasteboard.SetText(u"UIColor(red: 1.000, green: 0.502, blue: 0.000, alpha: 1.0)");
  const auto targets = ReadClipboard("TARGETS");
  ASSERT_TRUE(targets.finished);
  ASSERT_EQ(targets.exitCode, 0);
  // The selection's own bookkeeping targets and the usual names of plain text, nothing else.
  const QSet<QString> allowed = {
      "TARGETS", "MULTIPLE",    "TIMESTAMP",     "SAVE_TARGETS", "TEXT",
      "STRING",  "UTF8_STRING", "COMPOUND_TEXT", "text/plain",   "text/plain;charset=utf-8"};
  const QStringList offered = QString::fromUtf8(targets.output).split('\n', Qt::SkipEmptyParts);
  EXPECT_TRUE(offered.contains("UTF8_STRING")) << targets.output.toStdString();
  for (const QString& target : offered) {
    EXPECT_TRUE(allowed.contains(target)) << "unexpected clipboard target " << target.toStdString();
  }
}

TEST(QtPasteboard, NonAsciiTextArrivesAsUtf8) {
  QtPasteboard pasteboard;
  pasteboard.SetText(u"⌘ é 1.0");
  const auto pasted = ReadClipboard();
  ASSERT_TRUE(pasted.finished);
  EXPECT_EQ(pasted.output, "\xE2\x8C\x98 \xC3\xA9 1.0");
}

TEST(QtPasteboard, ReplacesWhatAnotherProgramCopied) {
  const auto copied =
      RunCommand("/bin/sh", {"-c", "printf 'from elsewhere' | xclip -i -selection clipboard"});
  ASSERT_TRUE(copied.finished);
  // xclip keeps serving its text in the background until someone else takes the clipboard.
  ASSERT_EQ(ReadClipboard().output, "from elsewhere");

  QtPasteboard pasteboard;
  pasteboard.SetText(u"#123456");
  EXPECT_EQ(ReadClipboard().output, "#123456");
  pasteboard.SetText(u"18 52 86");
  EXPECT_EQ(ReadClipboard().output, "18 52 86");
}

}  // namespace
}  // namespace pigmora::qt
