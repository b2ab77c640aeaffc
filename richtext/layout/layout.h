#pragma once
// The layout of one document: wraps its paragraphs into lines of pixel width and height, answers
// hit tests, paints them onto a Canvas through a paint context, splits the document into pages
// and prints it. It sits beside the document (it reads and wraps it) and knows nothing of files
// or editing; the edit controller or whoever changes the document asks it to re-wrap.
//
//   WPRTFText doc;
//   TextLayout layout(doc);
//   layout.SetDevice(&metrics, 96, 96);  // the screen: metrics and pixels per inch
//   layout.SetWordWrap(true);
//   layout.SetWindowWidth(600);
//   ... fill the document ...
//   layout.Reformat();                   // re-wraps the dirty paragraphs only
//   layout.Paint(canvas, {0, 0, 600, 400});
//
// Layout is incremental: a paragraph whose layoutDirty bit 0x01 is set is wrapped again, every
// other paragraph keeps its lines. Character widths are kept by the layout per paragraph (a
// byte a character, heights as runs) and per font in the font cache, so re-wrapping does not ask
// the platform again and the paragraph's attribute runs are never broken up into records.
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "richtext/layout/canvas.h"
#include "richtext/layout/metrics.h"
#include "richtext/layout/text_analysis.h"
#include "richtext/model/document.h"

namespace inkwend {

// LineBox::flags bits.
inline constexpr uint8_t kLinePageStart = 0x01;  // the line begins a page
inline constexpr uint8_t kLineJustified = 0x02;  // values hold last tab, space width, remainder

// LineBox::values slots.
inline constexpr int kLvWidthOrLastTab = 0;  // laid-out width, or for a justified line its last tab index
inline constexpr int kLvSpaceWidth = 1;      // justified: pixels per stretched space
inline constexpr int kLvRemainder = 2;       // justified: pixels left over, one each to the first spaces
inline constexpr int kLvWidth = 3;           // laid-out width of every line

// The pixels of one laid-out line; the line's characters are the model's TextLine.
struct LineBox {
  int32_t top = 0;  // y in document pixels
  uint16_t height = 0;
  uint16_t ascent = 0;  // the baseline, from the top
  uint8_t flags = 0;
  uint16_t values[4] = {};
};

// The spaces a justified line widens: those after its last tab, except one that ends the line.
// Each takes the line's space width, the first `remainder` of them a pixel more. Painting and
// caret placement walk a line with one of these, so both put every character at the same x.
class LineStretch {
 public:
  LineStretch(const TextLine& line, const LineBox& box, std::span<const char32_t> paragraph_text) {
    if (!(box.flags & kLineJustified)) return;
    const auto at = [&](int j) { return paragraph_text[line.start + static_cast<size_t>(j)]; };
    const int last_tab = box.values[kLvWidthOrLastTab];
    from_ = last_tab < line.length && at(last_tab) == U'\t' ? last_tab + 1 : 0;
    end_ = line.length > 0 && at(line.length - 1) == U' ' ? line.length - 1 : line.length;
    width_ = box.values[kLvSpaceWidth];
    remainder_ = box.values[kLvRemainder];
  }
  // Character j of the line, c: true when it is a widened space, its advance in `advance`.
  // Asked once per character, in line order.
  bool Widens(int j, char32_t c, int& advance) {
    if (c != U' ' || j < from_ || j >= end_) return false;
    advance = width_ + (widened_ < remainder_ ? 1 : 0);
    ++widened_;
    return true;
  }

