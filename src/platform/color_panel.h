#pragma once
// The system colour panel, run modally with OK and Cancel.
#include <optional>

namespace pigmora::platform {

// Device RGB components, each 0.0 to 1.0.
struct RgbComponents {
  double red = 0;
  double green = 0;
  double blue = 0;
};

struct ColorPanelResult {
  bool confirmed = false;              // false: Cancel or the panel's close button
  std::optional<RgbComponents> color;  // nullopt when confirmed but no device RGB colour exists
};

class ColorPanel {
 public:
  virtual ~ColorPanel() = default;
  // Opens the panel at `initial` (alpha hidden), blocks until OK, Cancel or close, and gives the
  // keyboard focus back to the window that had it.
  virtual ColorPanelResult RunModal(const RgbComponents& initial) = 0;
};

}  // namespace pigmora::platform
