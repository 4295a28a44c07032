// Giving back code pages: what came in since a look goes, what was resident then stays, and the
// program runs on after, its libraries' relocated tables and data untouched.
#include "platform/resident_code_pages.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "page_residency.h"

namespace pigmora::platform {
namespace {

using Apply = int (*)(int, int);
using Calls = int (*)();

class ResidentCodePagesTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(IsResident(reinterpret_cast<const void*>(&IsResident)))
        << "/proc/self/pagemap does not tell residency here";
  }
  void TearDown() override {
    if (library_) dlclose(library_);
  }

  void Load() {
    library_ = dlopen(PIGMORA_CODE_PAGES_FIXTURE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    apply_ = reinterpret_cast<Apply>(dlsym(library_, "pigmora_fixture_apply"));
    calls_ = reinterpret_cast<Calls>(dlsym(library_, "pigmora_fixture_calls"));
    ASSERT_NE(apply_, nullptr);
    ASSERT_NE(calls_, nullptr);
  }

  void* library_ = nullptr;
  Apply apply_ = nullptr;
  Calls calls_ = nullptr;
};

TEST_F(ResidentCodePagesTest, CodeThatCameInIsGivenBackAndRunsAgainWithItsTablesAndData) {
  const ResidentCodePages before = ResidentCodePages::Now();
  Load();
  EXPECT_EQ(apply_(0, 21), 42);
  EXPECT_EQ(apply_(1, 7), 49);
  ASSERT_TRUE(IsResident(reinterpret_cast<const void*>(apply_)));

  EXPECT_GE(ResidentCodePages::ReleaseSince(before),
            static_cast<std::size_t>(sysconf(_SC_PAGESIZE)));
  EXPECT_FALSE(IsResident(reinterpret_cast<const void*>(apply_)));

  // Read back from the file: the same code, the relocated table still pointing at the right
  // functions, and the counter still counting from where it was.
  EXPECT_EQ(apply_(1, 9), 81);
  EXPECT_EQ(apply_(0, 5), 10);
  EXPECT_EQ(calls_(), 4);
  EXPECT_TRUE(IsResident(reinterpret_cast<const void*>(apply_)));
}

TEST_F(ResidentCodePagesTest, CodeResidentAtTheLookStays) {
  Load();
  EXPECT_EQ(apply_(0, 1), 2);
  const ResidentCodePages before = ResidentCodePages::Now();
  ResidentCodePages::ReleaseSince(before);
  EXPECT_TRUE(IsResident(reinterpret_cast<const void*>(apply_)));
  // This test's own code was resident at the look too.
  EXPECT_TRUE(IsResident(reinterpret_cast<const void*>(&IsResident)));
}

}  // namespace
}  // namespace pigmora::platform
