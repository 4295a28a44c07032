#pragma once
// The entry that makes the desktop start the program when the user logs in.
#include <string>

namespace pigmora::platform {

class StartAtLogin {
 public:
  virtual ~StartAtLogin() = default;
  // Writes (or replaces) the entry for the program at `applicationPath` and activates it. false
  // when no entry could be written; then nothing was started.
  virtual bool Install(const std::string& applicationPath) = 0;
  // Deactivates and deletes the entry; nothing when there is none.
  virtual void Remove() = 0;
};

}  // namespace pigmora::platform
