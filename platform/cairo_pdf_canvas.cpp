#include "platform/cairo_pdf_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "base/text_encoding.h"
#include "richtext/layout/text_analysis.h"
#include "richtext/model/charset.h"
#include "richtext/model/symbol_font.h"

namespace inkwend {

namespace {

// Appends a character as UTF-8; the number of bytes it took.
int AppendChar(std::string& out, char32_t c) {
  const size_t before = out.size();
  AppendUtf8(out, c);
  return static_cast<int>(out.size() - before);
}

void SetColor(cairo_t* cr, ColorRef color) {
  cairo_set_source_rgb(cr, RedOf(color) / 255.0, GreenOf(color) / 255.0, BlueOf(color) / 255.0);
}

// The left edges of characters as layout placed them: the advances summed from the run's start.
std::vector<int> PrefixOf(std::span<const int> advances) {
  std::vector<int> prefix(advances.size() + 1, 0);
  for (size_t i = 0; i < advances.size(); ++i) prefix[i + 1] = prefix[i] + advances[i];
  return prefix;
}

struct ShapedGlyph {
  unsigned long glyph = 0;
  size_t cluster = 0;  // the first character it stands for
  double xAdvance = 0;
  double xOffset = 0;
  double yOffset = 0;  // up
};

// Glyphs of characters from..to in visual order. A face without tables to shape with (Type 1)
// gives one glyph per character from its character map, at layout's advances.
std::vector<ShapedGlyph> ShapeSegment(std::span<const char32_t> text, std::span<const int> advances,
                                      size_t from, size_t to, PdfFace& face, int pixel_size, bool rtl) {
  std::vector<ShapedGlyph> shaped;
  if (!face.CanShape()) {
    for (size_t i = from; i < to; ++i)
      shaped.push_back({face.GlyphOf(text[i]), i, static_cast<double>(advances[i])});
    if (rtl) std::reverse(shaped.begin(), shaped.end());
    return shaped;
  }
  hb_buffer_t* buffer = hb_buffer_create();
  // The whole run is the context, so that letters join across a change of face.
  hb_buffer_add_utf32(buffer, reinterpret_cast<const uint32_t*>(text.data()), static_cast<int>(text.size()),
                      static_cast<unsigned>(from), static_cast<int>(to - from));
  hb_buffer_set_direction(buffer, rtl ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
  hb_buffer_guess_segment_properties(buffer);
  hb_shape(face.Sized(pixel_size), buffer, nullptr, 0);
  unsigned count = 0;
  const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
  const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
  shaped.reserve(count);
  for (unsigned g = 0; g < count; ++g) {
    shaped.push_back({infos[g].codepoint, infos[g].cluster, positions[g].x_advance / 64.0,
                      positions[g].x_offset / 64.0, positions[g].y_offset / 64.0});
  }
  hb_buffer_destroy(buffer);
  return shaped;
}

}  // namespace

// cairo writes a string of glyphs placed by the widths the PDF gives them, which it cuts to whole
// thousandths of an em, while it reckons the next glyph's place from the exact width: along a
// line the glyphs would creep left by up to a third of a point. Each glyph is handed to cairo
// that much further right, so that it lands where layout put it. The creep starts anew where
// cairo places a glyph afresh: in a new text object (after any other drawing, a change of
// colour or size, a new page), on another baseline, or after a jump of ten ems.
void CairoPdfCanvas::CompensateWidthCuts(GlyphRun& run, ColorRef color) {
  const double em = std::max(1, font_.pixelSize);
  hb_font_t* units = run.face->CanShape() ? run.face->Unscaled() : nullptr;
  const double upem = units ? hb_face_get_upem(run.face->hb) : 1;
  TextChain& chain = chain_;
  if (!chain.open || chain.color != color || chain.pixelSize != font_.pixelSize) {
    chain = TextChain{true, color, font_.pixelSize, run.glyphs.front().y, run.glyphs.front().x, 0};
  }
  for (cairo_glyph_t& glyph : run.glyphs) {
    if (std::abs(glyph.y - chain.baseline) > 0.001 * em || std::abs(glyph.x - chain.penEnd) > 10 * em) {
      chain.baseline = glyph.y;
      chain.drift = 0;
    }
    const double exact =
        units ? hb_font_get_glyph_h_advance(units, static_cast<hb_codepoint_t>(glyph.index)) * 1000 / upem
              : 0;
    chain.penEnd = glyph.x + exact * em / 1000;
    glyph.x += chain.drift * em / 1000;
    chain.drift += exact - std::floor(exact);
  }
}

void CairoPdfCanvas::ShowRun(GlyphRun& run, ColorRef color) {
  if (run.glyphs.empty() || !run.face) return;
  if (run.face->color) {
    ShowColorGlyphs(*run.face, run);
    return;
  }
  cairo_set_font_face(cr_, run.face->cairo);
  cairo_set_font_size(cr_, std::max(1, font_.pixelSize));
  CompensateWidthCuts(run, color);
  SetColor(cr_, color);
  cairo_show_text_glyphs(cr_, run.utf8.data(), static_cast<int>(run.utf8.size()), run.glyphs.data(),
                         static_cast<int>(run.glyphs.size()), run.clusters.data(),
                         static_cast<int>(run.clusters.size()), cairo_text_cluster_flags_t{});
}

// Colour glyphs go into the PDF as images at their bitmaps' own size (cairo would render them
// at the glyph's size on the page, a few pixels wide). Their characters go in as blank glyphs
// of the text's face at the same places, so that the PDF's text still holds the emoji.
void CairoPdfCanvas::ShowColorGlyphs(PdfFace& face, const GlyphRun& run) {
  const double scale =
      face.strikePpem > 0 ? std::max(1, font_.pixelSize) / static_cast<double>(face.strikePpem) : 1;
  EndTextChain();
  for (const cairo_glyph_t& glyph : run.glyphs) {
    const PdfFontFaces::GlyphImage image = faces_.ColorGlyph(face, static_cast<unsigned>(glyph.index));
    if (!image.surface) continue;
    cairo_save(cr_);
    cairo_translate(cr_, glyph.x + image.left * scale, glyph.y - image.top * scale);
    cairo_scale(cr_, scale, scale);
    cairo_set_source_surface(cr_, image.surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_GOOD);
    cairo_rectangle(cr_, 0, 0, cairo_image_surface_get_width(image.surface),
                    cairo_image_surface_get_height(image.surface));
    cairo_fill(cr_);
    cairo_restore(cr_);
  }
  PdfFace* text_face = faces_.FaceOf(metrics_.RawFont(font_), false, false);
  if (!text_face || text_face->color) return;
  GlyphRun blank = run;
  blank.face = text_face;
  const unsigned space = text_face->GlyphOf(U' ');
  for (cairo_glyph_t& glyph : blank.glyphs) glyph.index = space;
  ShowRun(blank, 0xFFFFFF);
}

void CairoPdfCanvas::DrawText(int x, int baseline, std::span<const char32_t> text,
                              std::span<const int> advances, ColorRef color) {
  if (text.empty() || !metrics_.RawFont(font_).isValid()) return;
  QList<quint32> qt_glyphs;
  std::vector<const QRawFont*> fonts;
  metrics_.Glyphs(font_, text, qt_glyphs, fonts);
  std::vector<int> own;
  if (advances.size() != text.size()) {
    own.resize(text.size());
    metrics_.Advances(font_, text, own);
    advances = own;
  }
  const bool symbol_font = IsDingbatFontName(font_.name);
  GlyphRun run;
  const QRawFont* last_raw = nullptr;
  PdfFace* last_face = nullptr;
  double pen_x = x;
  for (size_t i = 0; i < text.size(); ++i) {
    // Runs of one font are the rule: its face is looked up once per run.
    if (fonts[i] != last_raw) {
      last_raw = fonts[i];
      last_face = faces_.FaceOf(*last_raw, font_.bold, font_.italic);
    }
    PdfFace* face = last_face;
    if (face != run.face) {
      ShowRun(run, color);
      run = GlyphRun{};
      run.face = face;
    }
    if (face) {
      char32_t shown = text[i] < 32 ? U' ' : text[i];
      unsigned glyph = face->GlyphOf(shown);
      // A Symbol-font byte stands for the character the metrics measured in its place.
      if (glyph == 0 && IsSymbolChar(shown) && !symbol_font) {
        const char32_t meant = SymbolCharToUnicode(shown);
        if (meant != shown && (glyph = face->GlyphOf(meant)) != 0) shown = meant;
      }
      if (glyph == 0) glyph = qt_glyphs[static_cast<qsizetype>(i)];
      run.glyphs.push_back({glyph, pen_x, static_cast<double>(baseline)});
      run.clusters.push_back({AppendChar(run.utf8, shown), 1});
    }
    pen_x += advances[i];
  }
  ShowRun(run, color);
}

PdfFace* CairoPdfCanvas::ClusterFace(std::span<const char32_t> cluster, const QRawFont& raw) {
  if (IsEmojiCluster(cluster)) {
    PdfFace* emoji = faces_.EmojiFace();
    if (emoji && emoji->GlyphOf(cluster.front()) != 0) return emoji;
  }
  return faces_.FaceOf(raw, font_.bold, font_.italic);
}

void CairoPdfCanvas::DrawShapedText(int x, int baseline, std::span<const char32_t> text,
                                    std::span<const int> advances, bool rtl, ColorRef color) {
  if (text.empty() || !metrics_.RawFont(font_).isValid()) return;
  if (advances.size() != text.size()) {
    DrawText(x, baseline, text, advances, color);
    return;
  }
  QList<quint32> qt_glyphs;
  std::vector<const QRawFont*> fonts;
  metrics_.Glyphs(font_, text, qt_glyphs, fonts);
  // Each cluster's left edge, as layout measured the run: from the left in a left-to-right run,
  // from the right in a right-to-left one.
  std::vector<int> edges = PrefixOf(advances);
  const int total = edges.back();
  for (int& edge : edges) edge = rtl ? x + total - edge : x + edge;
  // Stretches of clusters drawn from one face, each shaped on its own.
  const int n = static_cast<int>(text.size());
  size_t from = 0;
  PdfFace* face = nullptr;
  for (int at = 0; at < n;) {
    const int next = std::max(at + 1, NextClusterBoundary(text, at));
    const auto cluster = text.subspan(static_cast<size_t>(at), static_cast<size_t>(next - at));
    PdfFace* cluster_face = ClusterFace(cluster, *fonts[static_cast<size_t>(at)]);
    if (cluster_face != face) {
      if (face)
        ShowShapedSegment(text, from, static_cast<size_t>(at), *face, advances, edges, rtl, baseline, color);
      face = cluster_face;
      from = static_cast<size_t>(at);
    }
    at = next;
  }
  if (face) ShowShapedSegment(text, from, text.size(), *face, advances, edges, rtl, baseline, color);
}

// Shapes characters from..to of the run in one face and draws them from the edge layout gave
// the stretch (`edges` holds, per character, where it starts: its left edge in a left-to-right
// run, its right edge in a right-to-left one). Inside the stretch the glyphs keep the shaper's
// advances, as Qt draws a shaped run: layout's advances inside a conjunct or a ligature are
// caret positions, not glyph edges.
void CairoPdfCanvas::ShowShapedSegment(std::span<const char32_t> text, size_t from, size_t to, PdfFace& face,
                                       std::span<const int> advances, std::span<const int> edges, bool rtl,
                                       int baseline, ColorRef color) {
  const std::vector<ShapedGlyph> shaped =
      ShapeSegment(text, advances, from, to, face, std::max(1, font_.pixelSize), rtl);
  // Where each shaper cluster ends: at the next cluster's first character.
  std::vector<size_t> starts;
  starts.reserve(shaped.size() + 1);
  for (const ShapedGlyph& glyph : shaped) starts.push_back(glyph.cluster);
  starts.push_back(to);
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());