 private:
  int from_ = 0, end_ = 0;  // end_ 0: nothing widens (a line that is not justified)
  int width_ = 0, remainder_ = 0, widened_ = 0;
};

// What measuring gives one character: its width, its line height and ascent.
struct CharMetrics {
  uint16_t width = 0;
  uint16_t height = 0;
  uint16_t ascent = 0;
};

// A place in the document: paragraph, line and index in the line.
struct TextCursor {
  Paragraph* par = nullptr;
  int line = 0;
  int pos = 0;
  bool operator==(const TextCursor&) const = default;
};

class TextLayout;

// Per-word callback of the wrap (spelling marks, hyphenation): the word (at most 99 characters),
// eight offsets (all 0 on entry) and flags preset to 1. On return: bit 0 leave the word alone;
// bit 1 mark it as flagged; bit 2 the offsets hold ascending hyphenation points. A word is a
// run of digits and characters from 'A' (65) on; an apostrophe between two of them stays
// inside it ("don't"). The word is a view into its paragraph's text.
using WPWordEvent = std::function<void(TextLayout& sender, std::u32string_view word,
                                       std::array<int, 8>& offsets, uint8_t& flags)>;

// Page header and footer events of printing: the canvas, the band (x, y, w, h) in device pixels,
// the page number and the running 1-based number of the next line to print.
using WPPrintEvent =
    std::function<void(TextLayout& sender, Canvas& canvas, int x, int y, int w, int h, int page, int line)>;

// A printer as printing needs it. Coordinates of its canvas start at the top left of the
// printable area.
class WPPrintDevice {
 public:
  virtual ~WPPrintDevice() = default;
  virtual bool BeginJob() = 0;
  virtual bool NewPage() = 0;
  virtual bool EndJob() = 0;
  virtual void AbortJob() = 0;
  virtual inkwend::Canvas& Canvas() = 0;
  virtual TextMetrics& Metrics() = 0;
  virtual int XPixelsPerInch() const = 0;
  virtual int YPixelsPerInch() const = 0;
  // Distance of the printable area from the paper's left and top edge (0 when unknown).
  virtual int OffsetX() const = 0;
  virtual int OffsetY() const = 0;
  virtual int PrintableWidth() const = 0;
  virtual int PrintableHeight() const = 0;
  // The whole sheet in device pixels. A device that cannot tell takes the printable area with
  // its offset on both sides.
  virtual int PaperWidth() const { return PrintableWidth() + 2 * OffsetX(); }
  virtual int PaperHeight() const { return PrintableHeight() + 2 * OffsetY(); }
};

// Colours and font of one attribute run, as painting applies them.
struct RunStyle {
  FontSpec font;
  ColorRef text = 0;
  ColorRef background = 0xFFFFFF;
  bool hasBackground = false;  // the attribute (or highlight) gives a background of its own
  bool underline = false;
  bool doubleUnderline = false;
  ColorRef underlineColor = 0;
  bool superscript = false;
  bool subscript = false;
  bool mark = false;       // flagged word: red mark
  bool caps = false;       // letters shown as capitals
  bool smallCaps = false;  // small letters shown as capitals in SmallCapsFont
};

// The font small letters of small-capital text are shown in: four fifths of the size.
FontSpec SmallCapsFont(const FontSpec& font);

// What one paint shows besides the text: where (canvas, clip in view pixels), from which scroll
// offset, the selection and the caret. The view that paints fills it in; layout keeps none of it.
struct PaintContext {
  PaintContext(Canvas& on, const Rect& area) : canvas(on), clip(area) {}
  Canvas& canvas;
  Rect clip;
  int scrollX = 0;
  int scrollY = 0;
  // The selection ends in either order; no selection when they are equal or unset.
  TextCursor selStart;
  TextCursor selEnd;
  // The caret, painted last in caretColor when showCaret (after layout, so at its place).
  TextCursor caret;
  bool showCaret = false;
  ColorRef caretColor = 0;
  // False when the view has painted its own background (a picture, or its parent's through a
  // transparent view): the text is painted over it without the background colour.
  bool fillBackground = true;
};

class TextLayout {
 public:
  explicit TextLayout(WPRTFText& document);
  TextLayout(const TextLayout&) = delete;
  TextLayout& operator=(const TextLayout&) = delete;

  WPRTFText& Document() const { return doc_; }

  // --- device and geometry ---
  // Metrics of the device painted on and its resolution; lays everything out again when they change.
  void SetDevice(TextMetrics* metrics, int x_ppi, int y_ppi);
  TextMetrics* DeviceMetrics() const { return cache_.Metrics(); }
  int DeviceXPixelsPerInch() const { return deviceXPpi_; }
  int DeviceYPixelsPerInch() const { return deviceYPpi_; }
  // Scale factors of a reference device (1.0 when unset): measured widths and heights are
  // multiplied by them, so that text laid out on one device keeps the proportions of another.
  void SetReferenceScale(double x, double y);
  int Zooming() const { return zooming_; }
  void SetZooming(int percent);
  int Resizing() const { return resizing_; }
  void SetResizing(int percent);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);
  // The editor's client width; re-wraps only while WordWrap is on.
  void SetWindowWidth(int pixels);
  int WindowWidth() const { return windowWidth_; }
  // Width available for text between the margins: the window's while wrapping to it (the page's
  // until the window has a size, so that nothing is wrapped one character per line meanwhile).
  int LayoutWidth() const { return wordWrap_ && windowWidth_ > 0 ? windowWidth_ : doc_.header.textAreaWidth; }
  // Page size or margins changed (twips in the header): re-wrap to the page unless wrapping to the window.
  void PageLayoutChanged();
  int DefaultTabInterval() const;
  int charsPerLineLimit = 0;  // 0 = none
  bool showHiddenText = false;
  char32_t decimalSeparator = U'.';
  int cellHeight = -1;  // height of an empty table-cell line; 16 when negative
  WPWordEvent onWord;

