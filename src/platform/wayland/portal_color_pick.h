#pragma once
// The colour dialog's screen eyedropper in a Wayland session. There the X root window that Qt's
// own "Pick Screen Color" reads holds none of the Wayland windows, so the button asks the
// desktop's org.freedesktop.portal.Screenshot.PickColor instead, which lets the user pick from
// anywhere on the screen.
#include <QDBusConnection>

class QColorDialog;

namespace pigmora::wayland {

// An 8-bit channel from a portal colour component (0 to 1): the nearest of the 256 steps, so
// that a component the desktop computed as c / 255 gives c back whatever the rounding of its
// division and of ours; out-of-range and NaN components are clamped.
int ChannelFromPortal(double component);

// Rewires the dialog's "Pick Screen Color" button to the portal. The picked colour becomes the
// dialog's current colour; a cancelled pick, a portal error or no portal at all leave the dialog
// as it was (the last two are told once on standard error). The dialog stays usable meanwhile.
void PickScreenColorThroughPortal(QColorDialog& dialog, const QDBusConnection& bus);

}  // namespace pigmora::wayland
