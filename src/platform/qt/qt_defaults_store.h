#pragma once
// The user's defaults in one INI file in QSettings' format, by default
// <XDG config folder>/<application identifier>.conf (see QtPaths::PreferencesFile). QSettings
// reads and formats the file; writing it to disk is done here, because QSettings' own sync can
// leave a truncated file behind when the disk fills up (it overlooks short writes).
//
// The file as it is on disk, for people (and tests) who write it by hand:
//
//   [General]
//   Mode=RGB Hex
//   ShortKey=⌃⌥⇧⌘P
//   ShortKey1=
//   OutFormat=2
//
// - Keys sit in the [General] section; every value is a line of UTF-8 text. Qt writes the
//   modifier symbols "⌃⌥⇧⌘" as plain UTF-8, and plain UTF-8 written by hand reads back unchanged.
// - An integer is its decimal text ("258", "-1"). Reading one back parses that text strictly:
//   base 10, an optional "-", digits only, the whole value, within the 64-bit range; anything
//   else ("2.0", "0x10", " 5", "true") reads as 0.
// - A value holding a comma or a semicolon, or starting or ending with a blank, must be written in
//   double quotes (ShortKey="⌘,"): unquoted, QSettings reads it as a list, which is not text.
//   A backslash starts an escape ("\\" is one backslash); write other characters as plain UTF-8.
// - Values of other kinds (lists, "@ByteArray(...)", "@Variant(...)") read as no text and as 0.
#include <QString>
#include <QVariant>
#include <map>
#include <string>

#include "platform/defaults_store.h"

namespace pigmora::qt {

class QtDefaultsStore final : public platform::DefaultsStore {
 public:
  // Reads the file now; a missing or unreadable file (or a directory in its place) gives an
  // empty store. The folder and the file are created by the first Synchronize that has changes.
  explicit QtDefaultsStore(std::string filePath);

  std::optional<std::u16string> ReadText(std::string_view key) override;
  int64_t ReadInteger(std::string_view key) override;
  void WriteText(std::string_view key, const std::u16string& text) override;
  void WriteInteger(std::string_view key, int64_t value) override;
  // Writes every value to a new file beside the old one, reads that back to check that it holds
  // exactly what memory holds, puts it on disk (fsync) and renames it over the old file. Any
  // failure (no space, a read-only folder, a directory in the file's place) leaves the old file
  // as it was and the values in memory, to go to disk with the next Synchronize that succeeds.
  void Synchronize() override;

 private:
  std::string filePath_;
  std::map<QString, QVariant> values_;
  bool changed_ = false;
};

}  // namespace pigmora::qt