  GlyphRun run;
  run.face = &face;
  double pen_x = rtl ? edges[to] : edges[from];
  for (size_t g = 0; g < shaped.size();) {
    const size_t first = shaped[g].cluster;
    const size_t end = *std::upper_bound(starts.begin(), starts.end(), first);
    const size_t glyphs_from = g;
    for (; g < shaped.size() && shaped[g].cluster == first; ++g) {
      run.glyphs.push_back({shaped[g].glyph, pen_x + shaped[g].xOffset, baseline - shaped[g].yOffset});
      pen_x += shaped[g].xAdvance;
    }
    // Each cluster's characters in the order they were typed, the clusters in the glyphs'
    // order: readers put right-to-left words back in order from the glyphs' places, as they do
    // for other programs' PDFs.
    int bytes = 0;
    for (size_t i = first; i < end; ++i) bytes += AppendChar(run.utf8, text[i] < 32 ? U' ' : text[i]);
    run.clusters.push_back({bytes, static_cast<int>(g - glyphs_from)});
  }
  ShowRun(run, color);
}

void CairoPdfCanvas::FillRect(const Rect& rect, ColorRef color) {
  EndTextChain();
  if (rect.Empty()) return;
  SetColor(cr_, color);
  cairo_rectangle(cr_, rect.left, rect.top, rect.Width(), rect.Height());
  cairo_fill(cr_);
}

// Qt's pens: dashes in units of the pen's width, flat ends.
void CairoPdfCanvas::StrokeWith(const Pen& pen) {
  const double width = std::max(1, pen.width);
  SetColor(cr_, pen.color);
  cairo_set_line_width(cr_, width);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
  static constexpr double kDash[] = {4, 2};
  static constexpr double kDot[] = {1, 2};
  static constexpr double kDashDot[] = {4, 2, 1, 2};
  static constexpr double kDashDotDot[] = {4, 2, 1, 2, 1, 2};
  std::span<const double> pattern;
  switch (pen.style) {
    case PenStyle::Dash:
      pattern = kDash;
      break;
    case PenStyle::Dot:
      pattern = kDot;
      break;
    case PenStyle::DashDot:
      pattern = kDashDot;
      break;
    case PenStyle::DashDotDot:
      pattern = kDashDotDot;
      break;
    default:
      break;
  }
  double dashes[6] = {};
  for (size_t i = 0; i < pattern.size(); ++i) dashes[i] = pattern[i] * width;
  cairo_set_dash(cr_, dashes, static_cast<int>(pattern.size()), 0);
  cairo_stroke_preserve(cr_);
}

void CairoPdfCanvas::FillWith(const Brush& brush) {
  if (brush.null) return;
  SetColor(cr_, brush.color);
  cairo_fill_preserve(cr_);
}

void CairoPdfCanvas::DrawLine(Point from, Point to, const Pen& pen) {
  EndTextChain();
  if (pen.style == PenStyle::Null) return;
  cairo_move_to(cr_, from.x, from.y);
  cairo_line_to(cr_, to.x, to.y);
  StrokeWith(pen);
  cairo_new_path(cr_);
}

void CairoPdfCanvas::DrawPolyline(std::span<const Point> points, const Pen& pen) {
  EndTextChain();
  if (points.size() < 2 || pen.style == PenStyle::Null) return;
  cairo_move_to(cr_, points.front().x, points.front().y);
  for (const Point& p : points.subspan(1)) cairo_line_to(cr_, p.x, p.y);
  StrokeWith(pen);
  cairo_new_path(cr_);
}

void CairoPdfCanvas::DrawPolygon(std::span<const Point> points, const Pen& pen, const Brush& brush) {
  EndTextChain();
  if (points.empty()) return;
  cairo_move_to(cr_, points.front().x, points.front().y);
  for (const Point& p : points.subspan(1)) cairo_line_to(cr_, p.x, p.y);
  cairo_close_path(cr_);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);  // Qt's default for polygons
  FillWith(brush);
  if (pen.style != PenStyle::Null) StrokeWith(pen);
  cairo_new_path(cr_);
}

