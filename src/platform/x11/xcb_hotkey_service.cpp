#include "platform/x11/xcb_hotkey_service.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
// xcb's XKB header names a member `explicit`, a C++ keyword; Qt's own xcb plugin renames it the
// same way.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#define XK_MISCELLANY
#include <X11/extensions/XKB.h>
#include <X11/keysymdef.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdlib>
#include <span>

#include "platform/qt/qt_system_events.h"
#include "platform/x11/x11_key_map.h"

namespace pigmora::qt {

namespace {

// Frees what xcb hands out with malloc.
struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbPtr = std::unique_ptr<T, FreeDeleter>;

// The key codes that carry `keysym` in any column of the keyboard mapping.
std::vector<uint8_t> KeycodesOf(xcb_key_symbols_t* symbols, uint32_t keysym) {
  std::vector<uint8_t> keycodes;
  XcbPtr<xcb_keycode_t> found(xcb_key_symbols_get_keycode(symbols, keysym));
  if (!found) return keycodes;
  for (const xcb_keycode_t* k = found.get(); *k != XCB_NO_SYMBOL; ++k) keycodes.push_back(*k);
  return keycodes;
}

// True for the events that say the keyboard mapping or the modifier mapping changed: the core
// MappingNotify, and XKB's new-keyboard and map notifications (`xkbFirstEvent` 0 when the server
// has no XKB), which Qt's keyboard asks for on its connection and which then stand in for the
// core event.
bool IsKeyboardMappingChange(const xcb_generic_event_t& event, uint8_t xkbFirstEvent) {
  const uint8_t type = event.response_type & 0x7f;
  if (type == XCB_MAPPING_NOTIFY) {
    const auto& mapping = reinterpret_cast<const xcb_mapping_notify_event_t&>(event);
    return mapping.request == XCB_MAPPING_KEYBOARD || mapping.request == XCB_MAPPING_MODIFIER;
  }
  if (xkbFirstEvent == 0 || type != xkbFirstEvent) return false;
  // Every XKB event carries its own kind in the byte after the type.
  const uint8_t xkbType = reinterpret_cast<const uint8_t*>(&event)[1];
  return xkbType == XkbNewKeyboardNotify || xkbType == XkbMapNotify;
}

// The first event code of the XKB extension on this connection, 0 when the server has none.
uint8_t XkbFirstEvent(xcb_connection_t* connection) {
  static constexpr char kName[] = XkbName;
  XcbPtr<xcb_query_extension_reply_t> reply(xcb_query_extension_reply(
      connection, xcb_query_extension(connection, sizeof kName - 1, kName), nullptr));
  return reply && reply->present ? reply->first_event : 0;
}

// Asks the server for XKB's detectable auto-repeat on this connection (Qt asks for it too) and
// tells whether it is on: then a held key sends presses only, and every release is a real one.
bool TurnOnDetectableAutoRepeat(xcb_connection_t* connection) {
  XcbPtr<xcb_xkb_use_extension_reply_t> use(xcb_xkb_use_extension_reply(
      connection, xcb_xkb_use_extension(connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION),
      nullptr));
  if (!use || !use->supported) return false;
  constexpr uint32_t kDetectable = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
  XcbPtr<xcb_xkb_per_client_flags_reply_t> flags(
      xcb_xkb_per_client_flags_reply(connection,
                                     xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD,
                                                              kDetectable, kDetectable, 0, 0, 0),
                                     nullptr));
  return flags && (flags->value & kDetectable) != 0;
}

}  // namespace

XcbHotkeyService::~XcbHotkeyService() {
  // The connection is Qt's and lives as long as the application object.
  if (!QCoreApplication::instance()) return;
  if (filterInstalled_) QCoreApplication::instance()->removeNativeEventFilter(this);
  QObject::disconnect(focusConnection_);
  for (auto& [ref, grab] : grabs_) Release(grab);
}

