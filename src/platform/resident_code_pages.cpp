#include "platform/resident_code_pages.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/auxv.h>
#include <sys/mman.h>
#include <unistd.h>

namespace pigmora::platform {

namespace {

// Bits of a /proc/<pid>/pagemap entry.
constexpr std::uint64_t kPagePresent = std::uint64_t{1} << 63;
// The page is the file's own (or shared), not a private copy made by a write, such as a
// debugger's breakpoint: only such pages can be dropped without losing anything.
constexpr std::uint64_t kFilePage = std::uint64_t{1} << 61;

std::uintptr_t PageSize() {
  static const std::uintptr_t size = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  return size;
}

// An object with text relocations has its code written by the loader: its pages are no longer
// the file's, so it is left alone.
bool HasTextRelocations(const dl_phdr_info& info) {
  for (int i = 0; i < info.dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = info.dlpi_phdr[i];
    if (header.p_type != PT_DYNAMIC) continue;
    const auto* entry = reinterpret_cast<const ElfW(Dyn)*>(info.dlpi_addr + header.p_vaddr);
    for (; entry->d_tag != DT_NULL; ++entry) {
      if (entry->d_tag == DT_TEXTREL) return true;
      if (entry->d_tag == DT_FLAGS && (entry->d_un.d_val & DF_TEXTREL) != 0) return true;
    }
  }
  return false;
}

// The kernel's own code page for system calls (the vDSO) is not a file mapping.
bool IsKernelVdso(const dl_phdr_info& info) {
  const std::uintptr_t vdso = getauxval(AT_SYSINFO_EHDR);
  if (vdso == 0) return false;
  for (int i = 0; i < info.dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = info.dlpi_phdr[i];
    if (header.p_type != PT_LOAD) continue;
    const std::uintptr_t start = info.dlpi_addr + header.p_vaddr;
    if (vdso >= start && vdso < start + header.p_memsz) return true;
  }
  return false;
}

class PagemapFile {
 public:
  PagemapFile() : fd_(open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC)) {}
  ~PagemapFile() {
    if (fd_ >= 0) close(fd_);
  }
  PagemapFile(const PagemapFile&) = delete;
  PagemapFile& operator=(const PagemapFile&) = delete;

  bool IsOpen() const { return fd_ >= 0; }

  // One flag a page from `start` on: resident and still the file's own. Empty when unreadable.
  std::vector<bool> ResidentFilePages(std::uintptr_t start, std::size_t pages) const {
    std::vector<std::uint64_t> entries(pages);
    const std::size_t bytes = pages * sizeof(std::uint64_t);
    const auto offset = static_cast<off_t>(start / PageSize() * sizeof(std::uint64_t));
    std::size_t done = 0;
    while (done < bytes) {
      const ssize_t got = pread(fd_, reinterpret_cast<char*>(entries.data()) + done, bytes - done,
                                offset + static_cast<off_t>(done));
      if (got <= 0) return {};
      done += static_cast<std::size_t>(got);
    }
    std::vector<bool> resident(pages);
    for (std::size_t i = 0; i < pages; ++i) {
      resident[i] = (entries[i] & kPagePresent) != 0 && (entries[i] & kFilePage) != 0;
    }
    return resident;
  }

 private:
  int fd_;
};

}  // namespace

std::vector<ResidentCodePages::Segment> ResidentCodePages::CodeSegments() {
  std::vector<Segment> segments;
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) {
        auto& found = *static_cast<std::vector<Segment>*>(data);
        if (IsKernelVdso(*info) || HasTextRelocations(*info)) return 0;
        const std::uintptr_t page = PageSize();
        for (int i = 0; i < info->dlpi_phnum; ++i) {
          const ElfW(Phdr)& header = info->dlpi_phdr[i];
          // Segments the loader may write (data, and the tables it relocates before making them
          // read-only) hold private copies: never these.
          if (header.p_type != PT_LOAD || (header.p_flags & PF_W) != 0 || header.p_memsz == 0) {
            continue;
          }
          const std::uintptr_t begin = (info->dlpi_addr + header.p_vaddr) & ~(page - 1);
          const std::uintptr_t end =
              (info->dlpi_addr + header.p_vaddr + header.p_memsz + page - 1) & ~(page - 1);
          found.push_back({begin, (end - begin) / page, {}});
        }
        return 0;
      },
      &segments);
  return segments;
}

ResidentCodePages ResidentCodePages::Now() {
  ResidentCodePages look;
  const PagemapFile pagemap;
  if (!pagemap.IsOpen()) return look;
  look.segments_ = CodeSegments();
  for (Segment& segment : look.segments_) {
    segment.resident = pagemap.ResidentFilePages(segment.start, segment.pages);
  }
  look.known_ = true;
  return look;
}

const ResidentCodePages::Segment* ResidentCodePages::Find(std::uintptr_t start,
                                                          std::size_t pages) const {
  for (const Segment& segment : segments_) {
    if (segment.start == start && segment.pages == pages) return &segment;
  }
  return nullptr;
}

std::size_t ResidentCodePages::ReleaseSince(const ResidentCodePages& earlier) {
  if (!earlier.known_) return 0;
  const ResidentCodePages now = Now();
  if (!now.known_) return 0;
  const std::uintptr_t page = PageSize();
  std::size_t released = 0;
  for (const Segment& segment : now.segments_) {
    if (segment.resident.empty()) continue;
    const Segment* before = earlier.Find(segment.start, segment.pages);
    // Present then but not readable: what came in since is unknown, so nothing goes.
    if (before != nullptr && before->resident.empty()) continue;
    auto cameIn = [&](std::size_t i) {
      return segment.resident[i] && (before == nullptr || !before->resident[i]);
    };
    for (std::size_t first = 0; first < segment.pages;) {
      if (!cameIn(first)) {
        ++first;
        continue;
      }
      std::size_t last = first;
      while (last < segment.pages && cameIn(last)) ++last;
      const std::size_t length = (last - first) * page;
      if (madvise(reinterpret_cast<void*>(segment.start + first * page), length, MADV_DONTNEED) ==
          0) {
        released += length;
      }
      first = last;
    }
  }
  return released;
}

}  // namespace pigmora::platform
