#pragma once
// Key name to macOS virtual key code: the whole key vocabulary of hot keys.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace pigmora {

class KeyCodeTable {
 public:
  // Exact and case-sensitive.
  std::optional<uint32_t> LookupKeyCode(std::u16string_view keyName) const;
  std::size_t size() const { return codes_.size(); }

 private:
  friend KeyCodeTable BuildKeyCodeTable();
  std::unordered_map<std::u16string, uint32_t> codes_;
};

KeyCodeTable BuildKeyCodeTable();

}  // namespace pigmora
