#pragma once
// The clipboard in a Wayland session. A compositor ignores a selection set by a client without
// recent input on a focused surface, and a cycle hot key copies with no Pigmora window focused, so
// the text goes through the compositor's data-control protocol. Where the compositor has none
// (GNOME) or cannot be reached, it goes through QClipboard, as in an X11 session, and one line on
// standard error says so.
#include <memory>

#include "platform/pasteboard.h"
#include "platform/qt/qt_pasteboard.h"
#include "platform/wayland/data_control_clipboard.h"

namespace pigmora::wayland {

class WaylandPasteboard final : public platform::Pasteboard {
 public:
  WaylandPasteboard();
  void SetText(const std::u16string& text) override;

 private:
  std::unique_ptr<DataControlClipboard> dataControl_;
  qt::QtPasteboard fallback_;
};

}  // namespace pigmora::wayland
