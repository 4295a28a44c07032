#pragma once
// Modal alerts and the About box's picture.
#include <optional>
#include <string>
#include <vector>

namespace pigmora::platform {

inline constexpr int kFirstButtonReturn = 1000;
inline constexpr int kSecondButtonReturn = 1001;

struct AlertContent {
  std::u16string message;
  std::u16string informative;
  bool withAboutIcon = false;           // show the picture loaded by LoadAboutIcon, if any
  std::vector<std::u16string> buttons;  // the first one is the default button
};

class Alerts {
 public:
  virtual ~Alerts() = default;
  // Shows the alert modally; returns kFirstButtonReturn + the index of the chosen button.
  virtual int RunAlert(const AlertContent& content) = 0;
  // The main screen's scale factor; nullopt when there is no main screen.
  virtual std::optional<double> MainScreenScale() = 0;
  // Loads the picture file as the About icon, resampled smoothly to 128 x 128 pixels and shown
  // at `points` x `points`. false (and no icon) when the file is missing, unreadable or empty.
  virtual bool LoadAboutIcon(const std::string& path, int points) = 0;
};

}  // namespace pigmora::platform
