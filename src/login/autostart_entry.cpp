#include "login/autostart_entry.h"

#include <unistd.h>

#include <string_view>

#include "login/login_file.h"

namespace pigmora {

namespace {

// Characters that make an Exec argument need quotes.
constexpr std::string_view kReserved = " \t\n\r\"'\\><~|&;$*?#()`";
// Characters that must be preceded by a backslash inside the quotes.
constexpr std::string_view kEscapedInQuotes = "\"`$\\";

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

}  // namespace

std::optional<std::string> DesktopEntryExec(const std::string& executablePath) {
  if (!executablePath.starts_with('/') || !IsWellFormedUtf8(executablePath)) return std::nullopt;
  for (char c : executablePath) {
    if (IsControl(c) && c != '\t' && c != '\n' && c != '\r') return std::nullopt;
  }
  // First the command-line quoting, then "%" doubled so it is not read as a field code.
  const bool quote = executablePath.find_first_of(kReserved) != std::string::npos;
  std::string argument;
  if (quote) argument += '"';
  for (char c : executablePath) {
    if (quote && kEscapedInQuotes.find(c) != std::string_view::npos) argument += '\\';
    argument += c;
    if (c == '%') argument += '%';
  }
  if (quote) argument += '"';
  // Then the escapes every string value goes through when the file is read, which are undone
  // before the quoting: a literal backslash ends up as four.
  std::string value;
  for (char c : argument) {
    switch (c) {
      case '\\':
        value += "\\\\";
        break;
      case '\n':
        value += "\\n";
        break;
      case '\t':
        value += "\\t";
        break;
      case '\r':
        value += "\\r";
        break;
      default:
        value += c;
    }
  }
  return value;
}

std::optional<std::string> AutostartEntryText(const std::string& executablePath) {
  const std::optional<std::string> exec = DesktopEntryExec(executablePath);
  if (!exec) return std::nullopt;
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Pigmora\n"
         "Comment=Colour picker for programmers\n"
         "Exec=" +
         *exec +
         "\n"
         "Icon=pigmora\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

AutostartEntry::AutostartEntry(std::string configDir, std::string appId) {
  // A relative folder would put the entry wherever our working directory happens to be.
  if (!configDir.starts_with('/')) return;
  while (configDir.size() > 1 && configDir.ends_with('/')) configDir.pop_back();
  autostartDir_ = (configDir == "/" ? "" : configDir) + "/autostart";
  entryPath_ = autostartDir_ + "/" + appId + ".desktop";
}

bool AutostartEntry::Install(const std::string& applicationPath) {
  if (entryPath_.empty()) return false;
  const std::optional<std::string> text = AutostartEntryText(applicationPath);
  if (!text) return false;
  return MakeDirectory(autostartDir_, true) && ReplaceFile(entryPath_, *text);
}

void AutostartEntry::Remove() {
  if (!entryPath_.empty()) ::unlink(entryPath_.c_str());
}

}  // namespace pigmora