  // --- layout ---
  // Re-wraps every dirty paragraph and refreshes the line tops. Returns whether any height changed.
  bool Reformat();
  // Marks every paragraph dirty and re-wraps them all (resolution, fonts or widths changed).
  void ReformatAll();
  // Re-wraps one paragraph; with `compare`, returns whether the sum of its line heights changed.
  bool ReformatParagraph(Paragraph* par, bool compare = true);
  // Re-wraps the paragraph keys were just typed into (typed_lines.cpp). The band of document
  // pixels [top, bottom) whose lines look different from before, and whether the paragraph's
  // height changed (then everything below it moved as well).
  struct TypedChange {
    int top = 0;
    int bottom = 0;
    bool heightChanged = false;
  };
  TypedChange ReformatTypedParagraph(Paragraph* par);
  // Asks onWord about every word of one paragraph (null: of the document) again without
  // re-wrapping, as when the word list behind it changed; marks alone never move text.
  void RecheckWords(Paragraph* only = nullptr);
  // Drops the spelling marks onWord set (the words become unseen and unflagged).
  void ClearWordMarks();
  // Updates the line's height and ascent; returns whether the height changed.
  bool LineHeight(Paragraph* par, int line);
  int LeftIndentPixels(const Paragraph* par, int line) const;
  int RightIndentPixels(const Paragraph* par) const;
  int AvailableWidth(const Paragraph* par, int line) const;
  // Next tab stop after x (pixels from the line's left indent) for the tab at paragraph offset `index`.
  int NextTabPosition(const Paragraph* par, int line, int x, int index) const;
  // Sum of character widths of a line without trailing spaces and tabs.
  int VisibleWidth(const Paragraph* par, int line) const;
  // Width a character counts in layout (0 for hidden text unless shown).
  int CharWidth(const Paragraph* par, int offset) const;
  // What measuring gave one character (a soft hyphen: the hyphen it shows where its line breaks;
  // the document's defaults for a character not measured yet). Attribute mode only.
  CharMetrics MeasuredAt(const Paragraph* par, int offset) const;
  // Whether a character measured no width but a height (what the protection settings call
  // invisible text); false outside the paragraph and in plain mode.
  bool Invisible(const Paragraph* par, int offset) const;
  // The word walk's marks of one character (kLayoutFlaggedWord, kLayoutHyphenation).
  uint8_t WordFlagsAt(const Paragraph* par, int offset) const;
  // Total height of the document in pixels and the y of its lines (after Reformat).
  int DocumentHeight() const { return documentHeight_; }
  // Re-measures every character of a paragraph.
  void MeasureParagraph(Paragraph* par);
  // Measures one character with its record on the device's fonts (the document's defaults
  // without a device).
  CharMetrics MeasureChar(char32_t c, const CharAttr& attr);
  // The font and colours of a record (highlight attributes applied).
  RunStyle StyleFor(const CharAttr& attr, bool printing = false) const;
  inkwend::FontCache& FontCache() { return cache_; }
  // Memory held for the document's paragraphs (line boxes, widths, heights, marks), in bytes
  // (for measurements).
  size_t AllocatedBytes() const;

  // Registers a cursor that re-wrapping keeps on its character (the edit controller's caret and
  // selection ends). A caret at the boundary of two lines moves to the start of the later one,
  // other cursors stay at the end of the earlier one. The cursor must outlive the layout.
  void TrackCursor(TextCursor* cursor, bool is_caret);

