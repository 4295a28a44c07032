// The autostart entry is read by the desktop, which unescapes its values and then splits the
// Exec line into arguments. For any path the entry must either be refused (only when no entry can
// name it) or have exactly the expected lines, with an Exec value that reads back as the path
// alone.
#include <optional>
#include <vector>

#include "fuzz_support.h"
#include "login/autostart_entry.h"

using namespace pigmora;

namespace {

constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

// The escapes of every string value: \s \n \t \r and \\.
std::optional<std::string> UnescapeString(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\') {
      out += value[i];
      continue;
    }
    if (++i == value.size()) return std::nullopt;
    switch (value[i]) {
      case 's':
        out += ' ';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case '\\':
        out += '\\';
        break;
      default:
        return std::nullopt;
    }
  }
  return out;
}

// The single argument of an Exec command line: one quoted argument, in which only " ` $ and \ may
// follow a backslash and none of them may stand bare, or one unquoted argument without reserved
// characters. Then "%%" is a percent sign and any other "%" a field code, which a path must not
// give.
std::optional<std::string> SingleExecArgument(std::string_view command) {
  std::string argument;
  if (command.starts_with('"')) {
    std::size_t i = 1;
    for (; i < command.size() && command[i] != '"'; ++i) {
      char c = command[i];
      if (c == '`' || c == '$') return std::nullopt;
      if (c == '\\') {
        if (++i == command.size()) return std::nullopt;
        c = command[i];
        if (std::string_view("\"`$\\").find(c) == std::string_view::npos) return std::nullopt;
      }
      argument += c;
    }
    if (i + 1 != command.size()) return std::nullopt;  // no closing quote, or more after it
  } else {
    if (command.find_first_of(kReserved) != std::string_view::npos) return std::nullopt;
    argument = command;
  }
  std::string path;
  for (std::size_t i = 0; i < argument.size(); ++i) {
    if (argument[i] == '%') {
      if (i + 1 == argument.size() || argument[i + 1] != '%') return std::nullopt;
      ++i;
    }
    path += argument[i];
  }
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string path(fuzz::Bytes(data, size));
  const std::optional<std::string> entry = AutostartEntryText(path);

  bool nameable = path.starts_with('/') && fuzz::IsValidUtf8(path);
  for (char c : path) nameable = nameable && (!IsControl(c) || c == '\t' || c == '\n' || c == '\r');
  FUZZ_CHECK(entry.has_value() == nameable);
  if (!entry) return 0;

  std::vector<std::string_view> lines;
  std::string_view rest = *entry;
  FUZZ_CHECK(rest.ends_with('\n'));
  while (!rest.empty()) {
    const auto end = rest.find('\n');
    lines.push_back(rest.substr(0, end));
    rest.remove_prefix(end + 1);
  }
  static constexpr std::string_view kExpected[] = {
      "[Desktop Entry]", "Type=Application",
      "Name=Pigmora",    "Comment=Colour picker for programmers",
      "Exec=",           "Icon=pigmora",
      "Terminal=false",  "X-GNOME-Autostart-enabled=true"};
  FUZZ_CHECK(lines.size() == std::size(kExpected));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (kExpected[i] == "Exec=") {
      FUZZ_CHECK(lines[i].starts_with("Exec="));
    } else {
      FUZZ_CHECK(lines[i] == kExpected[i]);
    }
  }
  const std::string_view exec = lines[4].substr(5);
  for (char c : exec) FUZZ_CHECK(!IsControl(c));
  const std::optional<std::string> command = UnescapeString(exec);
  FUZZ_CHECK(command.has_value());
  const std::optional<std::string> argument = SingleExecArgument(*command);
  FUZZ_CHECK(argument.has_value());
  FUZZ_CHECK(*argument == path);
  return 0;
}
