#include "platform/qt/qt_application_icon.h"

#include <QString>
#include <QWidget>

namespace pigmora::qt {

QIcon ApplicationIcon() {
  // The theme's icon first, so that an icon theme that restyles the program's icon restyles it
  // here too; a program run from its build folder has no installed icon and uses its own copy.
  return QIcon::fromTheme(QStringLiteral("pigmora"), QIcon(QStringLiteral(":/app/pigmora.svg")));
}

void SetApplicationIcon(QWidget& window) {
  window.setWindowIcon(ApplicationIcon());
}

}  // namespace pigmora::qt
