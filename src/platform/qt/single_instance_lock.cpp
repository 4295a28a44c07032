#include "platform/qt/single_instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
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
  // Read from the kernel's table of locks rather than by trying the lock: a try would hold it
  // for an instant, long enough to keep out a Pigmora that is starting just then.
  struct stat file {};
  if (stat(InstanceLockPath().c_str(), &file) != 0) return false;
  // Only the inode number is compared: the device the table names is the file system's, which
  // is not always the one stat reports (btrfs subvolumes).
  const std::string inode = ":" + std::to_string(file.st_ino);
  // Lines such as "1: FLOCK  ADVISORY  WRITE 4711 00:2a:1234 0 EOF"; "->" marks a waiter.
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    std::istringstream fields(line);
    std::string number, kind, mode, access, pid, where;
    fields >> number >> kind;
    if (kind == "->") continue;
    fields >> mode >> access >> pid >> where;
    if (kind == "FLOCK" && access == "WRITE" && where.ends_with(inode)) return true;
  }
  return false;
}

}  // namespace pigmora::qt
