#include "color/color_format.h"

#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <cstdio>
#include <locale>
#include <stdexcept>
#include <string>
#include <vector>

namespace pigmora {
namespace {

constexpr ColorValue Rgb(int red, int green, int blue) {
  return ColorValue{red} | (ColorValue{green} << 8) | (ColorValue{blue} << 16);
}

// Independent reference texts, built with printf-style formatting from the written rules.

std::string ReferenceTwoDecimals(int channel) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f",
                static_cast<double>(static_cast<float>(channel) / 255.0f));
  return buffer;
}

// c / 255 rounded to two decimals in integer arithmetic (no halfway cases exist for whole c).
std::string ReferenceHundredths(int channel) {
  const int hundredths = (channel * 200 + 255) / 510;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%d.%02d", hundredths / 100, hundredths % 100);
  return buffer;
}

// The web-safe bands as a table of channel ranges.
int ReferenceWebSafeLevel(int channel) {
  struct Band {
    int last;
    int level;
  };
  constexpr Band kBands[] = {{25, 0}, {76, 51}, {127, 102}, {178, 153}, {229, 204}, {255, 255}};
  for (const Band& band : kBands) {
    if (channel <= band.last) return band.level;
  }
  return -1;
}

std::string ReferenceText(ColorValue color, int format) {
  const int r = static_cast<int>(color & 255);
  const int g = static_cast<int>((color >> 8) & 255);
  const int b = static_cast<int>((color >> 16) & 255);
  const std::string tr = ReferenceTwoDecimals(r);
  const std::string tg = ReferenceTwoDecimals(g);
  const std::string tb = ReferenceTwoDecimals(b);
  char buffer[128];
  switch (format) {
    case 0:
      std::snprintf(buffer, sizeof buffer, "%d %d %d", r, g, b);
      break;
    case 1:
      std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", ReferenceWebSafeLevel(r),
                    ReferenceWebSafeLevel(g), ReferenceWebSafeLevel(b));
      break;
    case 2:
      std::snprintf(buffer, sizeof buffer, "%02x%02x%02x", r, g, b);
      break;
    case 3:
      std::snprintf(buffer, sizeof buffer, "UIColor(red: %s, green: %s, blue: %s, alpha: 1.00)",
                    tr.c_str(), tg.c_str(), tb.c_str());
      break;
    case 4:
      std::snprintf(buffer, sizeof buffer,
                    "[UIColor colorWithRed: %s, green: %s, blue: %s, alpha: 1.00]", tr.c_str(),
                    tg.c_str(), tb.c_str());
      break;
    case 5:
      std::snprintf(buffer, sizeof buffer,
                    "new UIColor(red: %sf , green: %sf, blue: %sf, alpha: 1.00)", tr.c_str(),
                    tg.c_str(), tb.c_str());
      break;
    default:
      return "";
  }
  return buffer;
}

struct FormatCase {
  const char* what;
  ColorValue color;
  std::array<const char*, kFormatCount> texts;
};

