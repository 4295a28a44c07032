#pragma once
// The Wayland selection set through the compositor's data-control protocol: it needs no focused
// surface and no recent input, so text copied by a hot key with no Pigmora window in front
// reaches every Wayland program. ext-data-control-v1 where the compositor offers it, else
// zwlr_data_control_manager_v1 (sway and other wlroots compositors, KWin).
#include <functional>
#include <memory>
#include <string>

namespace pigmora::wayland {

class DataControlClipboard {
 public:
  // Told once, with the reason, when the compositor connection breaks or the device ends.
  using LostHandler = std::function<void(const std::string& why)>;

  // Connects to the compositor named by WAYLAND_DISPLAY on a connection of its own (Qt's windows
  // may be on another one, or on XWayland). Null, with the reason in `failure`, when there is
  // no compositor or it offers neither protocol.
  static std::unique_ptr<DataControlClipboard> Connect(LostHandler onLost, std::string& failure);

  virtual ~DataControlClipboard() = default;

  // Makes this UTF-8 text the selection, offered as every usual text type, and serves it to each
  // reader until another client takes the selection. False once the connection is lost.
  virtual bool SetText(const std::string& utf8) = 0;
};

}  // namespace pigmora::wayland
