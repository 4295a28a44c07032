#pragma once
// System-wide hot keys on X11: passive key grabs on the root window, made on Qt's own XCB
// connection, and a native event filter that turns a grabbed key press into a handler call.
#include <QAbstractNativeEventFilter>
#include <QObject>
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
  // One registered hot key. It is held as a keysym and found anew on the keyboard whenever the
  // mapping changes, so that it stays on the key that types its character.
  struct Grab {
    uint32_t keysym = 0;
    uint16_t modifiers = 0;  // the X modifiers the press must carry
    platform::HotkeyId id;
    uint8_t keycode = 0;                  // the key that types keysym now; 0 when none does
    std::vector<uint16_t> grabbedStates;  // modifiers with every lock variant; empty: not grabbed
  };

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
  // A key press or release that reached the root window; true when it was one of our keys.
  bool HandleKey(bool press, uint8_t keycode, uint16_t state, uint32_t time);
  uint8_t KeycodeForKeysym(uint32_t keysym) const;
  // The modifier bits NumLock and CapsLock are on, read from the server's modifier mapping now,
  // since a user may move them at any time.
  void ReadLockMasks(uint16_t& numLockMask, uint16_t& capsLockMask) const;
  // True when another registered hot key is on this key with these modifiers.
  bool HeldByOurs(uint8_t keycode, uint16_t modifiers) const;
  // Grabs the grab's key under every lock variant; false, with nothing left grabbed, when the
  // server refuses (another client holds the combination).
  bool Take(Grab& grab);
  void Release(Grab& grab);
  void Ungrab(uint8_t keycode, const std::vector<uint16_t>& states);
  // Puts every registered hot key on the keys that type it now (grabbed unless suspended).
  void Regrab();
  // While a shortcut field has the keyboard focus no key is grabbed: the field must receive the
  // combinations that are hot keys. Registrations go on meanwhile, and resuming grabs exactly
  // what is registered then.
  void SetSuspended(bool suspended);

  xcb_connection_t* connection_ = nullptr;
  uint32_t root_ = 0;
  uint8_t xkbFirstEvent_ = 0;  // 0: the server has no XKB
  bool filterInstalled_ = false;
  bool suspended_ = false;
  QMetaObject::Connection focusConnection_;
  std::function<int(std::optional<platform::HotkeyId>)> onPressed_;
  std::map<platform::HotkeyRef, Grab> grabs_;
  platform::HotkeyRef nextRef_ = 1;
  HeldKeys heldKeys_;
};

}  // namespace pigmora::qt
