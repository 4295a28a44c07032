#include "platform/resident_code_pages.h"

#include <link.h>

#include "platform/loaded_object_pages.h"

namespace pigmora::platform {

std::vector<ResidentCodePages::Segment> ResidentCodePages::CodeSegments() {
  std::vector<Segment> segments;
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) {
        auto& found = *static_cast<std::vector<Segment>*>(data);
        if (!IsDroppableObject(*info)) return 0;
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
  std::size_t released = 0;
  for (const Segment& segment : now.segments_) {
    if (segment.resident.empty()) continue;
    const Segment* before = earlier.Find(segment.start, segment.pages);
    // Present then but not readable: what came in since is unknown, so nothing goes.
    if (before != nullptr && before->resident.empty()) continue;
    std::vector<bool> cameIn(segment.pages);
    for (std::size_t i = 0; i < segment.pages; ++i) {
      cameIn[i] = segment.resident[i] && (before == nullptr || !before->resident[i]);
    }
    released += DropPages(segment.start, cameIn);
  }
  return released;
}

}  // namespace pigmora::platform
