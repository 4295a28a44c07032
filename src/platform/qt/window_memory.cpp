#include "platform/qt/window_memory.h"

#include <malloc.h>

#include <optional>

#include "platform/relocation_records.h"
#include "platform/resident_code_pages.h"

namespace pigmora::qt {

namespace {

std::optional<platform::ResidentCodePages>& WindowlessCodePages() {
  static std::optional<platform::ResidentCodePages> pages;
  return pages;
}

}  // namespace

void GiveBackStartUpMemory() {
  platform::ReleaseRelocationRecords();
  malloc_trim(0);
}

void NoteWindowOpening() {
  auto& pages = WindowlessCodePages();
  if (!pages) pages = platform::ResidentCodePages::Now();
}

void GiveBackWindowMemory() {
  malloc_trim(0);
  if (const auto& pages = WindowlessCodePages()) platform::ResidentCodePages::ReleaseSince(*pages);
}

}  // namespace pigmora::qt
