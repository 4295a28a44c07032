#pragma once
// The desktop's short alert sound: the X bell.
#include "platform/sound.h"

namespace pigmora::qt {

class QtSound final : public platform::Sound {
 public:
  // Asks the X server to ring its bell and returns at once; the desktop decides what is heard
  // (nothing at all without audio or with the bell turned off).
  void PlayCycleSound() override;
};

}  // namespace pigmora::qt
