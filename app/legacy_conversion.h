#pragma once
// The one-time conversion of the diary table of earlier releases, offered while the main window
// is created: the question, the status window while the records are converted, and what went
// wrong. The conversion itself is the engine's (operations/convert).
#include "store/diary_session.h"

namespace inkwend {

enum class ConversionOutcome {
  NotOffered,  // Entries/ exists, or there is no complete old table: nothing asked
  Converted,   // Entries/ now holds the old diary
  Declined,    // the user answered No: nothing changed, the question comes again at the next start
  Failed,      // the user has been told why; nothing changed, the question comes again
};

// Offers to convert INKWEND.DBF with INKWEND.FPT in the session's program directory when there
// is no Entries/ folder, and converts it with the session's password (read from KW.INI) on Yes.
// Declined and Failed mean the program ends (the caller says "Terminating Inkwend!").
ConversionOutcome PerformConversion(const DiarySession& session);

}  // namespace inkwend
