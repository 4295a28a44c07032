#include "login/login_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

#include "app/unicode_text.h"

namespace pigmora {

namespace {

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool WriteAll(int fd, std::string_view contents) {
  while (!contents.empty()) {
    const ssize_t n = ::write(fd, contents.data(), contents.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    contents.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// A name beside `path`, hidden and without the entry's suffix, so nothing that scans the folder
// takes a half-written file for an entry.
std::string TemporaryNameFor(const std::string& path, unsigned attempt) {
  const std::size_t slash = path.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const auto ticks =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, ".%ld.%u.%llx", static_cast<long>(::getpid()), attempt,
                ticks);
  return path.substr(0, nameStart) + "." + path.substr(nameStart) + suffix;
}

}  // namespace

bool IsWellFormedUtf8(std::string_view text) {
  return ToUtf8(FromUtf8(text)) == text;
}

bool MakeDirectory(const std::string& path, bool parents) {
  if (path.empty()) return false;
  if (IsDirectory(path)) return true;
  if (parents) {
    std::size_t slash = path.find_last_not_of('/');
    slash = slash == std::string::npos ? std::string::npos : path.rfind('/', slash);
    if (slash != std::string::npos && slash > 0 && !MakeDirectory(path.substr(0, slash), true)) {
      return false;
    }
  }
  if (::mkdir(path.c_str(), 0700) == 0) return true;
  // Someone else may have made it meanwhile.
  return errno == EEXIST && IsDirectory(path);
}

bool ReplaceFile(const std::string& path, std::string_view contents) {
  if (path.empty() || path.back() == '/') return false;
  for (unsigned attempt = 0; attempt < 16; ++attempt) {
    const std::string temporary = TemporaryNameFor(path, attempt);
    // O_EXCL with O_CREAT refuses any existing name, a planted symbolic link included.
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return false;
    bool written = WriteAll(fd, contents) && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    // rename replaces the name at `path` itself: a link there is replaced, not followed.
    if (written && ::rename(temporary.c_str(), path.c_str()) == 0) return true;
    ::unlink(temporary.c_str());
    return false;
  }
  return false;
}

}  // namespace pigmora
