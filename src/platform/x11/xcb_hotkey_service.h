#pragma once
// System-wide hot keys on X11: passive key grabs on the root window, made on Qt's own XCB
// connection, and a native event filter that turns a grabbed key press into a handler call.
#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "platform/hotkey_service.h"
#include "platform/x11/x11_key_repeat.h"

struct xcb_connection_t;

namespace pigmora::qt {

class XcbHotkeyService final : public platform::HotkeyService, private QAbstractNativeEventFilter {
 public:
  XcbHotkeyService() = default;
  ~XcbHotkeyService() override;
  XcbHotkeyService(const XcbHotkeyService&) = delete;
  XcbHotkeyService& operator=(const XcbHotkeyService&) = delete;

  // Needs a running QGuiApplication on the xcb platform; non-zero when there is no X11
  // connection (another platform plugin, or no display).
  int InstallHandler(std::function<int(std::optional<platform::HotkeyId>)> onPressed) override;
  // Non-zero results: 1 no X11 connection, 2 key code without a key here, 3 the keyboard has no
  // such key, 4 this combination is already one of ours, 5 the server refused a grab (another
  // client holds the combination); in every failure no grab is left behind.
  int Register(uint32_t keyCode, uint32_t modifiers, platform::HotkeyId id,
               platform::HotkeyRef& ref) override;
  // Non-zero for a reference that is not registered.
  int Unregister(platform::HotkeyRef ref) override;

 private:
  struct Grab {
    uint8_t keycode = 0;
    uint16_t modifiers = 0;               // the X modifiers the press must carry
    std::vector<uint16_t> grabbedStates;  // modifiers with every lock variant
    platform::HotkeyId id;
  };

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
  uint8_t KeycodeForKeysym(uint32_t keysym) const;
  // The modifier bits NumLock and CapsLock are on, read from the server's modifier mapping now,
  // since a user may move them at any time.
  void ReadLockMasks(uint16_t& numLockMask, uint16_t& capsLockMask) const;
  void Ungrab(uint8_t keycode, const std::vector<uint16_t>& states);

  xcb_connection_t* connection_ = nullptr;
  uint32_t root_ = 0;
  bool filterInstalled_ = false;
  std::function<int(std::optional<platform::HotkeyId>)> onPressed_;
  std::map<platform::HotkeyRef, Grab> grabs_;
  platform::HotkeyRef nextRef_ = 1;
  HeldKeys heldKeys_;
};

}  // namespace pigmora::qt
