#pragma once
// Changing the output format (cycle keys, menu, preferences pop-up) and the status item's title.
#include <cstdint>
#include <string>

namespace pigmora {

struct Program;

void CycleFormatForward(Program& program);
void CycleFormatBack(Program& program);
void ApplyFormatCombo(Program& program, int64_t changeType);
void ToggleShowTitle(Program& program);
// The title/tooltip rule for the given format name.
void ShowFormatInMenuBar(Program& program, const std::u16string& name);

inline constexpr char16_t kToolTipPrefix[] = u"Output Format: ";

}  // namespace pigmora
