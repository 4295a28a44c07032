#pragma once
// What giving back pages of the program's loaded objects (the program itself and its shared
// libraries) rests on: which objects are safe to touch, and which of their pages are resident and
// still the file's own bytes. Such a page can be dropped from the resident set at any moment: the
// next read brings it back from the page cache. A page the process wrote to (a private copy) is
// never dropped, since that would lose the write.
//
// Linux only: residency is read from /proc/self/pagemap; where that cannot be read, nothing is
// dropped.
#include <link.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pigmora::platform {

std::uintptr_t PageSize();

// The first entry of the object's dynamic section (ended by DT_NULL); null when it has none.
const ElfW(Dyn) * DynamicSection(const dl_phdr_info& info);

// False for the kernel's system-call page (the vDSO, which is no file) and for an object with
// text relocations (its read-only pages were written by the loader, so they are not the file's).
bool IsDroppableObject(const dl_phdr_info& info);

class PagemapFile {
 public:
  PagemapFile();
  ~PagemapFile();
  PagemapFile(const PagemapFile&) = delete;
  PagemapFile& operator=(const PagemapFile&) = delete;

  bool IsOpen() const { return fd_ >= 0; }

  // One flag a page from the page-aligned `start` on: resident and still the file's own. Empty
  // when unreadable.
  std::vector<bool> ResidentFilePages(std::uintptr_t start, std::size_t pages) const;

 private:
  int fd_;
};

// Drops every page from `start` on whose flag is set, in runs of adjacent pages. Returns the bytes
// given back.
std::size_t DropPages(std::uintptr_t start, const std::vector<bool>& drop);

}  // namespace pigmora::platform
