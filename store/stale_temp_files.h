#pragma once
// Leftovers of saves that a kill or a power cut interrupted. Every file of the diary is written
// to a temporary file beside it and renamed over it (see FileSystem::WriteFileAtomically); a
// save cut short leaves that temporary file behind, and in a diary without a password it holds
// plaintext that a later password change would never encipher. They are removed at start, once
// the single-instance lock is held, so that no other copy of the program is writing them.
#include <string>

#include "base/file_system.h"

namespace inkwend {

// Removes, through `fs`, the temporary files of atomic writes to KW.INI in `program_directory`
// (ending in "/") and to entry files and damaged-entry copies in its Entries/ folder. Only names
// of exactly that form go; a removal that fails is passed by (the next start tries again).
// Returns how many were removed.
int RemoveStaleTempFiles(const std::string& program_directory, FileSystem& fs);

// True when `name` is a file name the diary writes atomically in its Entries/ folder:
// "YYYYMMDD.KWE", a kept copy of a damaged one ("YYYYMMDD.KWE.damaged", "...damaged-2"), or the
// recovery copy of unsaved text ("YYYYMMDD.KWE.recover").
bool IsEntryFolderFileName(const std::string& name);

}  // namespace inkwend