// Outlines as Qt draws them: the pen runs along the rectangle one pixel inside its right and
// bottom edges.
void CairoPdfCanvas::DrawRectangle(const Rect& rect, const Pen& pen, const Brush& brush) {
  EndTextChain();
  cairo_rectangle(cr_, rect.left, rect.top, std::max(0, rect.Width() - 1), std::max(0, rect.Height() - 1));
  FillWith(brush);
  if (pen.style != PenStyle::Null) StrokeWith(pen);
  cairo_new_path(cr_);
}

void CairoPdfCanvas::DrawEllipse(const Rect& rect, const Pen& pen, const Brush& brush) {
  EndTextChain();
  const double w = std::max(0, rect.Width() - 1);
  const double h = std::max(0, rect.Height() - 1);
  if (w <= 0 || h <= 0) return;
  cairo_save(cr_);
  cairo_translate(cr_, rect.left + w / 2, rect.top + h / 2);
  cairo_scale(cr_, w / 2, h / 2);
  cairo_arc(cr_, 0, 0, 1, 0, 2 * std::numbers::pi);
  cairo_restore(cr_);  // the path stays; the pen is not scaled with it
  FillWith(brush);
  if (pen.style != PenStyle::Null) StrokeWith(pen);
  cairo_new_path(cr_);
}

