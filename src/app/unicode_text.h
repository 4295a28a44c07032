#pragma once
// UTF-16 (the program's own texts) to and from UTF-8 (files, the system's C strings).
#include <string>
#include <string_view>

namespace pigmora {

// Ill-formed input becomes U+FFFD; nothing is dropped silently.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

}  // namespace pigmora