  // --- geometry (document pixels) ---
  // The box of a laid-out line; zeros for a line that was not laid out yet.
  const LineBox& Box(const Paragraph* par, int line) const;
  // The bottom of a paragraph's last line.
  int BottomOf(const Paragraph* par) const;
  // x of every character boundary of a line (Length + 1 values).
  void LineXs(const Paragraph* par, int line, std::vector<int>& xs) const;
  // The place under a point: its paragraph, line and the index the caret takes there.
  TextCursor HitTest(int x, int y) const;
  // The caret's rectangle at a place (2 pixels wide, the line's text height).
  Rect CaretRect(const TextCursor& cursor) const;
  // Whether a paragraph reads right to left: as its file says, else by its first strong character.
  static bool RightToLeftParagraph(const Paragraph* par);
  // The alignment a paragraph shows: the one it has, except that a paragraph right to left by
  // its first letter, never aligned, starts at the right margin.
  static uint8_t ShownAlignment(const Paragraph* par);
  // Aligns a paragraph as a user chooses it: a paragraph right to left by its first letter then
  // keeps that direction, so that left and right show on the side they name.
  static void SetShownAlignment(Paragraph* par, uint8_t alignment);
  // The runs of a line in visual order (offsets within the line); empty for a line without
  // right-to-left text, which stands in logical order.
  static std::vector<VisualRun> BidiRuns(const Paragraph* par, const TextLine& line);
  // The last index the caret may take in a line: before the character that ends a wrapped line
  // (its space or line break), so that the caret stays on the line it was put on.
  static int LastCaretIndex(const Paragraph* par, int line);

  // --- painting ---
  ColorRef backgroundColor = 0xFFFFFF;
  // A line on screen above every paragraph that starts a new page (never printed).
  bool showPageBreak = true;
  ColorRef highlightColor = 0xD77800;
  ColorRef highlightTextColor = 0xFFFFFF;
  // The part of a view scrolled down by `scroll_y` (view pixels) that needs painting after the
  // last changes: the lines of paragraphs marked for repainting, down to the bottom of the view
  // when heights changed. Empty when nothing needs painting.
  Rect InvalidRect(int view_width, int view_height, int scroll_y = 0);
  // Lays out what is dirty and paints the lines that meet the context's clip. Returns where the
  // caret was painted (view pixels; empty when it was not).
  Rect Paint(const PaintContext& context);
  // No scroll, selection or caret.
  void Paint(Canvas& canvas, const Rect& clip) { Paint(PaintContext{canvas, clip}); }
  // Paints the lines from paragraph `from` down that meet the clip, without laying out first
  // and without touching the paragraphs above: the repaint after a key typed into a laid-out
  // paragraph. The context's selection is ignored (there is none while typing).
  Rect PaintFromParagraph(const PaintContext& context, Paragraph* from);
  // Paints one line with its top-left corner of the layout area at (origin_x, top).
  void PaintLine(Canvas& canvas, Paragraph* par, int line, int origin_x, int top, bool printing = false);
  // Paints an object into a rectangle (bitmap, metafile, crossed box) and enters it into the
  // hit-test table.
  void PaintObject(Canvas& canvas, DocObject* object, const Rect& rect, bool selected = false);
  struct HitObject {
    Rect rect;
    DocObject* object = nullptr;
  };
  static constexpr int kMaxHitObjects = 30;
  const std::vector<HitObject>& HitObjects() const { return hitObjects_; }
  DocObject* ObjectAt(int x, int y) const;
  // Paints the borders of a paragraph's lines (part of PaintLine).
  void PaintBorders(Canvas& canvas, Paragraph* par, int line, int origin_x, int top);

  // --- pages and printing ---
  // Sets the page-start marks for pages of `page_height` pixels (the header's text height when
  // 0 or less); returns the number of pages.
  int Paginate(int page_height = 0);
  int PageCount() const { return pageCount_; }
  // Pages of the last Print job (the screen pagination is restored afterwards).
  int PrintedPages() const { return printedPages_; }
  // Running 0-based index of a line, and the line at a running index.
  int LineIndexOf(const Paragraph* par, int line) const;
  bool LineAt(int index, Paragraph*& par, int& line) const;
  int TotalLines() const;
  WPPrintEvent onPrintHeader;
  WPPrintEvent onPrintFooter;
  bool Printing() const { return printing_; }
  // Prints pages first..last (1-based; the diary asks 0..0xFFFFFF) as one job. The screen state
  // is restored afterwards whatever happens. Returns false when the device failed.
  bool Print(WPPrintDevice& device, int first_page = 0, int last_page = 0xFFFFFF);
  // Lays the document out `width` pixels wide for a device and takes lines from `first_line`
  // (running index) while the next one fits into `height`; draws them at (x, y) unless only
  // measuring. Returns the index of the first line not taken, or 0 when the last line was taken.
  // `taken` (optional) receives the number of lines taken. A line taller than a box of a whole
  // page is taken alone so that printing moves on.
  int PrintLinesOnCanvas(Canvas* canvas, TextMetrics* metrics, int x_ppi, int y_ppi, int x, int y, int width,
                         int height, int first_line, bool print, int* taken = nullptr);
  // Why the last Print failed.
  std::string lastPrintError;

