#include "richtext/layout/metafile.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <variant>
#include <vector>

#include "base/byte_reader.h"
#include "base/text_encoding.h"
#include "richtext/model/charset.h"
#include "richtext/picture/bitmap_codec.h"

namespace inkwend {

namespace {

// Record functions.
constexpr uint16_t kEof = 0x0000;
constexpr uint16_t kSaveDc = 0x001E;
constexpr uint16_t kRestoreDc = 0x0127;
constexpr uint16_t kSetBkColor = 0x0201;
constexpr uint16_t kSetBkMode = 0x0102;
constexpr uint16_t kSetTextColor = 0x0209;
constexpr uint16_t kSetTextAlign = 0x012E;
constexpr uint16_t kSetWindowOrg = 0x020B;
constexpr uint16_t kSetWindowExt = 0x020C;
constexpr uint16_t kOffsetWindowOrg = 0x020F;
constexpr uint16_t kScaleWindowExt = 0x0410;
constexpr uint16_t kMoveTo = 0x0214;
constexpr uint16_t kLineTo = 0x0213;
constexpr uint16_t kPolyline = 0x0325;
constexpr uint16_t kPolygon = 0x0324;
constexpr uint16_t kPolyPolygon = 0x0538;
constexpr uint16_t kRectangle = 0x041B;
constexpr uint16_t kRoundRect = 0x061C;
constexpr uint16_t kEllipse = 0x0418;
constexpr uint16_t kTextOut = 0x0521;
constexpr uint16_t kExtTextOut = 0x0A32;
constexpr uint16_t kStretchDib = 0x0F43;
constexpr uint16_t kDibStretchBlt = 0x0B41;
constexpr uint16_t kDibBitBlt = 0x0940;
constexpr uint16_t kSelectObject = 0x012D;
constexpr uint16_t kDeleteObject = 0x01F0;
constexpr uint16_t kCreatePen = 0x02FA;
constexpr uint16_t kCreateBrush = 0x02FC;
constexpr uint16_t kCreateFont = 0x02FB;
// Records that create an object this player does not draw with; they still take a slot.
constexpr uint16_t kCreatePalette = 0x00F7;
constexpr uint16_t kCreatePatternBrush = 0x01F9;
constexpr uint16_t kDibCreatePatternBrush = 0x0142;
constexpr uint16_t kCreateRegion = 0x06FF;

constexpr size_t kMaxObjects = 4096;

// Logical coordinates stay within a range where mapping them cannot overflow.
int Bounded(int64_t v) {
  return static_cast<int>(std::clamp<int64_t>(v, -(int64_t{1} << 24), int64_t{1} << 24));
}

struct MfFont {
  int height = 12;
  bool bold = false;
  bool italic = false;
  bool strikeOut = false;
  bool underline = false;
  std::u32string face = U"Arial";
};

using MfObject = std::variant<std::monostate, Pen, Brush, MfFont>;

struct DcState {
  int winOrgX = 0, winOrgY = 0, winExtX = 0, winExtY = 0;
  Pen pen{0x000000, 1, PenStyle::Solid};
  Brush brush{0xFFFFFF, false};
  MfFont font;
  ColorRef textColor = 0;
  ColorRef bkColor = 0xFFFFFF;
  bool opaque = true;
  uint16_t textAlign = 0;
  int curX = 0, curY = 0;
};

// A record's parameters; what lies past the end of the record reads as zero.
class Reader {
 public:
  Reader(std::span<const uint8_t> data) : d_(data.data(), data.size()) {}
  bool Has(size_t off, size_t n) const { return d_.Holds(off, n); }
  uint16_t U16(size_t off) const { return d_.U16At(off); }
  int16_t S16(size_t off) const { return d_.I16At(off); }
  // Read a half at a time: a 32-bit value cut off by the end of its record keeps its low half.
  uint32_t U32(size_t off) const { return U16(off) | (static_cast<uint32_t>(U16(off + 2)) << 16); }
  std::span<const uint8_t> Bytes(size_t off, size_t n) const {
    return Has(off, n) ? std::span<const uint8_t>(d_.Data() + off, n) : std::span<const uint8_t>();
  }
  size_t Size() const { return d_.Size(); }

 private:
  ByteReader d_;
};

ColorRef ColorAt(const Reader& r, size_t off) { return r.U32(off) & 0xFFFFFF; }

class Player {
 public:
  Player(Canvas& canvas, const Metafile& mf, const inkwend::Rect& dest, TextMetrics* metrics)
      : canvas_(canvas), mf_(mf), dest_(dest), metrics_(metrics) {
    st_.winExtX = mf.width > 0 ? mf.width : std::max(1, dest.Width());
    st_.winExtY = mf.height > 0 ? mf.height : std::max(1, dest.Height());
  }

