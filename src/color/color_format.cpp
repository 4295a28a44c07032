#include "color/color_format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace pigmora {

namespace {

constexpr std::array<std::u16string_view, kFormatCount> kFormatNames = {
    u"RGB Values", u"Web Safe", u"RGB Hex", u"Swift", u"Objective-C", u"Xamarin (C#)"};

// Long enough for any piece built here: the longest fixed text, or a float printed in fixed
// notation (a float never exceeds 39 integer digits).
constexpr std::size_t kPieceBuffer = 64;

// Every text is assembled in one fixed buffer and copied out once: no streams, no locale, and
// only the final string allocates. Fixed pieces are copied with their length known at compile
// time, which keeps the copies inline.
class TextBuilder {
 public:
  template <std::size_t N>
  void Append(const char (&piece)[N]) {
    std::memcpy(end_, piece, N - 1);
    end_ += N - 1;
  }
  // Copies a whole slot of a table and keeps `length` characters of it.
  template <std::size_t N>
  void AppendSlot(const char (&slot)[N], std::size_t length) {
    std::memcpy(end_, slot, N);
    end_ += length;
  }
  char*& End() { return end_; }
  std::string Take() const {
    return std::string(buffer_, static_cast<std::size_t>(end_ - buffer_));
  }

 private:
  char buffer_[4 * kPieceBuffer];
  char* end_ = buffer_;
};

struct Channels {
  float red;
  float green;
  float blue;
};

// Only the low 32 bits are read, and of those only the three low bytes.
Channels ExtractChannels(ColorValue color) {
  const auto value = static_cast<uint32_t>(color);
  return {static_cast<float>(value & 255u), static_cast<float>((value >> 8) & 255u),
          static_cast<float>((value >> 16) & 255u)};
}

char* WriteDecimal(char* out, float channel) {
  unsigned long magnitude = 0;
  if (channel >= 0.0f && channel < 2147483648.0f) {
    // A float plus one half is exact in double, so truncating it rounds half away from zero
    // without a library call; this is the path every real channel takes.
    magnitude = static_cast<unsigned long>(static_cast<double>(channel) + 0.5);
  } else {
    const long rounded = std::lround(channel);
    magnitude = rounded < 0 ? 0UL - static_cast<unsigned long>(rounded)
                            : static_cast<unsigned long>(rounded);
  }
  return std::to_chars(out, out + kPieceBuffer, magnitude).ptr;
}

char* WriteHex6(char* out, int64_t packed) {
  char digits[kPieceBuffer];
  char* const digitsEnd = std::to_chars(digits, digits + sizeof digits, packed, 16).ptr;
  const auto count = static_cast<std::size_t>(digitsEnd - digits);
  for (std::size_t pad = count; pad < 6; ++pad) *out++ = '0';
  std::memcpy(out, digits, count);
  return out + count;
}

// The channel over 255 is taken in float, as the channels are held, and only then widened: the
// printed text follows that float's exact binary value, so 0.5 ties never arise from doubles.
char* WriteTwoDecimals(char* out, float channel) {
  const float fraction = channel / 255.0f;
  char* const end = std::to_chars(out, out + kPieceBuffer, static_cast<double>(fraction),
                                  std::chars_format::fixed, 2)
                        .ptr;
  // to_chars never consults the locale, so the separator is always a point.
  return end;
}

// Whole channels 0 to 255 are the only ones a ColorValue can hold; their texts are worked out
// once, by the same conversion, so the code forms cost three copies per colour.
struct TwoDecimalTable {
  TwoDecimalTable() {
    for (int c = 0; c < 256; ++c) {
      char buffer[kPieceBuffer];
      const auto length =
          static_cast<std::size_t>(WriteTwoDecimals(buffer, static_cast<float>(c)) - buffer);
      std::memcpy(texts[c], buffer, length);
      lengths[c] = static_cast<uint8_t>(length);
    }
  }
  char texts[256][8] = {};  // "0.00" to "1.00": four characters each
  uint8_t lengths[256] = {};
};

const TwoDecimalTable& TwoDecimals() {
  static const TwoDecimalTable table;
  return table;
}

void AppendTwoDecimals(TextBuilder& text, const TwoDecimalTable& table, float channel) {
  const auto c = static_cast<std::size_t>(channel);
  text.AppendSlot(table.texts[c], table.lengths[c]);
}

template <std::size_t A, std::size_t B, std::size_t C, std::size_t D>
void AppendCodeForm(TextBuilder& text, const Channels& ch, const char (&opening)[A],
                    const char (&afterRed)[B], const char (&afterGreen)[C],
                    const char (&closing)[D]) {
  const TwoDecimalTable& table = TwoDecimals();
  text.Append(opening);
  AppendTwoDecimals(text, table, ch.red);
  text.Append(afterRed);
  AppendTwoDecimals(text, table, ch.green);
  text.Append(afterGreen);
  AppendTwoDecimals(text, table, ch.blue);
  text.Append(closing);
}

}  // namespace

std::optional<std::string> FormatColor(ColorValue color, OutputFormat format) {
  const Channels ch = ExtractChannels(color);
  TextBuilder text;
  switch (format) {
    case 0:
      text.End() = WriteDecimal(text.End(), ch.red);
      text.Append(" ");
      text.End() = WriteDecimal(text.End(), ch.green);
      text.Append(" ");
      text.End() = WriteDecimal(text.End(), ch.blue);
      break;
    case 1: {
      const int64_t levels = (int64_t{WebSafeLevel(ch.red)} << 16) +
                             (int64_t{WebSafeLevel(ch.green)} << 8) + WebSafeLevel(ch.blue);
      text.Append("#");
      text.End() = WriteHex6(text.End(), levels);
      break;
    }
    case 2: {
      const double packed = static_cast<double>(ch.red) * 65536.0 +
                            static_cast<double>(ch.green) * 256.0 + static_cast<double>(ch.blue);
      text.End() = WriteHex6(text.End(), std::llround(packed));
      break;
    }
    case 3:
      AppendCodeForm(text, ch, "UIColor(red: ", ", green: ", ", blue: ", ", alpha: 1.00)");
      break;
    case 4:
      AppendCodeForm(text, ch,
                     "[UIColor colorWithRed: ", ", green: ", ", blue: ", ", alpha: 1.00]");
      break;
    case 5:
      AppendCodeForm(text, ch, "new UIColor(red: ", "f , green: ", "f, blue: ", "f, alpha: 1.00)");
      break;
    default:
      return std::nullopt;
  }
  return text.Take();
}

std::u16string FormatName(OutputFormat format) {
  if (format < 0 || format >= kFormatCount) return std::u16string();
  return std::u16string(kFormatNames[static_cast<std::size_t>(format)]);
}

std::string DecimalText(float channel) {
  char buffer[kPieceBuffer];
  return std::string(buffer, WriteDecimal(buffer, channel));
}

std::string HexText6(int64_t packed) {
  char buffer[kPieceBuffer];
  return std::string(buffer, WriteHex6(buffer, packed));
}

int WebSafeLevel(float channel) {
  const double x = static_cast<double>(channel) / 51.0;
  const double rounded = x > 0 ? std::floor(x + 0.5) : std::ceil(x - 0.5);
  return static_cast<int>(rounded * 51.0);
}

std::string TwoDecimalText(float channel) {
  char buffer[kPieceBuffer];
  return std::string(buffer, WriteTwoDecimals(buffer, channel));
}

}  // namespace pigmora
