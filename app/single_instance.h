#pragma once
// One running copy per program directory: a lock file there, held for the process's life.
// A lock left by a process that no longer runs is taken over, so a crash never blocks the
// next start.
#include <QString>

namespace inkwend {

// true when another running copy holds the lock; otherwise this process now holds it.
bool IsAlreadyRunning(const QString& program_directory);
// Gives the lock up (tests, and before a clean exit).
void ReleaseInstanceLock();

}  // namespace inkwend