  // Layout width used while printing (and by line printing); 0 when the window or page decides.
  int ForcedLayoutWidth() const { return forcedWidth_; }

 private:
  // Beside a paragraph's line boxes the layout keeps what measuring and the word walk found: a
  // width per character (a byte; wider ones aside, in offset order), the heights as runs (with whether the
  // run is hidden text), the height of an empty paragraph, and the flagged words and hyphenation points as
  // offsets.
  struct HeightRun {
    uint32_t end = 0;  // offset after the run's last character
    uint16_t height = 0;
    uint16_t ascent = 0;
    bool hidden = false;
  };
  struct WideWidth {
    uint32_t offset = 0;
    uint16_t width = 0;
  };
  static constexpr uint8_t kWideWidth = 0xFF;  // the width is kept in `wide`
  struct WordRange {
    uint32_t start = 0;
    uint32_t end = 0;
  };
  struct ParagraphBoxes {
    const Paragraph* par = nullptr;
    uint64_t paragraphId = 0;
    std::vector<LineBox> lines;
    std::vector<uint8_t> widths;
    std::vector<WideWidth> wide;
    std::vector<HeightRun> heights;
    CharMetrics empty;  // an empty paragraph's, from its end record
    std::vector<WordRange> flagged;
    std::vector<uint32_t> hyphens;
    // The run of heights holding `offset`, or null past the measured ones.
    const HeightRun* HeightAt(size_t offset) const;
    bool Flagged(size_t offset) const;
    uint16_t Width(size_t offset) const {
      return widths[offset] != kWideWidth ? widths[offset] : WideAt(offset);
    }
    uint16_t WideAt(size_t offset) const;
    void StoreWidths(std::span<const uint16_t> measured);
  };
  struct LineBreak {
    int length = 0;
    int width = 0;
    bool justified = false;
    int lastTab = 0;
    int spaceWidth = 0;
    int remainder = 0;
  };
  void ApplyResolution();
  int PxX(int64_t twips) const;
  int PxY(int64_t twips) const;
  int BorderDistanceTwips(const Paragraph* par) const;
  int CellLeftTwips(const Paragraph* par) const;
  int TabOrigin(const Paragraph* par, int line) const;
  // `slot`, when given, receives the header tab slot of the stop (-1 for a default stop).
  int NextTabIn(const Paragraph* par, int x, int index, int origin, int* slot = nullptr) const;
  void ApplyLineSpacing(const Paragraph* par, int& h, int& asc) const;
  // Measures the run of like records that starts at `i` (MeasureParagraph's step); returns its end.
  size_t MeasureRun(const Paragraph* par, size_t i, ParagraphBoxes& into);
  // `object` tells whether the run's records mark object anchors (constant over a run).
  void KernRun(FontEntry* e, std::span<const char32_t> text, bool object, std::span<uint16_t> widths,
               size_t from, size_t to);
  // Words of a run that need shaping take the widths of their shaped clusters.
  void ShapeWords(FontEntry* e, std::span<const char32_t> text, bool object, std::span<uint16_t> widths,
                  size_t from, size_t to);
  // An object anchor's size: the picture's, standing on the baseline of the font `e`.
  CharMetrics ObjectMetrics(const FontEntry* e, char32_t c, const CharAttr& attr) const;
  // The width of a character shown in capitals (records with kMoreAllCaps or kMoreSmallCaps).
  uint16_t CapsWidth(FontEntry* entry, char32_t c, const CharAttr& attr);
  void RunWordEvent(Paragraph* par);
  // RunWordEvent's steps for one word [from, to): the marks onWord gave it, or, for a word it
  // leaves alone, the marks it had.
  void MarkWord(const std::array<int, 8>& offsets, uint8_t flags, size_t from, size_t to, ParagraphBoxes& m);
  void KeepWordMarks(const std::vector<WordRange>& old_flagged, const std::vector<uint32_t>& old_hyphens,
                     size_t from, size_t to, ParagraphBoxes& m);
  // CharWidth and MeasuredAt with the paragraph's measurements at hand (null: none yet).
  int CharWidthIn(const ParagraphBoxes* m, const Paragraph* par, int offset) const;
  CharMetrics MeasuredIn(const ParagraphBoxes* m, const Paragraph* par, size_t offset) const;
  // The widths wrapping counts (CharWidth of every character) into wrapWidths_.
  void FillWrapWidths(const ParagraphBoxes& m, const Paragraph* par);
  // The highlight (insert point, link, automatic or protected text) that styles a run, if any.
  const CharacterAttr* HighlightOf(const CharAttr& attr) const;
  // The steps of ReformatParagraphInto: tracked cursors to offsets, the text wrapped into
  // breaks_ line by line, the breaks stored as lines and boxes, the cursors back onto lines.
  void RememberCursorOffsets(const Paragraph* par);
  LineBreak BreakLine(const ParagraphBoxes& m, const Paragraph* par, int pos, int line) const;
  void BreakLines(const ParagraphBoxes& m, const Paragraph* par);
  void StoreLineBreaks(Paragraph* par, std::vector<LineBox>& boxes);
  void PlaceCursors(Paragraph* par);
  // Line tops from `from` to the end (or only through the table row of `from`).
  void UpdateTops(Paragraph* from, bool only_row = false);
  // line_tops.cpp: the boxes from order_[lagFrom_] on stand lagBy_ pixels above their place.
  // Moves the paragraphs from `first` on that way, so that `first` starts at `new_top`; false
  // when they are not all in chain order (nothing moved).
  bool MoveTopsBelow(const Paragraph* first, int new_top);
  // Brings the lagging boxes through order_[last] to their place.
  void CatchUpTops(size_t last) const;
  // How far the boxes at order_[index] lag behind (for the halving search over tops).
  int TopLag(size_t index) const { return index >= lagFrom_ ? lagBy_ : 0; }
  int EffectiveLayoutWidth() const;

