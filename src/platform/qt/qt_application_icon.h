#pragma once
// The application's icon: the one its desktop entry names ("pigmora" in the icon theme), else the
// copy compiled into the program. Window title bars and alerts without a picture of their own
// show it.
#include <QIcon>

namespace pigmora::qt {

QIcon ApplicationIcon();

}  // namespace pigmora::qt
