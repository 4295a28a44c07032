#pragma once
// The colour value and the six output formats with their exact texts.
#include <cstdint>
#include <optional>
#include <string>

namespace pigmora {

// Red in bits 0-7, green in 8-15, blue in 16-23.
using ColorValue = int64_t;
inline constexpr ColorValue NoColor = -1;

// Index into FormatNames; only 0 to 5 name a format.
using OutputFormat = int8_t;
inline constexpr int kFormatCount = 6;

// The output text of the colour in that format; nothing for an index outside 0 to 5.
std::optional<std::string> FormatColor(ColorValue color, OutputFormat format);
// The format's name, or the empty text outside 0 to 5.
std::u16string FormatName(OutputFormat format);

// The number-to-text pieces the formats are made of.
std::string DecimalText(float channel);
std::string HexText6(int64_t packed);
int WebSafeLevel(float channel);
std::string TwoDecimalText(float channel);

}  // namespace pigmora
