#pragma once
// The status item: its symbol image, its title and its six-command menu.
#include <cstdint>
#include <string>

namespace pigmora {

struct Program;

inline constexpr int kMenuIconCount = 6;

void BuildStatusItem(Program& program);
void SetMenuItemEnabled(Program& program, int64_t itemId, bool enabled);
// Gives the item a new text "Title\tShortcut" through ReadMenuItemText.
void RetitleMenuItem(Program& program, int64_t itemId, const std::u16string& text);
void ApplyIconCombo(Program& program, int64_t changeType);
void RemoveStatusItem(Program& program);

}  // namespace pigmora
