#pragma once
// What the user is told on standard error when a desktop portal cannot serve the program: once
// per subject for the whole run, however often the portal fails afterwards.
#include <string>

namespace pigmora::wayland {

enum class NoticeSubject { GlobalShortcuts, UnboundShortcuts, PickColor, DesktopShortcuts };

// Writes "pigmora: <line>" unless a line on this subject was written already.
void TellOnce(NoticeSubject subject, const std::string& line);

}  // namespace pigmora::wayland
