#include "platform/wayland/portal_trigger.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

#include "platform/hotkey_service.h"
#include "platform/x11/x11_key_map.h"

namespace pigmora::wayland {

namespace {

struct Modifier {
  uint32_t carbon;
  std::string_view name;
};

// The order the portal's documented trigger examples use, which is also the order of the symbols
// in a stored shortcut.
constexpr std::array<Modifier, 4> kModifiers{{{platform::kHotkeyControl, "CTRL"},
                                              {platform::kHotkeyOption, "ALT"},
                                              {platform::kHotkeyShift, "SHIFT"},
                                              {platform::kHotkeyCommand, "LOGO"}}};

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

// The portal trigger's modifier name for the words desktops show.
std::string_view ModifierOfWord(const std::string& word) {
  if (word == "ctrl" || word == "control" || word == "primary") return "CTRL";
  if (word == "alt" || word == "option" || word == "mod1") return "ALT";
  if (word == "shift") return "SHIFT";
  if (word == "logo" || word == "super" || word == "meta" || word == "win" || word == "windows" ||
      word == "cmd" || word == "command" || word == "mod4") {
    return "LOGO";
  }
  return {};
}

// "bracketleft" and "[" both name that key; so do "Prior" and "Page_Up".
bool SameKey(const std::string& keysymName, const std::string& word) {
  if (Lower(keysymName) == word) return true;
  const xkb_keysym_t ours = xkb_keysym_from_name(keysymName.c_str(), XKB_KEYSYM_NO_FLAGS);
  const xkb_keysym_t theirs = xkb_keysym_from_name(word.c_str(), XKB_KEYSYM_CASE_INSENSITIVE);
  if (ours != XKB_KEY_NoSymbol && ours == theirs) return true;
  const uint32_t character = xkb_keysym_to_utf32(ours);
  return word.size() == 1 && character != 0 && character < 128 &&
         std::tolower(static_cast<int>(character)) == static_cast<unsigned char>(word[0]);
}

}  // namespace

std::string PortalTrigger(uint32_t macKeyCode, uint32_t carbonModifiers) {
  const uint32_t keysym = qt::KeysymForMacKeyCode(macKeyCode);
  if (keysym == 0) return {};
  std::array<char, 64> name{};
  if (xkb_keysym_get_name(keysym, name.data(), name.size()) <= 0) return {};
  std::string trigger;
  for (const Modifier& modifier : kModifiers) {
    if (carbonModifiers & modifier.carbon) {
      trigger += modifier.name;
      trigger += '+';
    }
  }
  return trigger + name.data();
}

bool DescribesTrigger(std::string_view trigger, std::string_view description) {
  // Words split at "+", spaces and the angle brackets of "<Control>p"; a "+" after a separator is
  // the plus key itself ("Ctrl++").
  std::vector<std::string> words;
  std::string word;
  for (const char c : description) {
    if (c == ' ' || c == '<' || c == '>' || c == '+') {
      if (!word.empty()) words.push_back(Lower(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(Lower(word));
  if (description == "+" || description.ends_with("++")) words.push_back("plus");
  if (words.empty()) return false;

  std::vector<std::string> wanted;
  size_t start = 0;
  for (size_t plus; (plus = trigger.find('+', start)) != std::string_view::npos; start = plus + 1) {
    wanted.emplace_back(trigger.substr(start, plus - start));
  }
  const std::string key(trigger.substr(start));

  std::vector<std::string> given;
  for (size_t i = 0; i + 1 < words.size(); ++i) {
    const std::string_view modifier = ModifierOfWord(words[i]);
    if (modifier.empty()) return false;
    given.emplace_back(modifier);
  }
  std::sort(wanted.begin(), wanted.end());
  std::sort(given.begin(), given.end());
  given.erase(std::unique(given.begin(), given.end()), given.end());
  return wanted == given && SameKey(key, words.back());
}

}  // namespace pigmora::wayland
