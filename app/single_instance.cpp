#include "app/single_instance.h"

#include <QLockFile>
#include <memory>

namespace inkwend {
namespace {

std::unique_ptr<QLockFile>& Lock() {
  static std::unique_ptr<QLockFile> lock;
  return lock;
}

}  // namespace

bool IsAlreadyRunning(const QString& program_directory) {
  auto lock = std::make_unique<QLockFile>(program_directory + QStringLiteral("inkwend.lock"));
  lock->setStaleLockTime(0);  // stale only when its process is gone, never by age
  if (lock->tryLock(0)) {
    Lock() = std::move(lock);
    return false;
  }
  // A lock we cannot even create (read-only directory) must not keep the diary from starting;
  // only a lock held by a live process means another copy runs.
  return lock->error() == QLockFile::LockFailedError;
}

void ReleaseInstanceLock() { Lock().reset(); }

}  // namespace inkwend
