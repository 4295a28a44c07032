#pragma once
// The application's icon: the one its desktop entry names ("pigmora" in the icon theme), else the
// copy compiled into the program. Window title bars and alerts without a picture of their own
// show it.
#include <QIcon>

class QWidget;

namespace pigmora::qt {

QIcon ApplicationIcon();

// Gives one of the program's windows the application's icon for its title bar, taskbar entry and
// window switcher. Set window by window rather than for the whole application: the tray item's
// own window would otherwise carry the icon too, drawn at every size a desktop may ask for and
// kept for the whole run, though no desktop ever shows it.
void SetApplicationIcon(QWidget& window);

}  // namespace pigmora::qt
