#pragma once
// Tells a key's first press from the presses the X server's auto-repeat makes while it is held.
// A hot key acts once per press. Auto-repeat reaches a key grab in one of two forms: a press
// after press with no release between (XKB's detectable auto-repeat, which a client may have
// asked for), or a release and a press with the same time stamp (the core protocol's form).
// Where the server confirms detectable auto-repeat, a release is always a real one, and the time
// stamps are not read: a program that types the same key twice within one millisecond (xdotool
// at full speed) made two presses.
#include <cstdint>
#include <map>

namespace pigmora::qt {

class HeldKeys {
 public:
  // True for a new press of the key, false for an auto-repeated one.
  bool Press(uint8_t keycode, uint32_t time);
  void Release(uint8_t keycode, uint32_t time);
  // On once the server has confirmed detectable auto-repeat for the connection the grabs use.
  void SetDetectableAutoRepeat(bool on) { detectableAutoRepeat_ = on; }
  // Forgets every key: a grab that was taken away may have missed the release of a held key,
  // which must not swallow its next real press.
  void Clear();

 private:
  struct KeyState {
    bool down = false;
    bool released = false;
    uint32_t releaseTime = 0;
  };
  std::map<uint8_t, KeyState> keys_;
  bool detectableAutoRepeat_ = false;
};

}  // namespace pigmora::qt
