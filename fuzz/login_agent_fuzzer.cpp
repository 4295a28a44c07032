// The launch agent is an XML document built from a fixed template and two values from outside,
// the identifier and the program's path. For any pair it must either be refused (only when a
// value cannot stand in XML at all) or be the template with both values in it as well-formed
// XML text that reads back exactly.
#include <optional>

#include "fuzz_support.h"
#include "login/launch_agent.h"

using namespace pigmora;

namespace {

// XML 1.0's Char production, on code points.
bool IsXmlText(std::string_view text) {
  const std::u16string units = FromUtf8(text);
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      ++i;  // a pair from well-formed UTF-8: a code point above U+FFFF, always allowed
      continue;
    }
    if (!(c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
          (c >= 0xE000 && c <= 0xFFFD)))
      return false;
  }
  return true;
}

// Reads a value written into the text up to the next "<": every "&" must start one of the
// entities XML defines (or the carriage-return reference) and nothing may stand bare that a
// reader would reject or change. Nothing when the value is not clean XML text.
std::optional<std::string> ReadXmlValue(std::string_view text, std::size_t& at) {
  std::string value;
  static constexpr struct {
    std::string_view entity;
    char character;
  } kEntities[] = {{"&amp;", '&'},  {"&lt;", '<'},    {"&gt;", '>'},
                   {"&quot;", '"'}, {"&apos;", '\''}, {"&#13;", '\r'}};
  while (at < text.size() && text[at] != '<') {
    const char c = text[at];
    if (c == '&') {
      bool known = false;
      for (const auto& [entity, character] : kEntities) {
        if (text.substr(at).starts_with(entity)) {
          value += character;
          at += entity.size();
          known = true;
          break;
        }
      }
      if (!known) return std::nullopt;
      continue;
    }
    // A raw carriage return would read back as a line feed, and "]]>" may not stand in text.
    if (c == '\r' || text.substr(at).starts_with("]]>")) return std::nullopt;
    value += c;
    ++at;
  }
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // The identifier, a zero byte, then the path; without a zero byte both are the whole input.
  const std::string_view bytes = fuzz::Bytes(data, size);
  const auto zero = bytes.find('\0');
  const std::string appId(bytes.substr(0, zero));
  const std::string appPath(zero == std::string_view::npos ? bytes : bytes.substr(zero + 1));

  const std::optional<std::string> text = LoginAgentText(appId, appPath);
  const bool writable = fuzz::IsValidUtf8(appId) && fuzz::IsValidUtf8(appPath) &&
                        IsXmlText(appId) && IsXmlText(appPath);
  FUZZ_CHECK(text.has_value() == writable);
  if (!text) return 0;

  // Walk the template and the text together: outside the placeholders they are the same, and
  // each placeholder holds its value, escaped.
  std::string_view rest = kLoginAgentTemplate;
  std::size_t at = 0;
  int values = 0;
  while (!rest.empty()) {
    for (const auto& [mark, expected] :
         {std::pair<std::string_view, const std::string*>{"{appid}", &appId},
          std::pair<std::string_view, const std::string*>{"{apppath}", &appPath}}) {
      if (rest.starts_with(mark)) {
        const std::optional<std::string> value = ReadXmlValue(*text, at);
        FUZZ_CHECK(value.has_value());
        FUZZ_CHECK(*value == *expected);
        rest.remove_prefix(mark.size());
        ++values;
      }
    }
    if (rest.empty()) break;
    if (rest.starts_with("{app")) continue;  // the next placeholder right after this one
    FUZZ_CHECK(at < text->size() && (*text)[at] == rest.front());
    ++at;
    rest.remove_prefix(1);
  }
  FUZZ_CHECK(values == 2);
  FUZZ_CHECK(at == text->size());
  return 0;
}