int XcbHotkeyService::InstallHandler(
    std::function<int(std::optional<platform::HotkeyId>)> onPressed) {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (!app) return 1;
  auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->connection()) return 1;
  xcb_connection_t* connection = x11->connection();
  const xcb_setup_t* setup = xcb_get_setup(connection);
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
  if (!screens.rem) return 1;
  // Qt's windows live on the default screen; Xvfb and ordinary desktops have only that one.
  connection_ = connection;
  root_ = screens.data->root;
  xkbFirstEvent_ = XkbFirstEvent(connection);
  heldKeys_.SetDetectableAutoRepeat(TurnOnDetectableAutoRepeat(connection));
  onPressed_ = std::move(onPressed);
  if (!filterInstalled_) {
    app->installNativeEventFilter(this);
    filterInstalled_ = true;
    // The focus object is nullptr while none of the program's windows has the focus.
    focusConnection_ =
        QObject::connect(app, &QGuiApplication::focusObjectChanged, app, [this](QObject* focus) {
          SetSuspended(focus != nullptr && focus->property(kShortcutFieldProperty).toBool());
        });
  }
  return 0;
}

uint8_t XcbHotkeyService::KeycodeForKeysym(uint32_t keysym) const {
  // Allocated afresh each time: xcb_key_symbols caches the keyboard mapping, which a layout
  // change replaces.
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection_);
  if (!symbols) return 0;
  // xcb lists the unshifted column first, so a key whose own symbol this is wins over one that
  // gives it only with Shift.
  const std::vector<uint8_t> keycodes = KeycodesOf(symbols, keysym);
  xcb_key_symbols_free(symbols);
  return keycodes.empty() ? 0 : keycodes.front();
}

void XcbHotkeyService::ReadLockMasks(uint16_t& numLockMask, uint16_t& capsLockMask) const {
  numLockMask = 0;
  capsLockMask = 0;
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection_);
  if (!symbols) return;
  const std::vector<uint8_t> numLockKeys = KeycodesOf(symbols, XK_Num_Lock);
  const std::vector<uint8_t> capsLockKeys = KeycodesOf(symbols, XK_Caps_Lock);
  xcb_key_symbols_free(symbols);

  XcbPtr<xcb_get_modifier_mapping_reply_t> reply(
      xcb_get_modifier_mapping_reply(connection_, xcb_get_modifier_mapping(connection_), nullptr));
  if (!reply) return;
  const std::span<const uint8_t> mapping(
      xcb_get_modifier_mapping_keycodes(reply.get()),
      static_cast<std::size_t>(xcb_get_modifier_mapping_keycodes_length(reply.get())));
  numLockMask = ModifierMaskOfKeycodes(mapping, reply->keycodes_per_modifier, numLockKeys);
  capsLockMask = ModifierMaskOfKeycodes(mapping, reply->keycodes_per_modifier, capsLockKeys);
}

void XcbHotkeyService::Ungrab(uint8_t keycode, const std::vector<uint16_t>& states) {
  std::vector<xcb_void_cookie_t> cookies;
  for (uint16_t state : states) {
    cookies.push_back(xcb_ungrab_key_checked(connection_, keycode, root_, state));
  }
  // Waiting for the server's answers makes the combination free for others by the time this
  // returns, not just sent on its way.
  for (xcb_void_cookie_t cookie : cookies) {
    XcbPtr<xcb_generic_error_t> error(xcb_request_check(connection_, cookie));
  }
  // A key held down now may come up unseen, once the grab no longer reports it.
  heldKeys_.Clear();
}

bool XcbHotkeyService::HeldByOurs(uint8_t keycode, uint16_t modifiers) const {
  for (const auto& [ref, grab] : grabs_) {
    if (grab.keycode == keycode && grab.modifiers == modifiers) return true;
  }
  return false;
}

