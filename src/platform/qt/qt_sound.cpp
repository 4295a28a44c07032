#include "platform/qt/qt_sound.h"

#include <QApplication>

namespace pigmora::qt {

void QtSound::PlayCycleSound() {
  QApplication::beep();
}

}  // namespace pigmora::qt
