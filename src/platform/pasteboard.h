#pragma once
// The general clipboard.
#include <string>

namespace pigmora::platform {

class Pasteboard {
 public:
  virtual ~Pasteboard() = default;
  // Replaces the clipboard's contents with this plain text alone; a failure is not reported.
  virtual void SetText(const std::u16string& text) = 0;
};

}  // namespace pigmora::platform
