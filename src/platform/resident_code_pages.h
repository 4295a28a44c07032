#pragma once
// Which pages of the program's machine code are in its resident set, and giving back the ones
// that came in after an earlier look. The code is that of the program and of every library it has
// loaded: the segments that are never written, so their pages are always the file's own bytes and
// can be dropped from the resident set at any moment, to be read back from the page cache the next
// time they run. The libraries' written segments (relocated tables, data) are never touched.
//
// Linux only (it reads /proc/self/pagemap); where that cannot be read, nothing is given back.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pigmora::platform {

class ResidentCodePages {
 public:
  // The code pages resident now.
  static ResidentCodePages Now();

  // Drops from the resident set every code page that is resident now and was not in `earlier`
  // (code loaded since then counts in full). Returns the number of bytes given back; 0 when
  // either look could not be taken.
  static std::size_t ReleaseSince(const ResidentCodePages& earlier);

 private:
  struct Segment {
    std::uintptr_t start = 0;  // page-aligned
    std::size_t pages = 0;
    std::vector<bool> resident;  // one entry a page; empty when that segment was not looked at
  };

  // The never-written segments of every loaded object, without their residency.
  static std::vector<Segment> CodeSegments();
  const Segment* Find(std::uintptr_t start, std::size_t pages) const;

  bool known_ = false;
  std::vector<Segment> segments_;
};

}  // namespace pigmora::platform
