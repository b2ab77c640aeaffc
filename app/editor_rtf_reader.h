#pragma once
// Putting an entry's RTF into an editor and taking it out, as the diary session asks for it
// (entry_editing.cpp).
#include "store/diary_session.h"

namespace inkwend {

class WPRichText;

// Loads the RTF it is given into `editor` (which outlives the reader). Damaged RTF leaves what
// could be read; any other failure leaves the editor empty.
RtfReader ReaderFor(WPRichText& editor);

// Writes `editor`'s document as RTF, for a save or a recovery copy.
RtfWriter WriterFor(WPRichText& editor);

}  // namespace inkwend
