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

struct TMfFont {
  int Height = 12;
  bool Bold = false;
  bool Italic = false;
  bool StrikeOut = false;
  bool Underline = false;
  std::u32string Face = U"Arial";
};

using TMfObject = std::variant<std::monostate, TPen, TBrush, TMfFont>;

struct TDcState {
  int WinOrgX = 0, WinOrgY = 0, WinExtX = 0, WinExtY = 0;
  TPen Pen{0x000000, 1, TPenStyle::Solid};
  TBrush Brush{0xFFFFFF, false};
  TMfFont Font;
  TColorRef TextColor = 0;
  TColorRef BkColor = 0xFFFFFF;
  bool Opaque = true;
  uint16_t TextAlign = 0;
  int CurX = 0, CurY = 0;
};

// A record's parameters; what lies past the end of the record reads as zero.
class TReader {
 public:
  TReader(std::span<const uint8_t> data) : d_(data.data(), data.size()) {}
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

TColorRef ColorAt(const TReader& r, size_t off) { return r.U32(off) & 0xFFFFFF; }

class TPlayer {
 public:
  TPlayer(TCanvas& canvas, const TMetafile& mf, const TRect& dest, TTextMetrics* metrics)
      : canvas_(canvas), mf_(mf), dest_(dest), metrics_(metrics) {
    st_.WinExtX = mf.Width > 0 ? mf.Width : std::max(1, dest.Width());
    st_.WinExtY = mf.Height > 0 ? mf.Height : std::max(1, dest.Height());
  }

  bool Play(std::string* error, TMetafileStats* stats) {
    TReader r(mf_.Bytes);
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
      ++stats_.Records;
      if (fn == kEof) {
        ended = true;
        break;
      }
      Record(TReader(std::span<const uint8_t>(mf_.Bytes).subspan(pos + 6, size - 6)), fn, words);
      pos += size;
    }
    canvas_.SetClip(nullptr);
    (void)ended;
    if (stats) *stats = stats_;
    if (stats_.Drawn == 0) {
      if (error) *error = stats_.Records == 0 ? "metafile holds no records" : "metafile draws nothing";
      return false;
    }
    return true;
  }

