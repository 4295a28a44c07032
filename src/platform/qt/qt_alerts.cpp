#include "platform/qt/qt_alerts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
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

#include "platform/qt/freed_heap.h"
#include "platform/qt/qt_application_icon.h"

namespace pigmora::qt {

namespace {

QString ToQString(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr int kAboutIconPixels = 128;

// The About picture is always a PNG of our own (the reader is made for "png"): read as such,
// without asking every image plugin installed whether it knows the file. Asking loads them all
// (GIF, ICO, JPEG with libjpeg, SVG), and they stay loaded for the whole run. The file is opened
// here first: a reader told its format runs the PNG decoder even on a file it could not open (a
// folder, one the user may not read), which then complains on stderr.
bool OpenAsPng(QFile& file, QImageReader& reader) {
  if (!file.open(QIODevice::ReadOnly)) return false;
  reader.setDevice(&file);
  reader.setFormat("png");
  reader.setAutoDetectImageFormat(false);
  return true;
}

}  // namespace

int QtAlerts::RunAlert(const platform::AlertContent& content) {
  const int answer = RunAlertBox(content);
  ReturnFreedHeap();
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
  const QPixmap aboutIcon = content.withAboutIcon ? AboutIcon() : QPixmap();
  if (!aboutIcon.isNull()) {
    box.setIconPixmap(aboutIcon);
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
  aboutIconPath_.clear();
  // Only the file's header is read here, at start-up: the picture itself is decoded when the
  // About box shows it, so the program does not keep it (and the PNG decoder's code) in memory
  // through the hours it sits idle.
  QFile file(QString::fromStdString(path));
  QImageReader reader;
  if (!OpenAsPng(file, reader)) return false;
  const QSize size = reader.size();
  if (points <= 0 || !size.isValid() || size.isEmpty()) return false;
  aboutIconPath_ = QString::fromStdString(path);
  aboutIconPoints_ = points;
  return true;
}

QPixmap QtAlerts::AboutIcon() const {
  if (aboutIconPath_.isEmpty()) return {};
  QFile file(aboutIconPath_);
  QImageReader reader;
  if (!OpenAsPng(file, reader)) return {};
  const QImage image = reader.read();
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return {};
  // QImage keeps alpha unpremultiplied in ARGB32, so drawn edges keep their true colours.
  QImage scaled = image.convertToFormat(QImage::Format_ARGB32)
                      .scaled(kAboutIconPixels, kAboutIconPixels, Qt::IgnoreAspectRatio,
                              Qt::SmoothTransformation);
  scaled.setDevicePixelRatio(static_cast<double>(kAboutIconPixels) / aboutIconPoints_);
  return QPixmap::fromImage(scaled);
}

}  // namespace pigmora::qt