  // The steps of PaintLine: where an aligned line starts, one run of like characters gathered
  // (returns the index after it) and painted, and the lines under or through a run.
  struct LinePaint;
  struct LineRun;
  int AlignmentShift(const Paragraph* par, int line, int left, int right) const;
  int GatherRun(const LinePaint& lp, int first, int& rel_x, LineRun& run) const;
  void PaintRun(Canvas& canvas, const LinePaint& lp, const LineRun& run, int x);
  // `ascent`: the measured ascent of the run's font, which places a strike-out.
  void PaintRunLines(Canvas& canvas, const LineRun& run, const RunStyle& st, int x, int base, int pen_w,
                     ColorRef fg, int ascent);
  // The leader of the tab stop a tab run reaches (dots, hyphens, a line), from x to its end.
  void PaintTabLeader(Canvas& canvas, const LinePaint& lp, const LineRun& run, int x, int rel_x);
  // On screen a page break shows as a dotted line across the page above its paragraph.
  void PaintPageBreakMark(Canvas& canvas, int origin_x, int top);

  // A line with right-to-left text: its runs painted in visual order from x. False (nothing
  // painted) for a line in logical order.
  bool PaintBidiLine(Canvas& canvas, const LinePaint& lp, int x);
  // Turns the logical caret xs of LineXs into visual ones: the leading edge of each character.
  static void ReorderCaretXs(std::span<const VisualRun> runs, std::vector<int>& xs);
  // Selected character offsets [from, to) of the paragraph PaintLine is painting.
  void SelectionFor(const Paragraph* par, int& from, int& to) const;
  Rect PaintCaret(const PaintContext& context);
  // Puts the context's selection into document order for SelectionFor.
  void BeginSelection(const PaintContext& context);

  struct TrackedCursor {
    TextCursor* cursor = nullptr;
    bool isCaret = false;
  };

