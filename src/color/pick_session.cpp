#include "color/pick_session.h"

#include <cmath>

#include "app/program.h"
#include "app/unicode_text.h"
#include "settings/settings.h"

namespace pigmora {

namespace {

constexpr ColorValue kWhite = 16777215;

// A component times 255, truncated toward zero, low 8 bits. fmod keeps the exact low byte of any
// finite product without converting an out-of-range double to an integer; a component that is not
// a number at all counts as 0.
int64_t ChannelFromComponent(double component) {
  const double remainder = std::fmod(std::trunc(component * 255.0), 256.0);
  if (std::isnan(remainder)) return 0;
  return static_cast<int64_t>(remainder) & 255;
}

}  // namespace

void PickSession(Program& program) {
  auto& defaults = program.platform.defaults;
  // The stored value, not CurrentColor: after a restart the panel opens at the last pick while
  // CurrentColor is still black.
  const auto initial =
      static_cast<int32_t>(static_cast<uint32_t>(ReadIntegerSetting(defaults, kColorValKey)));
  const ColorValue picked = RequestColor(program, initial);
  if (picked == NoColor) return;
  program.CurrentColor = picked;
  CopyCurrentColor(program);
  // Stored even when the format is unknown and nothing was copied, so the pick is not lost.
  WriteIntegerSetting(defaults, kColorValKey, program.CurrentColor);
  WriteIntegerSetting(defaults, kSavedColorKey, program.CurrentColor);
  SyncSettings(defaults);
}

ColorValue RequestColor(Program& program, int32_t initial) {
  const platform::ColorPanelResult result =
      program.platform.colorPanel.RunModal(InitialPanelColor(initial));
  if (!result.confirmed) return NoColor;
  return ColorFromComponents(result.color);
}

platform::RgbComponents InitialPanelColor(int32_t initial) {
  if (initial == -1) return {.red = 1.0, .green = 1.0, .blue = 1.0};
  const auto value = static_cast<uint32_t>(initial) & 0xFFFFFFu;
  return {.red = static_cast<double>(value & 255u) / 255.0,
          .green = static_cast<double>((value >> 8) & 255u) / 255.0,
          .blue = static_cast<double>((value >> 16) & 255u) / 255.0};
}

ColorValue ColorFromComponents(const std::optional<platform::RgbComponents>& color) {
  if (!color) return kWhite;
  return ChannelFromComponent(color->red) | (ChannelFromComponent(color->green) << 8) |
         (ChannelFromComponent(color->blue) << 16);
}

void CopyToPasteboard(Program& program, const std::optional<std::string>& text) {
  program.platform.pasteboard.SetText(text ? FromUtf8(*text) : std::u16string());
}

void CopyCurrentColor(Program& program) {
  const std::optional<std::string> text =
      FormatColor(program.CurrentColor, program.settings.OutFormat);
  if (text) CopyToPasteboard(program, text);
}

}  // namespace pigmora