  bool Play(std::string* error, MetafileStats* stats) {
    Reader r(mf_.bytes);
    size_t pos = 0;
    if (r.Size() >= 22 && r.U32(0) == 0x9AC6CDD7u) pos = 22;  // placeable header left in front
    // The standard 18-byte header: type 1 or 2, header size 9 words.
    if (r.Has(pos, 18) && (r.U16(pos) == 1 || r.U16(pos) == 2) && r.U16(pos + 2) == 9)
      pos += 18;
    else {
      if (error) *error = "not a metafile";
      return false;
    }
    canvas_.SetClip(&dest_);
    bool ended = false;
    while (r.Has(pos, 6)) {
      const uint32_t words = r.U32(pos);
      const uint16_t fn = r.U16(pos + 4);
      if (words < 3 || words > (r.Size() - pos) / 2) break;  // damaged: stop here
      const size_t size = static_cast<size_t>(words) * 2;
      ++stats_.records;
      if (fn == kEof) {
        ended = true;
        break;
      }
      Record(Reader(std::span<const uint8_t>(mf_.bytes).subspan(pos + 6, size - 6)), fn, words);
      pos += size;
    }
    canvas_.SetClip(nullptr);
    (void)ended;
    if (stats) *stats = stats_;
    if (stats_.drawn == 0) {
      if (error) *error = stats_.records == 0 ? "metafile holds no records" : "metafile draws nothing";
      return false;
    }
    return true;
  }

