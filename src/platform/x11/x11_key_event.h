#pragma once
// X11/Qt key events in the form the shortcut capture fields read: AppKit-style modifier flags,
// the macOS virtual key code and the character that Shift alone gives.
#include <QKeyEvent>

#include "platform/system_events.h"

namespace pigmora::qt {

// focusedControlId is left at -1; the caller fills it in.
platform::KeyDown TranslateKeyEvent(const QKeyEvent& event);

}  // namespace pigmora::qt
