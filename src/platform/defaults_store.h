#pragma once
// The user's defaults: a persistent key/value store.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pigmora::platform {

class DefaultsStore {
 public:
  virtual ~DefaultsStore() = default;
  // nullopt when the key is absent or its value is not text.
  virtual std::optional<std::u16string> ReadText(std::string_view key) = 0;
  // 0 when the key is absent or its value is not a whole number.
  virtual int64_t ReadInteger(std::string_view key) = 0;
  // Writes go to memory at once and to disk at the next Synchronize.
  virtual void WriteText(std::string_view key, const std::u16string& text) = 0;
  virtual void WriteInteger(std::string_view key, int64_t value) = 0;
  // Puts every change on disk now, atomically; a failure leaves the old file whole and is not
  // reported.
  virtual void Synchronize() = 0;
};

}  // namespace pigmora::platform
