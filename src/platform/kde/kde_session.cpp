#include "platform/kde/kde_session.h"

#include <QByteArray>
#include <QList>

namespace pigmora::kde {

bool IsKdeDesktop(const char* currentDesktop) {
  if (currentDesktop == nullptr) return false;
  const QList<QByteArray> names = QByteArray(currentDesktop).split(':');
  for (const QByteArray& name : names) {
    if (name.compare("KDE", Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

}  // namespace pigmora::kde
