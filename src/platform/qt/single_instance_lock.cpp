#include "platform/qt/single_instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/qt/qt_paths.h"

namespace pigmora::qt {

std::string InstanceLockPath() {
  std::string folder;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/' && std::filesystem::is_directory(runtime)) {
    folder = runtime;
  } else {
    folder = ConfigFolder();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
  }
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder + PIGMORA_APP_IDENTIFIER ".lock";
}

InstanceLock LockSingleInstance() {
  // Close-on-exec: a browser started from the About box must not keep the lock alive.
  const int fd = open(InstanceLockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return InstanceLock::Unavailable;
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) return InstanceLock::Acquired;  // fd stays open
  const int error = errno;
  close(fd);
  return error == EWOULDBLOCK ? InstanceLock::HeldElsewhere : InstanceLock::Unavailable;
}

bool InstanceLockHeld() {
  const int fd = open(InstanceLockPath().c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  // A shared lock is refused only while the program holds its exclusive one; taken, it is
  // given back at once, so a Pigmora starting meanwhile is kept out for no more than that.
  const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(fd);
  return held;
}

}  // namespace pigmora::qt