 private:
  int X(int lx) const {
    return Device(dest_.Left + (int64_t{lx} - st_.WinOrgX) * dest_.Width() / st_.WinExtX);
  }
  int Y(int ly) const {
    return Device(dest_.Top + (int64_t{ly} - st_.WinOrgY) * dest_.Height() / st_.WinExtY);
  }
  static int Device(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, -(int64_t{1} << 28), int64_t{1} << 28));
  }
  TRect Rect(int l, int t, int r, int b) const {
    TRect rc{X(l), Y(t), X(r), Y(b)};
    if (rc.Left > rc.Right) std::swap(rc.Left, rc.Right);
    if (rc.Top > rc.Bottom) std::swap(rc.Top, rc.Bottom);
    return rc;
  }
  TPen ScaledPen() const {
    TPen p = st_.Pen;
    if (p.Width > 1) {
      p.Width = static_cast<int>(
          std::clamp<int64_t>(int64_t{p.Width} * dest_.Width() / std::abs(st_.WinExtX), 1, 1000));
    }
    return p;
  }
  void AddObject(TMfObject o) {
    for (auto& slot : objects_) {
      if (!slot) {
        slot = std::move(o);
        return;
      }
    }
    if (objects_.size() < kMaxObjects) objects_.emplace_back(std::move(o));
  }
  std::vector<TPoint> Points(const TReader& r, size_t off, int count) const {
    std::vector<TPoint> pts;
    if (count <= 0 || !r.Has(off, static_cast<size_t>(count) * 4)) return pts;
    pts.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
      pts.push_back(
          {X(r.S16(off + static_cast<size_t>(i) * 4)), Y(r.S16(off + static_cast<size_t>(i) * 4 + 2))});
    }
    return pts;
  }

  void DrawDib(std::span<const uint8_t> dib, int sx, int sy, int sw, int sh, const TRect& rc) {
    TBitmap bmp;
    std::string err;
    if (dib.empty() || !DecodeDib(dib, bmp, err) || rc.Empty()) return;
    // Only the source rectangle is shown.
    if (sw > 0 && sh > 0 && (sx != 0 || sy != 0 || sw != bmp.Width || sh != bmp.Height)) {
      sx = std::clamp(sx, 0, bmp.Width);
      sy = std::clamp(sy, 0, bmp.Height);
      sw = std::clamp(sw, 0, bmp.Width - sx);
      sh = std::clamp(sh, 0, bmp.Height - sy);
      if (sw == 0 || sh == 0) return;
      TBitmap part;
      part.Width = sw;
      part.Height = sh;
      part.BitsPerPixel = 24;
      part.Bits.assign(static_cast<size_t>(part.Stride()) * static_cast<size_t>(sh), 0);
      for (int y = 0; y < sh; ++y) {
        for (int x = 0; x < sw; ++x) {
          // DIB source coordinates count from the bottom row.
          const uint32_t rgb = bmp.PixelRgb(sx + x, bmp.Height - (sy + sh) + y);
          uint8_t* px = part.Bits.data() + static_cast<size_t>(y) * static_cast<size_t>(part.Stride()) +
                        static_cast<size_t>(x) * 3;
          px[0] = rgb & 0xFF;
          px[1] = (rgb >> 8) & 0xFF;
          px[2] = (rgb >> 16) & 0xFF;
        }
      }
      bmp = std::move(part);
    }
    canvas_.DrawBitmap(bmp, rc);
    ++stats_.Drawn;
  }

  void DrawString(int lx, int ly, std::span<const uint8_t> bytes) {
    std::u32string text;
    for (uint8_t b : bytes) text.push_back(Windows1252ToUnicode(b));
    while (!text.empty() && text.back() == 0) text.pop_back();
    if (text.empty()) return;
    TFontSpec f;
    f.Name = st_.Font.Face.empty() ? U"Arial" : st_.Font.Face;
    f.Bold = st_.Font.Bold;
    f.Italic = st_.Font.Italic;
    f.StrikeOut = st_.Font.StrikeOut;
    int64_t px = int64_t{st_.Font.Height} * dest_.Height() / st_.WinExtY;
    if (px < 0) px = -px;
    f.PixelSize = static_cast<int>(std::clamp<int64_t>(px, 1, 2000));
    f.PointSize = std::max(1, f.PixelSize * 72 / 96);
    std::vector<int> adv(text.size(), f.PixelSize / 2);
    int ascent = f.PixelSize * 4 / 5, height = f.PixelSize * 23 / 20;
    if (metrics_) {
      metrics_->Advances(f, text, adv);
      const TFontMetrics m = metrics_->Metrics(f);
      ascent = m.Ascent;
      height = m.Height;
    }
    int width = 0;
    for (int a : adv) width += a;
    int x = (st_.TextAlign & 1) ? st_.CurX : X(lx);
    const int y = (st_.TextAlign & 1) ? st_.CurY : Y(ly);
    const int h_align = st_.TextAlign & 6;
    if (h_align == 6)
      x -= width / 2;  // centre
    else if (h_align == 2)
      x -= width;               // right
    int baseline = y + ascent;  // top
    if ((st_.TextAlign & 24) == 24)
      baseline = y;
    else if (st_.TextAlign & 8)
      baseline = y - (height - ascent);  // bottom
    canvas_.SetFont(f);
    canvas_.DrawText(x, baseline, text, {}, st_.TextColor);
    if (st_.Font.Underline)
      canvas_.DrawLine({x, baseline + 2}, {x + width, baseline + 2}, TPen{st_.TextColor, 1});
    if (st_.TextAlign & 1) st_.CurX = x + width;
    ++stats_.Drawn;
  }

  // Several polygons: their point counts, then all their points.
  void DrawPolyPolygon(const TReader& r) {
    const int n = r.U16(0);
    if (n <= 0 || !r.Has(2, static_cast<size_t>(n) * 2)) return;
    size_t off = 2 + static_cast<size_t>(n) * 2;
    for (int k = 0; k < n; ++k) {
      const int count = r.U16(2 + static_cast<size_t>(k) * 2);
      const auto pts = Points(r, off, count);
      if (pts.size() >= 2) canvas_.DrawPolygon(pts, ScaledPen(), st_.Brush);
      off += static_cast<size_t>(count) * 4;
    }
    ++stats_.Drawn;
  }

  // Text with an optional rectangle that is filled first when opaque.
  void DrawExtText(const TReader& r) {
    const int y = r.S16(0), x = r.S16(2), count = r.S16(4);
    const uint16_t options = r.U16(6);
    size_t off = 8;
    if (options & 0x0006) {  // opaque or clipped: a rectangle follows
      if (options & 0x0002) {
        const TRect rc = Rect(r.S16(8), r.S16(10), r.S16(12), r.S16(14));
        canvas_.FillRect(rc, st_.BkColor);
      }
      off += 8;
    }
    if (count > 0) DrawString(x, y, r.Bytes(off, static_cast<size_t>(count)));
  }

  // A logical font: height, weight, italic, underline, strike-out and face name.
  void CreateFont(const TReader& r) {
    TMfFont f;
    f.Height = std::abs(static_cast<int>(r.S16(0)));
    if (f.Height == 0) f.Height = 12;
    f.Bold = r.S16(8) >= 600;
    f.Italic = r.Bytes(10, 1).size() == 1 && r.Bytes(10, 1)[0] != 0;
    f.Underline = r.Bytes(11, 1).size() == 1 && r.Bytes(11, 1)[0] != 0;
    f.StrikeOut = r.Bytes(12, 1).size() == 1 && r.Bytes(12, 1)[0] != 0;
    std::u32string face;
    for (size_t k = 18; k < 18 + 32 && r.Has(k, 1); ++k) {
      const uint8_t b = r.Bytes(k, 1)[0];
      if (b == 0) break;
      face.push_back(Windows1252ToUnicode(b));
    }
    if (!face.empty()) f.Face = face;
    AddObject(f);
  }

  // Records that change the drawing state: saved states, colours, modes, window mapping, position.
  bool RecordState(const TReader& r, uint16_t fn) {
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
        st_.BkColor = ColorAt(r, 0);
        return true;
      case kSetBkMode:
        st_.Opaque = r.U16(0) == 2;
        return true;
      case kSetTextColor:
        st_.TextColor = ColorAt(r, 0);
        return true;
      case kSetTextAlign:
        st_.TextAlign = r.U16(0);
        return true;
      case kSetWindowOrg:
        st_.WinOrgY = r.S16(0);
        st_.WinOrgX = r.S16(2);
        return true;
      case kSetWindowExt:
        if (r.S16(0) != 0 && r.S16(2) != 0) {
          st_.WinExtY = r.S16(0);
          st_.WinExtX = r.S16(2);
        }
        return true;
      case kOffsetWindowOrg:
        st_.WinOrgY = Bounded(int64_t{st_.WinOrgY} + r.S16(0));
        st_.WinOrgX = Bounded(int64_t{st_.WinOrgX} + r.S16(2));
        return true;
      case kScaleWindowExt: {
        const int yd = r.S16(0), yn = r.S16(2), xd = r.S16(4), xn = r.S16(6);
        if (xd != 0 && yd != 0) {
          const int ex = Bounded(int64_t{st_.WinExtX} * xn / xd),
                    ey = Bounded(int64_t{st_.WinExtY} * yn / yd);
          if (ex != 0 && ey != 0) {
            st_.WinExtX = ex;
            st_.WinExtY = ey;
          }
        }
        return true;
      }
      case kMoveTo:
        st_.CurY = Y(r.S16(0));
        st_.CurX = X(r.S16(2));
        return true;
      default:
        return false;
    }
  }

  // Records that draw lines, shapes and text.
  bool RecordShape(const TReader& r, uint16_t fn) {
    switch (fn) {
      case kLineTo: {
        const TPoint to{X(r.S16(2)), Y(r.S16(0))};
        if (st_.Pen.Style != TPenStyle::Null) canvas_.DrawLine({st_.CurX, st_.CurY}, to, ScaledPen());
        st_.CurX = to.X;
        st_.CurY = to.Y;
        ++stats_.Drawn;
        return true;
      }
      case kPolyline:
      case kPolygon: {
        const auto pts = Points(r, 2, r.S16(0));
        if (pts.size() < 2) return true;
        if (fn == kPolyline)
          canvas_.DrawPolyline(pts, ScaledPen());
        else
          canvas_.DrawPolygon(pts, ScaledPen(), st_.Brush);
        ++stats_.Drawn;
        return true;
      }
      case kPolyPolygon:
        DrawPolyPolygon(r);
        return true;
      case kRectangle:
      case kRoundRect:
      case kEllipse: {
        const size_t o = fn == kRoundRect ? 4 : 0;  // rounded corners are drawn square
        const TRect rc = Rect(r.S16(o + 6), r.S16(o + 4), r.S16(o + 2), r.S16(o + 0));
        if (fn == kEllipse)
          canvas_.DrawEllipse(rc, ScaledPen(), st_.Brush);
        else
          canvas_.DrawRectangle(rc, ScaledPen(), st_.Brush);
        ++stats_.Drawn;
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
  bool RecordPicture(const TReader& r, uint16_t fn, uint32_t words) {
    switch (fn) {
      case kStretchDib: {
        // rop(4) usage(2) srcH srcW srcY srcX dstH dstW dstY dstX dib
        const TRect rc = Rect(r.S16(20), r.S16(18), r.S16(20) + r.S16(16), r.S16(18) + r.S16(14));
        DrawDib(r.Bytes(22, r.Size() > 22 ? r.Size() - 22 : 0), r.S16(12), r.S16(10), r.S16(8), r.S16(6), rc);
        return true;
      }
      case kDibStretchBlt: {
        // rop(4) srcH srcW srcY srcX dstH dstW dstY dstX dib; the short form (no bitmap) is skipped.
        if (words == static_cast<uint32_t>((fn >> 8) + 3)) return true;
        const TRect rc = Rect(r.S16(18), r.S16(16), r.S16(18) + r.S16(14), r.S16(16) + r.S16(12));
        DrawDib(r.Bytes(20, r.Size() > 20 ? r.Size() - 20 : 0), r.S16(10), r.S16(8), r.S16(6), r.S16(4), rc);
        return true;
      }
      case kDibBitBlt: {
        // rop(4) srcY srcX height width dstY dstX dib
        if (words == static_cast<uint32_t>((fn >> 8) + 3)) return true;
        const int h = r.S16(8), w = r.S16(10);
        const TRect rc = Rect(r.S16(14), r.S16(12), r.S16(14) + w, r.S16(12) + h);
        DrawDib(r.Bytes(16, r.Size() > 16 ? r.Size() - 16 : 0), r.S16(6), r.S16(4), w, h, rc);
        return true;
      }
      default:
        return false;
    }
  }

  // Records that create, select and delete pens, brushes and fonts.
  bool RecordObject(const TReader& r, uint16_t fn) {
    switch (fn) {
      case kCreatePen: {
        TPen p;
        const uint16_t style = r.U16(0);
        p.Style = (style & 0x0F) <= 5 ? static_cast<TPenStyle>(style & 0x0F) : TPenStyle::Solid;
        p.Width = std::max(1, static_cast<int>(r.S16(2)));
        p.Color = ColorAt(r, 6);
        AddObject(p);
        return true;
      }
      case kCreateBrush: {
        TBrush b;
        b.Null = r.U16(0) == 1;  // BS_NULL
        b.Color = ColorAt(r, 2);
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
        AddObject(fn == kDibCreatePatternBrush || fn == kCreatePatternBrush
                      ? TMfObject(TBrush{0x808080, false})
                      : TMfObject(std::monostate{}));
        return true;
      case kSelectObject: {
        const size_t i = r.U16(0);
        if (i >= objects_.size() || !objects_[i]) return true;
        if (auto* p = std::get_if<TPen>(&*objects_[i]))
          st_.Pen = *p;
        else if (auto* b = std::get_if<TBrush>(&*objects_[i]))
          st_.Brush = *b;
        else if (auto* f = std::get_if<TMfFont>(&*objects_[i]))
          st_.Font = *f;
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

  void Record(const TReader& r, uint16_t fn, uint32_t words) {
    if (RecordState(r, fn) || RecordShape(r, fn) || RecordPicture(r, fn, words) || RecordObject(r, fn))
      return;
    ++stats_.Skipped;
  }

  TCanvas& canvas_;
  const TMetafile& mf_;
  TRect dest_;
  TTextMetrics* metrics_;
  TDcState st_;
  std::vector<TDcState> saved_;
  std::vector<std::optional<TMfObject>> objects_;
  TMetafileStats stats_;
};

}  // namespace

bool PlayMetafile(TCanvas& canvas, const TMetafile& metafile, const TRect& dest, TTextMetrics* metrics,
                  std::string* error, TMetafileStats* stats) {
  if (dest.Empty()) {
    if (error) *error = "empty rectangle";
    return false;
  }
  TPlayer player(canvas, metafile, dest, metrics);
  return player.Play(error, stats);
}

}  // namespace inkwend
