// The single-instance lock, and how another launch tells that a Pigmora holds it without
// touching it.
#include "platform/qt/single_instance_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace pigmora::qt {
namespace {

// A runtime folder of the test's own, so the lock is not the session's.
class SingleInstanceLock : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/pigmora-lock-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) savedRuntime_ = runtime;
    setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
  }
  void TearDown() override {
    if (savedRuntime_) {
      setenv("XDG_RUNTIME_DIR", savedRuntime_->c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
    std::filesystem::remove_all(folder_);
  }

  // Another process's hold on the lock file, as an open file description of its own.
  int Hold(int operation) {
    const int fd = open(InstanceLockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(flock(fd, operation | LOCK_NB), 0);
    return fd;
  }

  std::string folder_;
  std::optional<std::string> savedRuntime_;
};

TEST_F(SingleInstanceLock, TheFileIsInTheRuntimeFolder) {
  EXPECT_EQ(InstanceLockPath(), folder_ + "/" PIGMORA_APP_IDENTIFIER ".lock");
}

TEST_F(SingleInstanceLock, HeldOnlyWhileSomeoneHoldsItExclusively) {
  EXPECT_FALSE(InstanceLockHeld());  // no file yet
  const int exclusive = Hold(LOCK_EX);
  EXPECT_TRUE(InstanceLockHeld());
  close(exclusive);
  EXPECT_FALSE(InstanceLockHeld());  // the file is left, unlocked
  const int shared = Hold(LOCK_SH);
  EXPECT_FALSE(InstanceLockHeld());
  close(shared);
}

TEST_F(SingleInstanceLock, TheFirstProgramTakesItAndASecondIsRefused) {
  EXPECT_EQ(LockSingleInstance(), InstanceLock::Acquired);
  EXPECT_TRUE(InstanceLockHeld());
  EXPECT_EQ(LockSingleInstance(), InstanceLock::HeldElsewhere);
}

}  // namespace
}  // namespace pigmora::qt
