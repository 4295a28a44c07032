#pragma once
// Modal alerts on QMessageBox, and the About box's picture.
#include <QPixmap>
#include <QString>

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

  // The picture named by the last successful LoadAboutIcon, decoded now at 128 pixels for the
  // points given; null when there is none or it no longer decodes.
  QPixmap AboutIcon() const;

 private:
  int RunAlertBox(const platform::AlertContent& content);

  QString aboutIconPath_;
  int aboutIconPoints_ = 0;
};

}  // namespace pigmora::qt
