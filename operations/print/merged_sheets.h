#pragma once
// MergedSheets: one print job in which entries follow each other on the same sheets, each under
// its date heading. An entry starts a quarter to half an inch below the end of the previous one
// and continues at the top of the next sheet when it does not fit; a new sheet starts early only
// when less than half an inch would be left below the gap.
//
// Each entry is copied behind its heading into a page document as wide as the text area, which
// is then printed line by line into boxes: the box of an entry is lowered from the sheet's
// bottom in quarter-inch steps while the rest of the entry still fits (FitPrintBox), so that
// the next entry starts just below it.
#include <string>

#include "base/status.h"
#include "operations/print/print_margins.h"
#include "richtext/editing/text_input.h"
#include "richtext/layout/layout.h"

namespace inkwend {

// The heading paragraph of a merged entry: left-aligned, 90 twips after, Arial (looked up or
// added in the font table of `page`) 10 points, bold, italic and underlined.
ParagraphDescription MergedHeading(EditController& page, std::u32string text);

class MergedSheets {
 public:
  // `device` and `page` outlive the sheets.
  MergedSheets(WPPrintDevice& device, EditController& page, const PrintMargins& margins);

  // Prints `entry` under its heading, beginning the job with the first entry. An error when the
  // printer refused the job or a new sheet.
  Status PrintEntry(EditController& entry, std::u32string heading);
  // Ends the job; false when the device failed. Nothing to do when no entry was printed.
  bool End();
  // Drops the job: what was sent is discarded.
  void Abort();
  bool Begun() const { return begun_; }
  int Sheets() const { return sheets_; }

 private:
  // Lines from `first` (running index) that fit below y_ into `height`; drawn unless measuring.
  int PrintLines(int first, int height, bool print, int* taken);
  // The box bottom for the rest of the entry from `first`.
  int FitPrintBox(int first);
  bool StartNewSheet();
  // Prints the page document from its first line on, over as many sheets as it needs; returns
  // the bottom of its last box.
  Result<int> PrintPageDocument();

  WPPrintDevice& device_;  // outlives the sheets (see the constructor)
  EditController& page_;   // likewise
  int xPpi_, yPpi_;
  int topPx_, leftPx_;
  int textWidth_;   // TW: the text area's width in pixels
  int pageBottom_;  // PB: the lowest y a box may reach
  int quarter_, half_;
  int widthTwips_, heightTwips_;
  int y_ = 0;
  bool newSheetNeeded_ = false;
  bool sheetFresh_ = true;  // nothing printed on the current sheet yet
  bool begun_ = false;
  int sheets_ = 0;
};

}  // namespace inkwend