void CairoPdfCanvas::DrawBitmap(const Bitmap& bitmap, const Rect& dest) {
  EndTextChain();
  if (dest.Empty() || !bitmap.Valid() || bitmap.width <= 0 || bitmap.height <= 0) return;
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, bitmap.width, bitmap.height);
  if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(image);
    return;
  }
  cairo_surface_flush(image);
  unsigned char* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  for (int y = 0; y < bitmap.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    for (int x = 0; x < bitmap.width; ++x) row[x] = 0xFF000000u | bitmap.PixelRgb(x, y);
  }
  cairo_surface_mark_dirty(image);
  cairo_save(cr_);
  cairo_rectangle(cr_, dest.left, dest.top, dest.Width(), dest.Height());
  cairo_clip(cr_);
  cairo_translate(cr_, dest.left, dest.top);
  cairo_scale(cr_, dest.Width() / static_cast<double>(bitmap.width),
              dest.Height() / static_cast<double>(bitmap.height));
  cairo_set_source_surface(cr_, image, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_FAST);
  cairo_paint(cr_);
  cairo_restore(cr_);
  cairo_surface_destroy(image);
}

void CairoPdfCanvas::SetClip(const Rect* rect) {
  EndTextChain();
  cairo_reset_clip(cr_);
  if (!rect) return;
  cairo_rectangle(cr_, rect->left, rect->top, rect->Width(), rect->Height());
  cairo_clip(cr_);
}

}  // namespace inkwend
