#include "platform/qt/qt_alerts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QString>
#include <QStyle>
#include <vector>

#include "platform/qt/qt_application_icon.h"
#include "platform/qt/window_memory.h"

namespace pigmora::qt {

namespace {

QString ToQString(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr int kAboutIconPixels = 128;

}  // namespace

int QtAlerts::RunAlert(const platform::AlertContent& content) {
  NoteWindowOpening();
  const int answer = RunAlertBox(content);
  GiveBackWindowMemory();
  return answer;
}

int QtAlerts::RunAlertBox(const platform::AlertContent& content) {
  QMessageBox box;
  SetApplicationIcon(box);
  // The texts are shown as they are: no rich text, so that "<" or "&" cannot change them.
  box.setTextFormat(Qt::PlainText);
  box.setText(ToQString(content.message));
  box.setInformativeText(ToQString(content.informative));
  if (auto* informative = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
    informative->setTextFormat(Qt::PlainText);
  }
  if (content.withAboutIcon && !aboutIcon_.isNull()) {
    box.setIconPixmap(aboutIcon_);
  } else {
    // Without a picture of its own an alert shows the application's icon, at the size the
    // desktop's style gives alert icons, never the style's information sign.
    const int size = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
    box.setIconPixmap(ApplicationIcon().pixmap(QSize(size, size), box.devicePixelRatio()));
  }

  std::vector<QPushButton*> buttons;
  for (std::size_t i = 0; i < content.buttons.size(); ++i) {
    // The first button takes the affirmative place of the desktop's button order; the others
    // follow it in the order given.
    const auto role = i == 0 ? QMessageBox::AcceptRole : QMessageBox::ActionRole;
    buttons.push_back(box.addButton(ToQString(content.buttons[i]), role));
  }
  if (buttons.empty()) buttons.push_back(box.addButton(QMessageBox::Ok));
  box.setDefaultButton(buttons.front());
  if (buttons.size() == 1) box.setEscapeButton(buttons.front());

  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  // Modal before it is shown: exec() cannot make an already visible window modal.
  box.setWindowModality(Qt::ApplicationModal);
  box.show();
  box.raise();
  box.activateWindow();
  box.exec();

  const QAbstractButton* clicked = box.clickedButton();
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (buttons[i] == clicked) return platform::kFirstButtonReturn + static_cast<int>(i);
  }
  return platform::kFirstButtonReturn;
}

std::optional<double> QtAlerts::MainScreenScale() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return std::nullopt;
  return screen->devicePixelRatio();
}

bool QtAlerts::LoadAboutIcon(const std::string& path, int points) {
  aboutIcon_ = QPixmap();
  // The About picture is always a PNG of our own: read as such, without asking every image
  // plugin installed whether it knows the file. Asking loads them all (GIF, ICO, JPEG with
  // libjpeg, SVG) at start-up, and they stay loaded for the whole run.
  QImageReader reader(QString::fromStdString(path), "png");
  reader.setAutoDetectImageFormat(false);
  const QImage image = reader.read();
  if (image.isNull() || image.width() <= 0 || image.height() <= 0 || points <= 0) return false;
  // QImage keeps alpha unpremultiplied in ARGB32, so drawn edges keep their true colours.
  QImage scaled = image.convertToFormat(QImage::Format_ARGB32)
                      .scaled(kAboutIconPixels, kAboutIconPixels, Qt::IgnoreAspectRatio,
                              Qt::SmoothTransformation);
  scaled.setDevicePixelRatio(static_cast<double>(kAboutIconPixels) / points);
  aboutIcon_ = QPixmap::fromImage(scaled);
  return !aboutIcon_.isNull();
}

}  // namespace pigmora::qt
