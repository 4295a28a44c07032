#include "platform/relocation_records.h"

#include <elf.h>
#include <link.h>

#include <cstdint>
#include <vector>

#include "platform/loaded_object_pages.h"

namespace pigmora::platform {

namespace {

struct AddressRange {
  std::uintptr_t begin = 0;
  std::uintptr_t end = 0;
};

// Where a table the dynamic section points at lies in memory. The loader rewrites some of these
// entries to run-time addresses and leaves others as offsets from the load address; either way,
// the table must lie inside one of the object's read-only segments, or it is not used.
AddressRange TableInReadOnlySegment(const dl_phdr_info& info, std::uintptr_t pointer,
                                    std::size_t size) {
  for (const std::uintptr_t begin : {pointer, info.dlpi_addr + pointer}) {
    for (int i = 0; i < info.dlpi_phnum; ++i) {
      const ElfW(Phdr)& header = info.dlpi_phdr[i];
      if (header.p_type != PT_LOAD || (header.p_flags & PF_W) != 0) continue;
      const std::uintptr_t segment = info.dlpi_addr + header.p_vaddr;
      if (begin >= segment && begin + size <= segment + header.p_memsz) {
        return {begin, begin + size};
      }
    }
  }
  return {};
}

// Drops the pages lying wholly inside `range` and outside `keep` (the first and last page of a
// table usually hold the end or the start of the next one); returns the bytes given back.
std::size_t DropWholePages(const PagemapFile& pagemap, AddressRange range, AddressRange keep) {
  const std::uintptr_t page = PageSize();
  const std::uintptr_t first = (range.begin + page - 1) & ~(page - 1);
  const std::uintptr_t last = range.end & ~(page - 1);
  if (last <= first) return 0;
  const std::size_t pages = (last - first) / page;
  std::vector<bool> drop = pagemap.ResidentFilePages(first, pages);
  if (drop.empty()) return 0;
  for (std::size_t i = 0; i < pages; ++i) {
    const std::uintptr_t start = first + i * page;
    if (start < keep.end && start + page > keep.begin) drop[i] = false;
  }
  return DropPages(first, drop);
}

std::size_t ReleaseObjectRecords(const PagemapFile& pagemap, const dl_phdr_info& info) {
  if (!IsDroppableObject(info)) return 0;
  std::uintptr_t relocations = 0;
  std::size_t relocationsSize = 0;
  std::uintptr_t functionRelocations = 0;
  std::size_t functionRelocationsSize = 0;
  bool boundAtLoad = false;
  const ElfW(Dyn)* entry = DynamicSection(info);
  for (; entry != nullptr && entry->d_tag != DT_NULL; ++entry) {
    switch (entry->d_tag) {
      case DT_RELA:
        relocations = entry->d_un.d_ptr;
        break;
      case DT_RELASZ:
        relocationsSize = entry->d_un.d_val;
        break;
      case DT_JMPREL:
        functionRelocations = entry->d_un.d_ptr;
        break;
      case DT_PLTRELSZ:
        functionRelocationsSize = entry->d_un.d_val;
        break;
      case DT_BIND_NOW:
        boundAtLoad = true;
        break;
      case DT_FLAGS:
        boundAtLoad = boundAtLoad || (entry->d_un.d_val & DF_BIND_NOW) != 0;
        break;
      case DT_FLAGS_1:
        boundAtLoad = boundAtLoad || (entry->d_un.d_val & DF_1_NOW) != 0;
        break;
      default:
        break;
    }
  }
  const AddressRange functions =
      functionRelocationsSize == 0
          ? AddressRange{}
          : TableInReadOnlySegment(info, functionRelocations, functionRelocationsSize);
  std::size_t dropped = 0;
  // A lazily bound object reads its function records on each function's first call: those stay,
  // also where a linker counted them in with the others (the loader accepts both layouts).
  if (relocationsSize != 0) {
    dropped += DropWholePages(pagemap, TableInReadOnlySegment(info, relocations, relocationsSize),
                              boundAtLoad ? AddressRange{} : functions);
  }
  if (boundAtLoad) dropped += DropWholePages(pagemap, functions, {});
  return dropped;
}

struct Search {
  const PagemapFile* pagemap = nullptr;
  std::size_t dropped = 0;
};

}  // namespace

std::size_t ReleaseRelocationRecords() {
  const PagemapFile pagemap;
  if (!pagemap.IsOpen()) return 0;
  Search search{&pagemap, 0};
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) {
        auto& search = *static_cast<Search*>(data);
        search.dropped += ReleaseObjectRecords(*search.pagemap, *info);
        return 0;
      },
      &search);
  return search.dropped;
}

}  // namespace pigmora::platform
