#pragma once
// The user's defaults in one INI file kept by QSettings, by default
// <XDG config folder>/<application identifier>.conf (see QtPaths::PreferencesFile).
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
//   A backslash starts an escape ("\\" is one backslash, "\x2318" is U+2318).
// - Values of other kinds (lists, "@ByteArray(...)", "@Variant(...)") read as no text and as 0.
#include <QSettings>
#include <string>

#include "platform/defaults_store.h"

namespace pigmora::qt {

class QtDefaultsStore final : public platform::DefaultsStore {
 public:
  // Reads the file now (a missing or unreadable file gives an empty store); the folder and the
  // file are created by the first Synchronize.
  explicit QtDefaultsStore(const std::string& filePath);

  std::optional<std::u16string> ReadText(std::string_view key) override;
  int64_t ReadInteger(std::string_view key) override;
  void WriteText(std::string_view key, const std::u16string& text) override;
  void WriteInteger(std::string_view key, int64_t value) override;
  // QSettings replaces the file through a temporary file and a rename. When that fails (no
  // space, a read-only folder, a directory in the file's place) the old file stays as it was and
  // the values written stay in memory, to go to disk with the next Synchronize that succeeds.
  void Synchronize() override;

 private:
  QSettings settings_;
};

}  // namespace pigmora::qt
