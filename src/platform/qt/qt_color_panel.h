#pragma once
// The colour panel: Qt's own QColorDialog (never the desktop theme's dialog, which lacks
// "Pick Screen Color"), run modally with OK and Cancel and without an alpha channel.
#include <functional>

#include "platform/color_panel.h"

class QColorDialog;

namespace pigmora::qt {

class QtColorPanel final : public platform::ColorPanel {
 public:
  QtColorPanel() = default;
  // `prepareDialog` adapts each dialog to the session before it is shown (the screen eyedropper
  // of a Wayland session).
  explicit QtColorPanel(std::function<void(QColorDialog&)> prepareDialog)
      : prepareDialog_(std::move(prepareDialog)) {}

  // OK (or Return) confirms with the dialog's colour as device RGB; Cancel, Escape and the
  // window's close button give confirmed = false. The window that was active before gets the
  // focus back.
  platform::ColorPanelResult RunModal(const platform::RgbComponents& initial) override;

 private:
  platform::ColorPanelResult RunDialog(const platform::RgbComponents& initial);

  std::function<void(QColorDialog&)> prepareDialog_;
};

}  // namespace pigmora::qt
