#pragma once
// Helpers shared by the fuzz targets: turning raw input into the texts the program handles, an
// independent UTF-8 check, and a check that stops the run with the failing property.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/unicode_text.h"

namespace pigmora::fuzz {

// Stops the run so that libFuzzer saves the input; the message says which property broke.
[[noreturn]] inline void Fail(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, what);
  std::abort();
}

#define FUZZ_CHECK(condition) \
  ((condition) ? void(0) : ::pigmora::fuzz::Fail(__FILE__, __LINE__, #condition))

inline std::string_view Bytes(const uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Little-endian pairs of bytes, any code unit allowed (lone surrogates included); an odd last
// byte is dropped.
inline std::u16string RawUtf16(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto low = static_cast<uint8_t>(bytes[i]);
    const auto high = static_cast<uint8_t>(bytes[i + 1]);
    text += static_cast<char16_t>(low | (high << 8));
  }
  return text;
}

// The text a target works on. A first byte "u" reads the rest as UTF-8, the way texts come back
// from settings and the desktop, which keeps the seed files readable; any other first byte reads
// the rest as raw UTF-16 so that lone surrogates and every code unit are reached too.
inline std::u16string TextInput(std::string_view bytes) {
  if (bytes.empty()) return {};
  if (bytes.front() == 'u') return FromUtf8(bytes.substr(1));
  return RawUtf16(bytes.substr(1));
}

// Written separately from the program's own decoder so that the two can be compared: the
// well-formed byte sequences of the Unicode standard's table 3-7.
inline bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<uint8_t>(text[i]);
    auto at = [&](std::size_t k) -> int {
      return i + k < text.size() ? static_cast<uint8_t>(text[i + k]) : -1;
    };
    auto in = [](int b, int low, int high) { return b >= low && b <= high; };
    if (b0 <= 0x7F) {
      i += 1;
    } else if (in(b0, 0xC2, 0xDF) && in(at(1), 0x80, 0xBF)) {
      i += 2;
    } else if (b0 == 0xE0 && in(at(1), 0xA0, 0xBF) && in(at(2), 0x80, 0xBF)) {
      i += 3;
    } else if ((in(b0, 0xE1, 0xEC) || in(b0, 0xEE, 0xEF)) && in(at(1), 0x80, 0xBF) &&
               in(at(2), 0x80, 0xBF)) {
      i += 3;
    } else if (b0 == 0xED && in(at(1), 0x80, 0x9F) && in(at(2), 0x80, 0xBF)) {
      i += 3;
    } else if (b0 == 0xF0 && in(at(1), 0x90, 0xBF) && in(at(2), 0x80, 0xBF) &&
               in(at(3), 0x80, 0xBF)) {
      i += 4;
    } else if (in(b0, 0xF1, 0xF3) && in(at(1), 0x80, 0xBF) && in(at(2), 0x80, 0xBF) &&
               in(at(3), 0x80, 0xBF)) {
      i += 4;
    } else if (b0 == 0xF4 && in(at(1), 0x80, 0x8F) && in(at(2), 0x80, 0xBF) &&
               in(at(3), 0x80, 0xBF)) {
      i += 4;
    } else {
      return false;
    }
  }
  return true;
}

// Every high surrogate followed by a low one, and no low surrogate on its own.
inline bool IsValidUtf16(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

}  // namespace pigmora::fuzz
