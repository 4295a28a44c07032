#pragma once
// Tells a key's first press from the presses the X server's auto-repeat makes while it is held.
// A hot key acts once per press. Auto-repeat reaches a key grab in one of two forms: a press
// after press with no release between (XKB's detectable auto-repeat, which a client may have
// asked for), or a release and a press with the same time stamp (the core protocol's form).
// Both are read here, from the grab's own events, so nothing depends on what Qt asked the
// server for on the shared connection.
#include <cstdint>
#include <map>

namespace pigmora::qt {

class HeldKeys {
 public:
  // True for a new press of the key, false for an auto-repeated one.
  bool Press(uint8_t keycode, uint32_t time);
  void Release(uint8_t keycode, uint32_t time);
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
};

}  // namespace pigmora::qt
