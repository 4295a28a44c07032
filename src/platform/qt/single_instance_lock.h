#pragma once
// One Pigmora per user: a second one would grab the same hot keys and write the same settings
// file. The lock is an flock on a file in the user's runtime folder (else the configuration
// folder), held by the open descriptor until the process ends, however it ends.
#include <string>

namespace pigmora::qt {

enum class InstanceLock { Acquired, HeldElsewhere, Unavailable };

// The lock file's path.
std::string InstanceLockPath();
// Takes the lock for the life of the process.
InstanceLock LockSingleInstance();
// True when a Pigmora holds the lock now (running, or still starting); the lock is not touched.
bool InstanceLockHeld();

}  // namespace pigmora::qt
