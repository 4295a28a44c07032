#include "platform/x11/x11_key_event.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>
#include <memory>

#include "platform/x11/x_key_translation.h"

namespace pigmora::qt {
namespace {

// What the pressed key gives without modifier and with Shift in the current group, read from
// the server's keyboard mapping. The keysym of the event itself has every modifier applied
// already (Shift, Caps Lock, Num Lock), so it cannot tell the unshifted key on its own. The
// mapping is asked for afresh at each press so that a layout switched meanwhile is honoured;
// presses are rare enough for one round trip each.
KeyLevels LevelsFromServer(const QKeyEvent& event) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (x11 == nullptr || x11->connection() == nullptr) return {};
  const quint32 keycode = event.nativeScanCode();
  if (keycode < 8 || keycode > 255) return {};
  xcb_connection_t* connection = x11->connection();
  xcb_get_keyboard_mapping_cookie_t cookie =
      xcb_get_keyboard_mapping(connection, static_cast<xcb_keycode_t>(keycode), 1);
  std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> reply(
      xcb_get_keyboard_mapping_reply(connection, cookie, nullptr), &std::free);
  if (!reply) return {};
  const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(reply.get());
  const int count = xcb_get_keyboard_mapping_keysyms_length(reply.get());
  const int perKeycode = reply->keysyms_per_keycode;
  if (keysyms == nullptr || perKeycode <= 0 || count < perKeycode) return {};
  // The group sits in bits 13 and 14 of an XKB-aware client's state.
  const int group = static_cast<int>((event.nativeModifiers() >> 13) & 3);
  return LevelsOfKeyboardRow(std::span<const uint32_t>(keysyms, perKeycode), group);
}

}  // namespace

platform::KeyDown TranslateKeyEvent(const QKeyEvent& event) {
  uint32_t keysym = event.nativeVirtualKey();
  if (keysym == 0) keysym = KeysymOfQtKey(event.key(), event.modifiers());
  return TranslateKey(keysym, LevelsFromServer(event), event.modifiers());
}

}  // namespace pigmora::qt
