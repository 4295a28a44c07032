#include "platform/loaded_object_pages.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/auxv.h>
#include <sys/mman.h>
#include <unistd.h>

namespace pigmora::platform {

namespace {

// Bits of a /proc/<pid>/pagemap entry.
constexpr std::uint64_t kPagePresent = std::uint64_t{1} << 63;
// The page is the file's own (or shared), not a private copy made by a write, such as a
// debugger's breakpoint.
constexpr std::uint64_t kFilePage = std::uint64_t{1} << 61;

bool HasTextRelocations(const dl_phdr_info& info) {
  const ElfW(Dyn)* entry = DynamicSection(info);
  for (; entry != nullptr && entry->d_tag != DT_NULL; ++entry) {
    if (entry->d_tag == DT_TEXTREL) return true;
    if (entry->d_tag == DT_FLAGS && (entry->d_un.d_val & DF_TEXTREL) != 0) return true;
  }
  return false;
}

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

}  // namespace

std::uintptr_t PageSize() {
  static const std::uintptr_t size = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  return size;
}

const ElfW(Dyn) * DynamicSection(const dl_phdr_info& info) {
  for (int i = 0; i < info.dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = info.dlpi_phdr[i];
    if (header.p_type == PT_DYNAMIC) {
      return reinterpret_cast<const ElfW(Dyn)*>(info.dlpi_addr + header.p_vaddr);
    }
  }
  return nullptr;
}

bool IsDroppableObject(const dl_phdr_info& info) {
  return !IsKernelVdso(info) && !HasTextRelocations(info);
}

PagemapFile::PagemapFile() : fd_(open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC)) {}

PagemapFile::~PagemapFile() {
  if (fd_ >= 0) close(fd_);
}

std::vector<bool> PagemapFile::ResidentFilePages(std::uintptr_t start, std::size_t pages) const {
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

std::size_t DropPages(std::uintptr_t start, const std::vector<bool>& drop) {
  const std::uintptr_t page = PageSize();
  std::size_t dropped = 0;
  for (std::size_t first = 0; first < drop.size();) {
    if (!drop[first]) {
      ++first;
      continue;
    }
    std::size_t last = first;
    while (last < drop.size() && drop[last]) ++last;
    const std::size_t length = (last - first) * page;
    if (madvise(reinterpret_cast<void*>(start + first * page), length, MADV_DONTNEED) == 0) {
      dropped += length;
    }
    first = last;
  }
  return dropped;
}

}  // namespace pigmora::platform
