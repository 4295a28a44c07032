#include "platform/x11/x11_key_repeat.h"

namespace pigmora::qt {

bool HeldKeys::Press(uint8_t keycode, uint32_t time) {
  KeyState& key = keys_[keycode];
  const bool repeated =
      key.down || (!detectableAutoRepeat_ && key.released && key.releaseTime == time);
  key.down = true;
  key.released = false;
  return !repeated;
}

void HeldKeys::Release(uint8_t keycode, uint32_t time) {
  KeyState& key = keys_[keycode];
  key.down = false;
  key.released = true;
  key.releaseTime = time;
}

void HeldKeys::Clear() {
  keys_.clear();
}

}  // namespace pigmora::qt