bool XcbHotkeyService::Take(Grab& grab) {
  uint16_t numLockMask = 0;
  uint16_t capsLockMask = 0;
  ReadLockMasks(numLockMask, capsLockMask);
  const std::vector<uint16_t> states = LockVariants(grab.modifiers, numLockMask, capsLockMask);

  std::vector<xcb_void_cookie_t> cookies;
  cookies.reserve(states.size());
  for (uint16_t state : states) {
    cookies.push_back(xcb_grab_key_checked(connection_, 1, root_, state, grab.keycode,
                                           XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
  }
  std::vector<uint16_t> granted;
  bool refused = false;
  for (std::size_t i = 0; i < cookies.size(); ++i) {
    // BadAccess here means another client holds this combination.
    XcbPtr<xcb_generic_error_t> error(xcb_request_check(connection_, cookies[i]));
    if (error) {
      refused = true;
    } else {
      granted.push_back(states[i]);
    }
  }
  if (refused) {
    Ungrab(grab.keycode, granted);
    return false;
  }
  grab.grabbedStates = states;
  return true;
}

void XcbHotkeyService::Release(Grab& grab) {
  if (grab.grabbedStates.empty()) return;
  Ungrab(grab.keycode, grab.grabbedStates);
  grab.grabbedStates.clear();
}

int XcbHotkeyService::Register(uint32_t keyCode, uint32_t modifiers, platform::HotkeyId id,
                               platform::HotkeyRef& ref) {
  if (!connection_) return 1;
  Grab grab;
  grab.keysym = KeysymForMacKeyCode(keyCode);
  grab.modifiers = X11ModifiersForCarbon(modifiers);
  grab.id = id;
  if (grab.keysym == 0) return 2;
  grab.keycode = KeycodeForKeysym(grab.keysym);
  if (grab.keycode == 0) return 3;
  // The server lets a client grab its own combination twice; releasing one of the two would
  // then silently take the other one with it.
  if (HeldByOurs(grab.keycode, grab.modifiers)) return 4;
  if (!Take(grab)) return 5;
  // Taken only to learn that no other client holds it; grabbed for good on resuming.
  if (suspended_) Release(grab);
  ref = nextRef_++;
  grabs_[ref] = std::move(grab);
  return 0;
}

int XcbHotkeyService::Unregister(platform::HotkeyRef ref) {
  const auto it = grabs_.find(ref);
  if (it == grabs_.end() || !connection_) return 1;
  Release(it->second);
  grabs_.erase(it);
  return 0;
}

void XcbHotkeyService::Regrab() {
  for (auto& [ref, grab] : grabs_) {
    Release(grab);
    grab.keycode = 0;
  }
  // The records stay as they are; only the keys under them move. One that finds no key, or a key
  // another of ours took first, or one another client holds, waits ungrabbed for the next change.
  for (auto& [ref, grab] : grabs_) {
    const uint8_t keycode = KeycodeForKeysym(grab.keysym);
    if (keycode == 0 || HeldByOurs(keycode, grab.modifiers)) continue;
    grab.keycode = keycode;
    if (!suspended_ && !Take(grab)) grab.keycode = 0;
  }
}

void XcbHotkeyService::SetSuspended(bool suspended) {
  if (suspended == suspended_) return;
  suspended_ = suspended;
  if (suspended_) {
    for (auto& [ref, grab] : grabs_) Release(grab);
  } else {
    // The layout may have changed meanwhile.
    Regrab();
  }
}

bool XcbHotkeyService::HandleKey(bool press, uint8_t keycode, uint16_t state, uint32_t time) {
  for (const auto& [ref, grab] : grabs_) {
    if (grab.keycode != keycode || grab.grabbedStates.empty()) continue;
    if (!press) {
      // Whatever modifiers are still down when the key comes up, it ends the press.
      heldKeys_.Release(keycode, time);
      return true;
    }
    if (grab.modifiers == HotkeyModifiersOfState(state)) {
      if (heldKeys_.Press(keycode, time) && onPressed_) onPressed_(grab.id);
      return true;
    }
  }
  return false;
}

bool XcbHotkeyService::nativeEventFilter(const QByteArray& eventType, void* message,
                                         qintptr* /*result*/) {
  if (eventType != "xcb_generic_event_t" || !message || !connection_) return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if (IsKeyboardMappingChange(*event, xkbFirstEvent_)) {
    // Qt reads the change too, so the event goes on.
    Regrab();
    return false;
  }
  // Bit 7 of the type only says the event came through SendEvent.
  const uint8_t type = event->response_type & 0x7f;
  if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) return false;
  // Key press and release events share one layout.
  const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
  // Keys that reach our own windows through the focus are theirs; a grab reports on the root.
  if (key->event != root_) {
    // Except that the grab is taken with owner events: while one of our windows has the focus,
    // the release of a hot key pressed on the root goes to that window. It still ends the press,
    // or the next real press would pass for auto-repeat and never fire.
    if (type == XCB_KEY_RELEASE) heldKeys_.Release(key->detail, key->time);
    return false;
  }
  return HandleKey(type == XCB_KEY_PRESS, key->detail, key->state, key->time);
}

}  // namespace pigmora::qt