 private:
  int X(int lx) const {
    return Device(dest_.left + (int64_t{lx} - st_.winOrgX) * dest_.Width() / st_.winExtX);
  }
  int Y(int ly) const {
    return Device(dest_.top + (int64_t{ly} - st_.winOrgY) * dest_.Height() / st_.winExtY);
  }
  static int Device(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, -(int64_t{1} << 28), int64_t{1} << 28));
  }
  inkwend::Rect Rect(int l, int t, int r, int b) const {
    inkwend::Rect rc{X(l), Y(t), X(r), Y(b)};
    if (rc.left > rc.right) std::swap(rc.left, rc.right);
    if (rc.top > rc.bottom) std::swap(rc.top, rc.bottom);
    return rc;
  }
  Pen ScaledPen() const {
    Pen p = st_.pen;
    if (p.width > 1) {
      p.width = static_cast<int>(
          std::clamp<int64_t>(int64_t{p.width} * dest_.Width() / std::abs(st_.winExtX), 1, 1000));
    }
    return p;
  }
  void AddObject(MfObject o) {
    for (auto& slot : objects_) {
      if (!slot) {
        slot = std::move(o);
        return;
      }
    }
    if (objects_.size() < kMaxObjects) objects_.emplace_back(std::move(o));
  }
  std::vector<Point> Points(const Reader& r, size_t off, int count) const {
    std::vector<Point> pts;
    if (count <= 0 || !r.Has(off, static_cast<size_t>(count) * 4)) return pts;
    pts.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
      pts.push_back(
          {X(r.S16(off + static_cast<size_t>(i) * 4)), Y(r.S16(off + static_cast<size_t>(i) * 4 + 2))});
    }
    return pts;
  }

  void DrawDib(std::span<const uint8_t> dib, int sx, int sy, int sw, int sh, const inkwend::Rect& rc) {
    Bitmap bmp;
    std::string err;
    if (dib.empty() || !DecodeDib(dib, bmp, err) || rc.Empty()) return;
    // Only the source rectangle is shown.
    if (sw > 0 && sh > 0 && (sx != 0 || sy != 0 || sw != bmp.width || sh != bmp.height)) {
      sx = std::clamp(sx, 0, bmp.width);
      sy = std::clamp(sy, 0, bmp.height);
      sw = std::clamp(sw, 0, bmp.width - sx);
      sh = std::clamp(sh, 0, bmp.height - sy);
      if (sw == 0 || sh == 0) return;
      Bitmap part;
      part.width = sw;
      part.height = sh;
      part.bitsPerPixel = 24;
      part.bits.assign(static_cast<size_t>(part.Stride()) * static_cast<size_t>(sh), 0);
      for (int y = 0; y < sh; ++y) {
        for (int x = 0; x < sw; ++x) {
          // DIB source coordinates count from the bottom row.
          const uint32_t rgb = bmp.PixelRgb(sx + x, bmp.height - (sy + sh) + y);
          uint8_t* px = part.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(part.Stride()) +
                        static_cast<size_t>(x) * 3;
          px[0] = rgb & 0xFF;
          px[1] = (rgb >> 8) & 0xFF;
          px[2] = (rgb >> 16) & 0xFF;
        }
      }
      bmp = std::move(part);
    }
    canvas_.DrawBitmap(bmp, rc);
    ++stats_.drawn;
  }

  void DrawString(int lx, int ly, std::span<const uint8_t> bytes) {
    std::u32string text;
    for (uint8_t b : bytes) text.push_back(Windows1252ToUnicode(b));
    while (!text.empty() && text.back() == 0) text.pop_back();
    if (text.empty()) return;
    FontSpec f;
    f.name = st_.font.face.empty() ? U"Arial" : st_.font.face;
    f.bold = st_.font.bold;
    f.italic = st_.font.italic;
    f.strikeOut = st_.font.strikeOut;
    int64_t px = int64_t{st_.font.height} * dest_.Height() / st_.winExtY;
    if (px < 0) px = -px;
    f.pixelSize = static_cast<int>(std::clamp<int64_t>(px, 1, 2000));
    f.pointSize = std::max(1, f.pixelSize * 72 / 96);
    std::vector<int> adv(text.size(), f.pixelSize / 2);
    int ascent = f.pixelSize * 4 / 5, height = f.pixelSize * 23 / 20;
    if (metrics_) {
      metrics_->Advances(f, text, adv);
      const FontMetrics m = metrics_->Metrics(f);
      ascent = m.ascent;
      height = m.height;
    }
    int width = 0;
    for (int a : adv) width += a;
    int x = (st_.textAlign & 1) ? st_.curX : X(lx);
    const int y = (st_.textAlign & 1) ? st_.curY : Y(ly);
    const int h_align = st_.textAlign & 6;
    if (h_align == 6)
      x -= width / 2;  // centre
    else if (h_align == 2)
      x -= width;               // right
    int baseline = y + ascent;  // top
    if ((st_.textAlign & 24) == 24)
      baseline = y;
    else if (st_.textAlign & 8)
      baseline = y - (height - ascent);  // bottom
    canvas_.SetFont(f);
    canvas_.DrawText(x, baseline, text, {}, st_.textColor);
    if (st_.font.underline)
      canvas_.DrawLine({x, baseline + 2}, {x + width, baseline + 2}, Pen{st_.textColor, 1});
    if (st_.textAlign & 1) st_.curX = x + width;
    ++stats_.drawn;
  }

  // Several polygons: their point counts, then all their points.
  void DrawPolyPolygon(const Reader& r) {
    const int n = r.U16(0);
    if (n <= 0 || !r.Has(2, static_cast<size_t>(n) * 2)) return;
    size_t off = 2 + static_cast<size_t>(n) * 2;
    for (int k = 0; k < n; ++k) {
      const int count = r.U16(2 + static_cast<size_t>(k) * 2);
      const auto pts = Points(r, off, count);
      if (pts.size() >= 2) canvas_.DrawPolygon(pts, ScaledPen(), st_.brush);
      off += static_cast<size_t>(count) * 4;
    }
    ++stats_.drawn;
  }

  // Text with an optional rectangle that is filled first when opaque.
  void DrawExtText(const Reader& r) {
    const int y = r.S16(0), x = r.S16(2), count = r.S16(4);
    const uint16_t options = r.U16(6);
    size_t off = 8;
    if (options & 0x0006) {  // opaque or clipped: a rectangle follows
      if (options & 0x0002) {
        const inkwend::Rect rc = Rect(r.S16(8), r.S16(10), r.S16(12), r.S16(14));
        canvas_.FillRect(rc, st_.bkColor);
      }
      off += 8;
    }
    if (count > 0) DrawString(x, y, r.Bytes(off, static_cast<size_t>(count)));
  }

  // A logical font: height, weight, italic, underline, strike-out and face name.
  void CreateFont(const Reader& r) {
    MfFont f;
    f.height = std::abs(static_cast<int>(r.S16(0)));
    if (f.height == 0) f.height = 12;
    f.bold = r.S16(8) >= 600;
    f.italic = r.Bytes(10, 1).size() == 1 && r.Bytes(10, 1)[0] != 0;
    f.underline = r.Bytes(11, 1).size() == 1 && r.Bytes(11, 1)[0] != 0;
    f.strikeOut = r.Bytes(12, 1).size() == 1 && r.Bytes(12, 1)[0] != 0;
    std::u32string face;
    for (size_t k = 18; k < 18 + 32 && r.Has(k, 1); ++k) {
      const uint8_t b = r.Bytes(k, 1)[0];
      if (b == 0) break;
      face.push_back(Windows1252ToUnicode(b));
    }
    if (!face.empty()) f.face = face;
    AddObject(f);
  }

  // Records that change the drawing state: saved states, colours, modes, window mapping, position.
  bool RecordState(const Reader& r, uint16_t fn) {
    switch (fn) {
      case kSaveDc:
        if (saved_.size() < 64) saved_.push_back(st_);
        return true;
      case kRestoreDc:
        if (!saved_.empty()) {
          st_ = saved_.back();
          saved_.pop_back();
        }
        return true;
      case kSetBkColor:
        st_.bkColor = ColorAt(r, 0);
        return true;
      case kSetBkMode:
        st_.opaque = r.U16(0) == 2;
        return true;
      case kSetTextColor:
        st_.textColor = ColorAt(r, 0);
        return true;
      case kSetTextAlign:
        st_.textAlign = r.U16(0);
        return true;
      case kSetWindowOrg:
        st_.winOrgY = r.S16(0);
        st_.winOrgX = r.S16(2);
        return true;
      case kSetWindowExt:
        if (r.S16(0) != 0 && r.S16(2) != 0) {
          st_.winExtY = r.S16(0);
          st_.winExtX = r.S16(2);
        }
        return true;
      case kOffsetWindowOrg:
        st_.winOrgY = Bounded(int64_t{st_.winOrgY} + r.S16(0));
        st_.winOrgX = Bounded(int64_t{st_.winOrgX} + r.S16(2));
        return true;
      case kScaleWindowExt: {
        const int yd = r.S16(0), yn = r.S16(2), xd = r.S16(4), xn = r.S16(6);
        if (xd != 0 && yd != 0) {
          const int ex = Bounded(int64_t{st_.winExtX} * xn / xd),
                    ey = Bounded(int64_t{st_.winExtY} * yn / yd);
          if (ex != 0 && ey != 0) {
            st_.winExtX = ex;
            st_.winExtY = ey;
          }
        }
        return true;
      }
      case kMoveTo:
        st_.curY = Y(r.S16(0));
        st_.curX = X(r.S16(2));
        return true;
      default:
        return false;
    }
  }

  // Records that draw lines, shapes and text.
  bool RecordShape(const Reader& r, uint16_t fn) {
    switch (fn) {
      case kLineTo: {
        const Point to{X(r.S16(2)), Y(r.S16(0))};
        if (st_.pen.style != PenStyle::Null) canvas_.DrawLine({st_.curX, st_.curY}, to, ScaledPen());
        st_.curX = to.x;
        st_.curY = to.y;
        ++stats_.drawn;
        return true;
      }
      case kPolyline:
      case kPolygon: {
        const auto pts = Points(r, 2, r.S16(0));
        if (pts.size() < 2) return true;
        if (fn == kPolyline)
          canvas_.DrawPolyline(pts, ScaledPen());
        else
          canvas_.DrawPolygon(pts, ScaledPen(), st_.brush);
        ++stats_.drawn;
        return true;
      }
      case kPolyPolygon:
        DrawPolyPolygon(r);
        return true;
      case kRectangle:
      case kRoundRect:
      case kEllipse: {
        const size_t o = fn == kRoundRect ? 4 : 0;  // rounded corners are drawn square
        const inkwend::Rect rc = Rect(r.S16(o + 6), r.S16(o + 4), r.S16(o + 2), r.S16(o + 0));
        if (fn == kEllipse)
          canvas_.DrawEllipse(rc, ScaledPen(), st_.brush);
        else
          canvas_.DrawRectangle(rc, ScaledPen(), st_.brush);
        ++stats_.drawn;
        return true;
      }
      case kTextOut: {
        const int count = r.S16(0);
        if (count <= 0) return true;
        const size_t padded = (static_cast<size_t>(count) + 1) & ~size_t{1};
        DrawString(r.S16(2 + padded + 2), r.S16(2 + padded), r.Bytes(2, static_cast<size_t>(count)));
        return true;
      }
      case kExtTextOut:
        DrawExtText(r);
        return true;
      default:
        return false;
    }
  }

  // Records that draw a device-independent bitmap.
  bool RecordPicture(const Reader& r, uint16_t fn, uint32_t words) {
    switch (fn) {
      case kStretchDib: {
        // rop(4) usage(2) srcH srcW srcY srcX dstH dstW dstY dstX dib
        const inkwend::Rect rc = Rect(r.S16(20), r.S16(18), r.S16(20) + r.S16(16), r.S16(18) + r.S16(14));
        DrawDib(r.Bytes(22, r.Size() > 22 ? r.Size() - 22 : 0), r.S16(12), r.S16(10), r.S16(8), r.S16(6), rc);
        return true;
      }
      case kDibStretchBlt: {
        // rop(4) srcH srcW srcY srcX dstH dstW dstY dstX dib; the short form (no bitmap) is skipped.
        if (words == static_cast<uint32_t>((fn >> 8) + 3)) return true;
        const inkwend::Rect rc = Rect(r.S16(18), r.S16(16), r.S16(18) + r.S16(14), r.S16(16) + r.S16(12));
        DrawDib(r.Bytes(20, r.Size() > 20 ? r.Size() - 20 : 0), r.S16(10), r.S16(8), r.S16(6), r.S16(4), rc);
        return true;
      }
      case kDibBitBlt: {
        // rop(4) srcY srcX height width dstY dstX dib
        if (words == static_cast<uint32_t>((fn >> 8) + 3)) return true;
        const int h = r.S16(8), w = r.S16(10);
        const inkwend::Rect rc = Rect(r.S16(14), r.S16(12), r.S16(14) + w, r.S16(12) + h);
        DrawDib(r.Bytes(16, r.Size() > 16 ? r.Size() - 16 : 0), r.S16(6), r.S16(4), w, h, rc);
        return true;
      }
      default:
        return false;
    }
  }

  // Records that create, select and delete pens, brushes and fonts.
  bool RecordObject(const Reader& r, uint16_t fn) {
    switch (fn) {
      case kCreatePen: {
        Pen p;
        const uint16_t style = r.U16(0);
        p.style = (style & 0x0F) <= 5 ? static_cast<PenStyle>(style & 0x0F) : PenStyle::Solid;
        p.width = std::max(1, static_cast<int>(r.S16(2)));
        p.color = ColorAt(r, 6);
        AddObject(p);
        return true;
      }
      case kCreateBrush: {
        Brush b;
        b.null = r.U16(0) == 1;  // BS_NULL
        b.color = ColorAt(r, 2);
        AddObject(b);
        return true;
      }
      case kCreateFont:
        CreateFont(r);
        return true;
      case kCreatePalette:
      case kCreatePatternBrush:
      case kDibCreatePatternBrush:
      case kCreateRegion:
        AddObject(fn == kDibCreatePatternBrush || fn == kCreatePatternBrush ? MfObject(Brush{0x808080, false})
                                                                            : MfObject(std::monostate{}));
        return true;
      case kSelectObject: {
        const size_t i = r.U16(0);
        if (i >= objects_.size() || !objects_[i]) return true;
        if (auto* p = std::get_if<Pen>(&*objects_[i]))
          st_.pen = *p;
        else if (auto* b = std::get_if<Brush>(&*objects_[i]))
          st_.brush = *b;
        else if (auto* f = std::get_if<MfFont>(&*objects_[i]))
          st_.font = *f;
        return true;
      }
      case kDeleteObject: {
        const size_t i = r.U16(0);
        if (i < objects_.size()) objects_[i].reset();
        return true;
      }
      default:
        return false;
    }
  }

  void Record(const Reader& r, uint16_t fn, uint32_t words) {
    if (RecordState(r, fn) || RecordShape(r, fn) || RecordPicture(r, fn, words) || RecordObject(r, fn))
      return;
    ++stats_.skipped;
  }

  Canvas& canvas_;
  const Metafile& mf_;
  inkwend::Rect dest_;
  TextMetrics* metrics_;
  DcState st_;
  std::vector<DcState> saved_;
  std::vector<std::optional<MfObject>> objects_;
  MetafileStats stats_;
};

}  // namespace

bool PlayMetafile(Canvas& canvas, const Metafile& metafile, const Rect& dest, TextMetrics* metrics,
                  std::string* error, MetafileStats* stats) {
  if (dest.Empty()) {
    if (error) *error = "empty rectangle";
    return false;
  }
  Player player(canvas, metafile, dest, metrics);
  return player.Play(error, stats);
}

}  // namespace inkwend
