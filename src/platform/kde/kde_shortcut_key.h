#pragma once
// Keys as KDE's shortcut service (kglobalaccel) speaks them: a Qt key combined with Qt's modifier
// flags in one int, as every KDE application registers its global shortcuts.
#include <QString>
#include <cstdint>

namespace pigmora::kde {

// The combination for a stored hot key (macOS virtual key code, Carbon modifiers): Ctrl+Alt+P is
// Qt::CTRL | Qt::ALT | Qt::Key_P, Command is Meta (the Super key). 0 for a key Qt cannot name.
int KdeShortcutKey(uint32_t macKeyCode, uint32_t carbonModifiers);

// A combination in the words the shortcut fields use: "Ctrl+Alt+K", "Shift+Super+F5".
QString KdeShortcutText(int key);

}  // namespace pigmora::kde
