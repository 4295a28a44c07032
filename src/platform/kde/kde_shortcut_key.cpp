#include "platform/kde/kde_shortcut_key.h"

#include <QKeyCombination>
#include <QKeySequence>

#include "platform/hotkey_service.h"
#include "platform/x11/x11_key_map.h"
#include "platform/x11/x_key_translation.h"

namespace pigmora::kde {

namespace {

// The Qt key of an unshifted keysym: the inverse of the key translation's own table, so that both
// directions agree on every key.
int QtKeyOfKeysym(uint32_t keysym) {
  if (keysym >= 'a' && keysym <= 'z') return Qt::Key_A + static_cast<int>(keysym - 'a');
  for (int key = Qt::Key_Space; key <= Qt::Key_ydiaeresis; ++key) {
    if (qt::KeysymOfQtKey(key, Qt::NoModifier) == keysym) return key;
  }
  for (int key = Qt::Key_Escape; key <= Qt::Key_F35; ++key) {
    if (qt::KeysymOfQtKey(key, Qt::NoModifier) == keysym) return key;
  }
  return 0;
}

}  // namespace

int KdeShortcutKey(uint32_t macKeyCode, uint32_t carbonModifiers) {
  const int key = QtKeyOfKeysym(qt::KeysymForMacKeyCode(macKeyCode));
  if (key == 0) return 0;
  Qt::KeyboardModifiers modifiers;
  if (carbonModifiers & platform::kHotkeyControl) modifiers |= Qt::ControlModifier;
  if (carbonModifiers & platform::kHotkeyOption) modifiers |= Qt::AltModifier;
  if (carbonModifiers & platform::kHotkeyShift) modifiers |= Qt::ShiftModifier;
  if (carbonModifiers & platform::kHotkeyCommand) modifiers |= Qt::MetaModifier;
  return QKeyCombination(modifiers, static_cast<Qt::Key>(key)).toCombined();
}

QString KdeShortcutText(int key) {
  const QKeyCombination combination = QKeyCombination::fromCombined(key);
  const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
  // The fields' order and words: Qt orders the modifiers otherwise and calls Super "Meta".
  QString text;
  if (modifiers & Qt::ControlModifier) text += QStringLiteral("Ctrl+");
  if (modifiers & Qt::AltModifier) text += QStringLiteral("Alt+");
  if (modifiers & Qt::ShiftModifier) text += QStringLiteral("Shift+");
  if (modifiers & Qt::MetaModifier) text += QStringLiteral("Super+");
  return text + QKeySequence(combination.key()).toString(QKeySequence::PortableText);
}

}  // namespace pigmora::kde