const FormatCase kFormatCases[] = {
    {"orange",
     Rgb(255, 128, 0),
     {"255 128 0", "#ff9900", "ff8000", "UIColor(red: 1.00, green: 0.50, blue: 0.00, alpha: 1.00)",
      "[UIColor colorWithRed: 1.00, green: 0.50, blue: 0.00, alpha: 1.00]",
      "new UIColor(red: 1.00f , green: 0.50f, blue: 0.00f, alpha: 1.00)"}},
    {"dark blue-grey",
     Rgb(10, 20, 30),
     {"10 20 30", "#000033", "0a141e", "UIColor(red: 0.04, green: 0.08, blue: 0.12, alpha: 1.00)",
      "[UIColor colorWithRed: 0.04, green: 0.08, blue: 0.12, alpha: 1.00]",
      "new UIColor(red: 0.04f , green: 0.08f, blue: 0.12f, alpha: 1.00)"}},
    {"black",
     0,
     {"0 0 0", "#000000", "000000", "UIColor(red: 0.00, green: 0.00, blue: 0.00, alpha: 1.00)",
      "[UIColor colorWithRed: 0.00, green: 0.00, blue: 0.00, alpha: 1.00]",
      "new UIColor(red: 0.00f , green: 0.00f, blue: 0.00f, alpha: 1.00)"}},
    {"white",
     16777215,
     {"255 255 255", "#ffffff", "ffffff",
      "UIColor(red: 1.00, green: 1.00, blue: 1.00, alpha: 1.00)",
      "[UIColor colorWithRed: 1.00, green: 1.00, blue: 1.00, alpha: 1.00]",
      "new UIColor(red: 1.00f , green: 1.00f, blue: 1.00f, alpha: 1.00)"}},
    {"zero padding",
     Rgb(0, 0, 10),
     {"0 0 10", "#000000", "00000a", "UIColor(red: 0.00, green: 0.00, blue: 0.04, alpha: 1.00)",
      "[UIColor colorWithRed: 0.00, green: 0.00, blue: 0.04, alpha: 1.00]",
      "new UIColor(red: 0.00f , green: 0.00f, blue: 0.04f, alpha: 1.00)"}},
    {"web-safe band edges below",
     Rgb(25, 76, 229),
     {"25 76 229", "#0033cc", "194ce5", "UIColor(red: 0.10, green: 0.30, blue: 0.90, alpha: 1.00)",
      "[UIColor colorWithRed: 0.10, green: 0.30, blue: 0.90, alpha: 1.00]",
      "new UIColor(red: 0.10f , green: 0.30f, blue: 0.90f, alpha: 1.00)"}},
    {"web-safe band edges above",
     Rgb(26, 77, 230),
     {"26 77 230", "#3366ff", "1a4de6", "UIColor(red: 0.10, green: 0.30, blue: 0.90, alpha: 1.00)",
      "[UIColor colorWithRed: 0.10, green: 0.30, blue: 0.90, alpha: 1.00]",
      "new UIColor(red: 0.10f , green: 0.30f, blue: 0.90f, alpha: 1.00)"}},
    {"two-decimal edges",
     Rgb(1, 2, 254),
     {"1 2 254", "#0000ff", "0102fe", "UIColor(red: 0.00, green: 0.01, blue: 1.00, alpha: 1.00)",
      "[UIColor colorWithRed: 0.00, green: 0.01, blue: 1.00, alpha: 1.00]",
      "new UIColor(red: 0.00f , green: 0.01f, blue: 1.00f, alpha: 1.00)"}},
    // Bits above 23 are not part of the colour, in the low 32 bits and above them.
    {"bits 24 to 31 set",
     Rgb(255, 128, 0) | 0xFF000000,
     {"255 128 0", "#ff9900", "ff8000", "UIColor(red: 1.00, green: 0.50, blue: 0.00, alpha: 1.00)",
      "[UIColor colorWithRed: 1.00, green: 0.50, blue: 0.00, alpha: 1.00]",
      "new UIColor(red: 1.00f , green: 0.50f, blue: 0.00f, alpha: 1.00)"}},
    {"bits above 32 set",
     Rgb(10, 20, 30) | (ColorValue{0x5A} << 40),
     {"10 20 30", "#000033", "0a141e", "UIColor(red: 0.04, green: 0.08, blue: 0.12, alpha: 1.00)",
      "[UIColor colorWithRed: 0.04, green: 0.08, blue: 0.12, alpha: 1.00]",
      "new UIColor(red: 0.04f , green: 0.08f, blue: 0.12f, alpha: 1.00)"}},
};

TEST(FormatColorTest, WorkedExamplesAndEdgeColoursInEveryFormat) {
  for (const FormatCase& c : kFormatCases) {
    for (int format = 0; format < kFormatCount; ++format) {
      SCOPED_TRACE(std::string(c.what) + ", format " + std::to_string(format));
      const auto text = FormatColor(c.color, static_cast<OutputFormat>(format));
      ASSERT_TRUE(text.has_value());
      EXPECT_EQ(*text, c.texts[static_cast<std::size_t>(format)]);
    }
  }
}

TEST(FormatColorTest, MatchesTheReferenceOverASpreadOfColours) {
  // Every value of each channel alone, then a stride through the whole cube.
  std::vector<ColorValue> colors;
  for (int v = 0; v < 256; ++v) {
    colors.push_back(Rgb(v, 0, 0));
    colors.push_back(Rgb(0, v, 0));
    colors.push_back(Rgb(0, 0, v));
  }
  for (ColorValue color = 0; color <= 16777215; color += 4099) colors.push_back(color);
  for (ColorValue color : colors) {
    for (int format = 0; format < kFormatCount; ++format) {
      const auto text = FormatColor(color, static_cast<OutputFormat>(format));
      ASSERT_TRUE(text.has_value());
      ASSERT_EQ(*text, ReferenceText(color, format)) << "colour " << color << ", format " << format;
    }
  }
}

TEST(FormatColorTest, AnIndexOutsideTheTableGivesNoTextAndNoName) {
  for (int format : {-128, -3, -1, 6, 7, 9, 127}) {
    SCOPED_TRACE(format);
    EXPECT_FALSE(FormatColor(Rgb(255, 128, 0), static_cast<OutputFormat>(format)).has_value());
    EXPECT_EQ(FormatName(static_cast<OutputFormat>(format)), u"");
  }
}

TEST(FormatNameTest, NamesInTableOrder) {
  const std::u16string names[] = {u"RGB Values", u"Web Safe",    u"RGB Hex",
                                  u"Swift",      u"Objective-C", u"Xamarin (C#)"};
  for (int format = 0; format < kFormatCount; ++format) {
    EXPECT_EQ(FormatName(static_cast<OutputFormat>(format)), names[format]);
  }
}

