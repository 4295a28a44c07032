#pragma once
// The colour panel: Qt's own QColorDialog (never the desktop theme's dialog, which lacks
// "Pick Screen Color"), run modally with OK and Cancel and without an alpha channel.
#include "platform/color_panel.h"

namespace pigmora::qt {

class QtColorPanel final : public platform::ColorPanel {
 public:
  // OK (or Return) confirms with the dialog's colour as device RGB; Cancel, Escape and the
  // window's close button give confirmed = false. The window that was active before gets the
  // focus back.
  platform::ColorPanelResult RunModal(const platform::RgbComponents& initial) override;

 private:
  static platform::ColorPanelResult RunDialog(const platform::RgbComponents& initial);
};

}  // namespace pigmora::qt
