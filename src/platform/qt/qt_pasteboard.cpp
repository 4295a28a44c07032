#include "platform/qt/qt_pasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QString>

namespace pigmora::qt {

void QtPasteboard::SetText(const std::u16string& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return;
  clipboard->setText(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())),
                     QClipboard::Clipboard);
}

}  // namespace pigmora::qt