TEST(NumberTextTest, DecimalTextIsPlainDigitsForEveryChannel) {
  for (int c = 0; c < 256; ++c) {
    EXPECT_EQ(DecimalText(static_cast<float>(c)), std::to_string(c));
  }
}

TEST(NumberTextTest, DecimalTextRoundsToNearestHalfAwayFromZero) {
  const struct {
    float number;
    const char* text;
  } kCases[] = {
      {0.49999997f, "0"}, {0.5f, "1"}, {127.4f, "127"}, {254.5f, "255"}, {1e6f, "1000000"}};
  for (const auto& c : kCases) EXPECT_EQ(DecimalText(c.number), c.text) << c.number;
}

TEST(NumberTextTest, HexText6PadsToSixLowerCaseDigits) {
  const struct {
    int64_t packed;
    const char* text;
  } kCases[] = {{0, "000000"},       {10, "00000a"},       {255, "0000ff"},
                {0xABCDE, "0abcde"}, {16744448, "ff8000"}, {16777215, "ffffff"}};
  for (const auto& c : kCases) EXPECT_EQ(HexText6(c.packed), c.text) << c.packed;
}

TEST(NumberTextTest, WebSafeLevelFollowsTheBandsForEveryChannel) {
  for (int c = 0; c < 256; ++c) {
    EXPECT_EQ(WebSafeLevel(static_cast<float>(c)), ReferenceWebSafeLevel(c)) << "channel " << c;
  }
}

TEST(NumberTextTest, TwoDecimalTextForEveryChannelMatchesBothReferences) {
  for (int c = 0; c < 256; ++c) {
    const std::string text = TwoDecimalText(static_cast<float>(c));
    EXPECT_EQ(text, ReferenceTwoDecimals(c)) << "channel " << c;
    EXPECT_EQ(text, ReferenceHundredths(c)) << "channel " << c;
  }
}

TEST(NumberTextTest, TwoDecimalTextNamedChannels) {
  const struct {
    int channel;
    const char* text;
  } kCases[] = {{0, "0.00"},   {1, "0.00"},   {2, "0.01"},   {127, "0.50"},
                {128, "0.50"}, {253, "0.99"}, {254, "1.00"}, {255, "1.00"}};
  for (const auto& c : kCases) {
    EXPECT_EQ(TwoDecimalText(static_cast<float>(c.channel)), c.text) << c.channel;
  }
}

// Puts the whole process, C and C++ alike, under a decimal-comma locale while it lives.
class DecimalCommaLocale {
 public:
  DecimalCommaLocale() : oldGlobal_(std::locale()) {
    const char* current = std::setlocale(LC_ALL, nullptr);
    oldC_ = current != nullptr ? current : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8"}) {
      if (std::setlocale(LC_ALL, name) != nullptr) {
        name_ = name;
        break;
      }
    }
    if (name_.empty()) return;
    try {
      std::locale::global(std::locale(name_));
    } catch (const std::runtime_error&) {
      name_.clear();
    }
  }
  ~DecimalCommaLocale() {
    std::locale::global(oldGlobal_);
    std::setlocale(LC_ALL, oldC_.c_str());
  }
  bool active() const { return !name_.empty(); }

 private:
  std::locale oldGlobal_;
  std::string oldC_;
  std::string name_;
};

TEST(FormatColorLocaleTest, ADecimalCommaLocaleNeverReachesTheTexts) {
  std::vector<std::string> before;
  for (int c = 0; c < 256; ++c) {
    for (int format = 0; format < kFormatCount; ++format) {
      before.push_back(*FormatColor(Rgb(c, 255 - c, c / 2), static_cast<OutputFormat>(format)));
    }
  }

  DecimalCommaLocale locale;
  ASSERT_TRUE(locale.active())
      << "the de_DE.UTF-8 locale is not installed; generate it (tools/deps.sh does) so this "
         "test can prove the texts ignore a decimal comma";
  // The locale really prints a comma, or this test would prove nothing.
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.2f", 0.5);
  ASSERT_STREQ(probe, "0,50");

  for (int c = 0; c < 256; ++c) {
    const std::string text = TwoDecimalText(static_cast<float>(c));
    EXPECT_EQ(text.find(','), std::string::npos) << text;
    EXPECT_EQ(text, ReferenceHundredths(c));
  }
  std::size_t i = 0;
  for (int c = 0; c < 256; ++c) {
    for (int format = 0; format < kFormatCount; ++format) {
      EXPECT_EQ(*FormatColor(Rgb(c, 255 - c, c / 2), static_cast<OutputFormat>(format)),
                before[i++]);
    }
  }
}

}  // namespace
}  // namespace pigmora
