#include "platform/qt/qt_color_panel.h"

#include <QApplication>
#include <QColor>
#include <QColorDialog>
#include <QPointer>
#include <QWidget>

#include "platform/qt/freed_heap.h"
#include "platform/qt/qt_application_icon.h"

namespace pigmora::qt {

namespace {

// QColor keeps 16 bits a channel. Going through those integers in double precision (rather than
// QColor's float accessors) makes every 8-bit value c come back as exactly c / 255.0, which the
// pick turns back into c.
quint16 ToChannel16(double component) {
  if (!(component > 0.0)) return 0;  // also NaN
  if (component >= 1.0) return 65535;
  return static_cast<quint16>(component * 65535.0 + 0.5);
}

double FromChannel16(quint16 channel) {
  return channel / 65535.0;
}

}  // namespace

platform::ColorPanelResult QtColorPanel::RunModal(const platform::RgbComponents& initial) {
  QPointer<QWidget> previous = QApplication::activeWindow();
  const platform::ColorPanelResult result = RunDialog(initial);
  if (previous) previous->activateWindow();
  ReturnFreedHeap();
  return result;
}

platform::ColorPanelResult QtColorPanel::RunDialog(const platform::RgbComponents& initial) {
  QColorDialog dialog;
  dialog.setOptions(QColorDialog::DontUseNativeDialog);
  SetApplicationIcon(dialog);
  dialog.setCurrentColor(QColor::fromRgba64(ToChannel16(initial.red), ToChannel16(initial.green),
                                            ToChannel16(initial.blue)));
  // The panel is usually summoned by a hot key while another program is in front; it has to come
  // up where the user can see it and take the keyboard.
  dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  if (prepareDialog_) prepareDialog_(dialog);
  // Modal before it is shown: exec() cannot make an already visible window modal.
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.show();
  dialog.raise();
  dialog.activateWindow();
  const int code = dialog.exec();

  platform::ColorPanelResult result;
  if (code == QDialog::Accepted) {
    result.confirmed = true;
    const QColor chosen = dialog.currentColor().toRgb();
    if (chosen.isValid()) {
      const QRgba64 rgb = chosen.rgba64();
      result.color = platform::RgbComponents{FromChannel16(rgb.red()), FromChannel16(rgb.green()),
                                             FromChannel16(rgb.blue())};
    }
  }
  dialog.hide();
  return result;
}

}  // namespace pigmora::qt
