#pragma once
// Whether the desktop is KDE Plasma, whose own services serve where a portal would not.
namespace pigmora::kde {

// From XDG_CURRENT_DESKTOP, a colon-separated list of names ("KDE" in Plasma); null or empty
// means unknown, so not KDE.
bool IsKdeDesktop(const char* currentDesktop);

}  // namespace pigmora::kde
