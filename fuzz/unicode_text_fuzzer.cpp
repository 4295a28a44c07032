// The program's texts are UTF-16 and cross into files and the system as UTF-8. Any bytes must
// decode to well-formed UTF-16, and any code units must encode to well-formed UTF-8, without
// changing what was already well-formed.
#include "app/unicode_text.h"
#include "fuzz_support.h"
#include "login/login_file.h"

using namespace pigmora;

namespace {

constexpr char16_t kReplacement = 0xFFFD;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);

  // Bytes to UTF-16 and back.
  const bool validBytes = fuzz::IsValidUtf8(bytes);
  FUZZ_CHECK(IsWellFormedUtf8(bytes) == validBytes);
  const std::u16string decoded = FromUtf8(bytes);
  FUZZ_CHECK(fuzz::IsValidUtf16(decoded));
  FUZZ_CHECK(decoded.size() <= bytes.size());
  const std::string again = ToUtf8(decoded);
  FUZZ_CHECK(fuzz::IsValidUtf8(again));
  if (validBytes) {
    FUZZ_CHECK(again == bytes);
  } else {
    // Something was replaced, and the replacement is stable.
    FUZZ_CHECK(decoded.find(kReplacement) != std::u16string::npos);
    FUZZ_CHECK(FromUtf8(again) == decoded);
  }

  // Code units to UTF-8 and back: lone surrogates, and only they, become U+FFFD.
  const std::u16string units = fuzz::RawUtf16(bytes);
  const std::string encoded = ToUtf8(units);
  FUZZ_CHECK(fuzz::IsValidUtf8(encoded));
  std::u16string mended;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      mended += unit;
      mended += units[++i];
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      mended += kReplacement;
    } else {
      mended += unit;
    }
  }
  FUZZ_CHECK(FromUtf8(encoded) == mended);
  return 0;
}