  // Line boxes are kept in the order of the paragraph chain as the last walk from the first
  // paragraph found it, so that the walks of Reformat and Paint cost no lookups; a paragraph
  // added since lives in extra_ until the next walk puts it in order. An entry belongs to the
  // paragraph with its Id, never to a new paragraph at a freed one's address.
  // The boxes of a paragraph's lines, as many as it has lines.
  std::vector<LineBox>& BoxesOf(const Paragraph* par);
  // A paragraph's entry, made when it has none.
  ParagraphBoxes& EntryOf(const Paragraph* par);
  const ParagraphBoxes* FindBoxes(const Paragraph* par) const;
  // The entry of the paragraph at `index` of a walk from the first paragraph, as many boxes as
  // lines; puts the whole chain in order again when the paragraphs changed since the last walk.
  ParagraphBoxes& WalkBoxes(size_t index, const Paragraph* par);
  void RebuildOrder();
  // After Reformat: the index of the first paragraph whose lines may reach down to y (0 when
  // the boxes are not in chain order), and whether the selection begins before that index and
  // goes on into it.
  size_t FirstParagraphReaching(int y) const;
  bool SelectionEnclosesIndex(size_t index) const;
  bool LineHeightOf(const ParagraphBoxes* m, const Paragraph* par, int line, LineBox& box) const;
  // The height and ascent of the tallest shown character of a line that is not a space.
  void TallestOnLine(const ParagraphBoxes* m, const Paragraph* par, const TextLine& l, int& h,
                     int& asc) const;
  // The metrics that give an empty line its height: the line break's before it, or the empty
  // paragraph's end record's.
  CharMetrics EmptyLineMetrics(const ParagraphBoxes* m, const Paragraph* par, int line) const;
  // ReformatParagraph with the paragraph's entry at hand (the walk of Reformat has it).
  bool ReformatParagraphInto(Paragraph* par, ParagraphBoxes& entry, bool compare);
  friend struct TopPlacer;
  // The text, lines and boxes of the paragraph last wrapped by ReformatTypedParagraph, as that
  // wrap left them, while no other wrap came after it (`wraps` then equals wraps_).
  struct TypedSnapshot {
    uint64_t paragraphId = 0;
    uint64_t wraps = 0;
    std::vector<char32_t> text;
    std::vector<TextLine> lines;
    std::vector<LineBox> boxes;
  };
  // Narrows `change` from the whole paragraph to the lines that differ from the snapshot.
  void NarrowToChangedLines(const Paragraph* par, TypedChange& change) const;

  WPRTFText& doc_;
  std::vector<ParagraphBoxes> order_;
  std::unordered_map<const Paragraph*, size_t> index_;  // into order_
  std::unordered_map<const Paragraph*, ParagraphBoxes> extra_;
  std::vector<TrackedCursor> tracked_;
  inkwend::FontCache cache_;
  const Paragraph* selBeginPar_ = nullptr;  // normalized selection while painting
  int selBeginOff_ = 0;
  const Paragraph* selEndPar_ = nullptr;
  int selEndOff_ = 0;
  bool selInside_ = false;  // the paragraph being painted lies between the two ends
  int deviceXPpi_ = 96;
  int deviceYPpi_ = 96;
  int zooming_ = 100;
  int resizing_ = 100;
  bool wordWrap_ = false;
  int windowWidth_ = 0;
  int forcedWidth_ = 0;
  int documentHeight_ = 0;
  int pageCount_ = 1;
  int printedPages_ = 0;
  bool printing_ = false;
  bool inReformat_ = false;
  bool heightsChanged_ = false;  // since the last Paint
  std::array<uint16_t, 256> defaultWidths_{};
  uint16_t defaultHeight_ = 16;  // the template's line height and ascent (plain mode's lines)
  uint16_t defaultAscent_ = 14;
  std::vector<HitObject> hitObjects_;
  std::vector<LineBreak> breaks_;        // scratch of ReformatParagraph
  std::vector<uint16_t> wrapWidths_;     // scratch of ReformatParagraph
  std::vector<uint16_t> measureWidths_;  // scratch of MeasureParagraph
  std::vector<int> cursorOffsets_;       // scratch of ReformatParagraph
  uint64_t wraps_ = 0;                   // paragraphs wrapped so far
  // Tops of boxes in chain order that lag behind a move of everything above them: looking at a
  // box catches it up, which changes nothing a reader can tell, hence mutable.
  static constexpr size_t kNoLag = SIZE_MAX;
  mutable size_t lagFrom_ = kNoLag;
  mutable int lagBy_ = 0;
  TypedSnapshot typed_;
};

}  // namespace inkwend
