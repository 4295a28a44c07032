// ReadMenuItemText takes every text the program gives a status-menu item, titles and stored
// shortcuts included: whatever it holds, the title keeps no mnemonic marks or tabs, and the key
// equivalent and mask are ones the menu can take.
#include "fuzz_support.h"
#include "hotkeys/menu_item_text.h"
#include "platform/status_bar.h"

using namespace pigmora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::u16string text = fuzz::TextInput(fuzz::Bytes(data, size));
  const platform::MenuEntry entry = ReadMenuItemText(text);

  std::u16string plain;
  for (char16_t c : text) {
    if (c != u'&') plain += c;
  }
  const auto tab = plain.find(u'\t');
  FUZZ_CHECK(entry.title == plain.substr(0, tab));

  constexpr uint32_t kAllMasks = platform::kMenuShiftMask | platform::kMenuControlMask |
                                 platform::kMenuOptionMask | platform::kMenuCommandMask;
  FUZZ_CHECK((entry.modifierMask & ~kAllMasks) == 0);
  if (tab == std::u16string::npos) {
    FUZZ_CHECK(entry.keyEquivalent.empty());
    FUZZ_CHECK(entry.modifierMask == 0);
  }
  // The key equivalent is one token of the shortcut part, lower-cased, or a function key.
  FUZZ_CHECK(entry.keyEquivalent.find_first_of(u"&\t+") == std::u16string::npos);
  for (char16_t c : entry.keyEquivalent) FUZZ_CHECK(!(c >= u'A' && c <= u'Z'));
  const std::u16string shortcut =
      tab == std::u16string::npos ? std::u16string() : plain.substr(tab + 1);
  if (entry.keyEquivalent.size() == 1 && entry.keyEquivalent[0] >= 0xF704 &&
      entry.keyEquivalent[0] <= 0xF70F) {
    // A function-key character comes only from an "F1" to "F12" token, or from that character
    // standing in the text itself.
    const bool named =
        shortcut.find(u'F') != std::u16string::npos || shortcut.find(u'f') != std::u16string::npos;
    FUZZ_CHECK(named || shortcut.find(entry.keyEquivalent[0]) != std::u16string::npos);
  } else {
    FUZZ_CHECK(entry.keyEquivalent.size() <= shortcut.size());
  }
  return 0;
}
