#pragma once
// The modal colour-panel session, the current colour and copying it to the clipboard.
#include <cstdint>
#include <optional>
#include <string>

#include "color/color_format.h"
#include "platform/color_panel.h"

namespace pigmora {

struct Program;

void PickSession(Program& program);
// Runs the panel from `initial` (-1 opens at white); the chosen colour, or NoColor on cancel.
ColorValue RequestColor(Program& program, int32_t initial);
void CopyToPasteboard(Program& program, const std::optional<std::string>& text);
void CopyCurrentColor(Program& program);

// The panel's starting colour for a stored value: white for -1, else the low 24 bits / 255.
platform::RgbComponents InitialPanelColor(int32_t initial);
// Each component times 255, truncated, low 8 bits; nothing gives white.
ColorValue ColorFromComponents(const std::optional<platform::RgbComponents>& color);

}  // namespace pigmora
