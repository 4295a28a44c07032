#pragma once
// Modal alerts on QMessageBox, and the About box's picture.
#include <QPixmap>

#include "platform/alerts.h"

namespace pigmora::qt {

class QtAlerts final : public platform::Alerts {
 public:
  // A box with the texts exactly as given, the About picture or else the application's icon, and
  // the buttons in the given order, the first one the default (Return). Escape and the close button
  // act only when there is a single button (they choose it); otherwise a button has to be chosen.
  int RunAlert(const platform::AlertContent& content) override;
  std::optional<double> MainScreenScale() override;
  bool LoadAboutIcon(const std::string& path, int points) override;

  // The picture kept by the last successful LoadAboutIcon; null when there is none.
  const QPixmap& AboutIcon() const { return aboutIcon_; }

 private:
  int RunAlertBox(const platform::AlertContent& content);

  QPixmap aboutIcon_;
};

}  // namespace pigmora::qt
