#pragma once
// Leftovers of saves that a kill or a power cut interrupted. Every file of the diary is written
// to a temporary file beside it and renamed over it (see FileSystem::WriteFileAtomically); a
// save cut short leaves that temporary file behind, and in a diary without a password it holds
// plaintext that a later password change would never encipher. They are removed at start, once
// the single-instance lock is held, so that no other copy of the program is writing them.
#include <string>

#include "base/file_system.h"

namespace inkwend {

// A password change records its run in this journal in the program directory, and writes the
// re-enciphered form of each file of Entries/ beside it under the file's name plus
// kRekeyedSuffix until the run switches the files over (operations/password). While the journal
// exists those copies may be the only complete new form of an entry; without it they are
// leftovers of a run that never reached its switch.
inline constexpr char kPasswordJournalName[] = "Password.journal";
inline constexpr char kRekeyedSuffix[] = ".rekeyed";

// Removes, through `fs`, the temporary files of atomic writes to KW.INI and to the password
// journal in `program_directory` (ending in "/") and to entry files and damaged-entry copies in
// its Entries/ folder, and, when no password journal exists, the re-enciphered copies a password
// change left. Only names of exactly that form go; a removal that fails is passed by (the next
// start tries again). Returns how many were removed. Run it after an interrupted password change
// has been finished or undone.
int RemoveStaleTempFiles(const std::string& program_directory, FileSystem& fs);

// True when `name` is a file of Entries/ whose bytes are stored under the diary's password, so
// that a password change re-enciphers it: any "*.KWE" (in any letter case), its damaged copies
// and its recovery copy (IsEntryFolderFileName).
bool IsStoredUnderPassword(const std::string& name);

// True when `name` is a file name the diary writes atomically in its Entries/ folder:
// "YYYYMMDD.KWE", a kept copy of a damaged one ("YYYYMMDD.KWE.damaged", "...damaged-2"), or the
// recovery copy of unsaved text ("YYYYMMDD.KWE.recover").
bool IsEntryFolderFileName(const std::string& name);

}  // namespace inkwend
