#pragma once
// Whether the page holding an address is in the process's resident set, read straight from the
// kernel, for the tests of giving pages back.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>

namespace pigmora::platform {

inline bool IsResident(const void* address) {
  const int fd = open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::uint64_t entry = 0;
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto offset =
      static_cast<off_t>(reinterpret_cast<std::uintptr_t>(address) / page * sizeof(entry));
  const bool read = pread(fd, &entry, sizeof(entry), offset) == sizeof(entry);
  close(fd);
  return read && (entry >> 63) != 0;
}

}  // namespace pigmora::platform
