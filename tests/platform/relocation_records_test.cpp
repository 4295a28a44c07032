// Giving back relocation records: the pages that hold only records applied at load time leave the
// resident set, a lazily bound library's function records stay, a page somebody wrote to stays
// with what was written, and the libraries run on.
#include "platform/relocation_records.h"

#include <dlfcn.h>
#include <elf.h>
#include <gtest/gtest.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "page_residency.h"

namespace pigmora::platform {
namespace {

using Sum = int (*)();
constexpr int kSumOfNumbers = 130816;

const std::uintptr_t kPage = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));

bool IsResidentAt(std::uintptr_t address) {
  return IsResident(reinterpret_cast<const void*>(address));
}

// The addresses of the pages lying wholly inside a section of a loaded library, found from the
// library file's section headers (not from what the loader reads).
std::vector<std::uintptr_t> WholePagesOfSection(const char* path, std::uintptr_t loadAddress,
                                                const std::string& name) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
  ElfW(Ehdr) header;
  std::memcpy(&header, bytes.data(), sizeof(header));
  const auto section = [&](int index) {
    ElfW(Shdr) entry;
    std::memcpy(&entry, bytes.data() + header.e_shoff + index * header.e_shentsize, sizeof(entry));
    return entry;
  };
  const ElfW(Shdr) names = section(header.e_shstrndx);
  std::vector<std::uintptr_t> pages;
  for (int i = 0; i < header.e_shnum; ++i) {
    const ElfW(Shdr) entry = section(i);
    if (name != bytes.data() + names.sh_offset + entry.sh_name) continue;
    const std::uintptr_t begin = loadAddress + entry.sh_addr;
    for (std::uintptr_t page = (begin + kPage - 1) & ~(kPage - 1);
         page + kPage <= begin + entry.sh_size; page += kPage) {
      pages.push_back(page);
    }
  }
  return pages;
}

class Fixture {
 public:
  explicit Fixture(const char* path) : path_(path), handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
  ~Fixture() {
    if (handle_) dlclose(handle_);
  }
  Fixture(const Fixture&) = delete;
  Fixture& operator=(const Fixture&) = delete;

  bool Loaded() const { return handle_ != nullptr; }
  int SumThroughTable() const {
    return reinterpret_cast<Sum>(dlsym(handle_, "pigmora_sum_through_table"))();
  }
  int SumThroughCalls() const {
    return reinterpret_cast<Sum>(dlsym(handle_, "pigmora_sum_through_calls"))();
  }
  std::uintptr_t Code() const {
    return reinterpret_cast<std::uintptr_t>(dlsym(handle_, "pigmora_sum_through_table"));
  }

  // Pages of the records applied at load time, and of the function records.
  std::vector<std::uintptr_t> LoadRecordPages() const { return Pages(".rela.dyn"); }
  std::vector<std::uintptr_t> FunctionRecordPages() const { return Pages(".rela.plt"); }

 private:
  std::vector<std::uintptr_t> Pages(const std::string& section) const {
    link_map* map = nullptr;
    if (dlinfo(handle_, RTLD_DI_LINKMAP, &map) != 0) return {};
    std::vector<std::uintptr_t> pages = WholePagesOfSection(path_, map->l_addr, section);
    // Read once, so that each is resident whatever the kernel brought in at load.
    for (const std::uintptr_t page : pages) {
      [[maybe_unused]] volatile char first = *reinterpret_cast<const char*>(page);
    }
    return pages;
  }

  const char* path_;
  void* handle_;
};

TEST(RelocationRecordsTest, RecordsAppliedAtLoadLeaveAndTheLibraryRunsOn) {
  const Fixture library(PIGMORA_RELOCATIONS_FIXTURE_NOW);
  ASSERT_TRUE(library.Loaded()) << dlerror();
  const std::vector<std::uintptr_t> loadRecords = library.LoadRecordPages();
  const std::vector<std::uintptr_t> functionRecords = library.FunctionRecordPages();
  ASSERT_GE(loadRecords.size(), 2u);
  ASSERT_GE(functionRecords.size(), 2u);
  EXPECT_EQ(library.SumThroughTable(), kSumOfNumbers);
  for (const std::uintptr_t page : loadRecords) ASSERT_TRUE(IsResidentAt(page));

  EXPECT_GE(ReleaseRelocationRecords(), (loadRecords.size() + functionRecords.size()) * kPage);

  // Bound at load, this library never reads its function records again either.
  for (const std::uintptr_t page : loadRecords)
    EXPECT_FALSE(IsResidentAt(page)) << std::hex << page;
  for (const std::uintptr_t page : functionRecords)
    EXPECT_FALSE(IsResidentAt(page)) << std::hex << page;
  EXPECT_TRUE(IsResidentAt(library.Code()));
  EXPECT_EQ(library.SumThroughTable(), kSumOfNumbers);
  EXPECT_EQ(library.SumThroughCalls(), kSumOfNumbers);
}

TEST(RelocationRecordsTest, ALazilyBoundLibraryKeepsItsFunctionRecords) {
  const Fixture library(PIGMORA_RELOCATIONS_FIXTURE_LAZY);
  ASSERT_TRUE(library.Loaded()) << dlerror();
  const std::vector<std::uintptr_t> loadRecords = library.LoadRecordPages();
  const std::vector<std::uintptr_t> functionRecords = library.FunctionRecordPages();
  ASSERT_GE(functionRecords.size(), 2u);

  ReleaseRelocationRecords();

  for (const std::uintptr_t page : loadRecords)
    EXPECT_FALSE(IsResidentAt(page)) << std::hex << page;
  for (const std::uintptr_t page : functionRecords)
    EXPECT_TRUE(IsResidentAt(page)) << std::hex << page;
  EXPECT_EQ(library.SumThroughCalls(), kSumOfNumbers);
}

TEST(RelocationRecordsTest, APageSomebodyWroteToStaysWithWhatWasWritten) {
  const Fixture library(PIGMORA_RELOCATIONS_FIXTURE_NOW);
  ASSERT_TRUE(library.Loaded()) << dlerror();
  const std::vector<std::uintptr_t> loadRecords = library.LoadRecordPages();
  ASSERT_FALSE(loadRecords.empty());
  // As a debugger does: the page becomes a private copy, which only the process holds.
  auto* written = reinterpret_cast<unsigned char*>(loadRecords.front());
  ASSERT_EQ(mprotect(written, kPage, PROT_READ | PROT_WRITE), 0);
  const unsigned char changed = static_cast<unsigned char>(~*written);
  *written = changed;
  ASSERT_EQ(mprotect(written, kPage, PROT_READ), 0);

  ReleaseRelocationRecords();

  EXPECT_TRUE(IsResidentAt(loadRecords.front()));
  EXPECT_EQ(*written, changed);
  EXPECT_EQ(library.SumThroughTable(), kSumOfNumbers);
}

}  // namespace
}  // namespace pigmora::platform
