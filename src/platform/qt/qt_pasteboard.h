#pragma once
// The X11 CLIPBOARD selection, through QClipboard.
#include "platform/pasteboard.h"

namespace pigmora::qt {

class QtPasteboard final : public platform::Pasteboard {
 public:
  // The program owns the selection from then on and serves it, as plain text only, to whoever
  // pastes; it is lost when another program takes the clipboard or when Pigmora ends.
  void SetText(const std::u16string& text) override;
};

}  // namespace pigmora::qt
