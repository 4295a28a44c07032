#pragma once
// A menu item text "Title\tCtrl+Alt+P" read into title, key equivalent and modifier mask.
#include <string_view>

#include "platform/status_bar.h"

namespace pigmora {

platform::MenuEntry ReadMenuItemText(std::u16string_view text);

}  // namespace pigmora
