#include "platform/wayland/wayland_pasteboard.h"

#include <QString>
#include <string>

#include "platform/qt/stderr_line.h"

namespace pigmora::wayland {
namespace {

void SayFallback(const std::string& why) {
  qt::PrintStderrLine(why +
                      "; copied colours go to the clipboard through XWayland, where Wayland "
                      "programs may not see them after a cycle hot key.");
}

}  // namespace

WaylandPasteboard::WaylandPasteboard() {
  std::string failure;
  dataControl_ = DataControlClipboard::Connect(SayFallback, failure);
  if (!dataControl_) SayFallback(failure);
}

void WaylandPasteboard::SetText(const std::u16string& text) {
  const std::string utf8 =
      QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())).toStdString();
  if (dataControl_ && dataControl_->SetText(utf8)) return;
  fallback_.SetText(text);
}

}  // namespace pigmora::wayland
