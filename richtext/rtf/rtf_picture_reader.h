#pragma once
// The pictures of an RTF file as they are read: an embedded picture (\pict: its kind, sizes and
// bytes, given as hexadecimal digits or after \bin) and a linked one (\picfile: a quoted file
// name). The reader turns the finished picture into an object of the document.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "richtext/model/objects.h"
#include "richtext/picture/picture_decoder.h"

namespace inkwend {

// One picture holds at most this many bytes; a larger one is dropped.
inline constexpr size_t kMaxPictureBytes = 64u << 20;

class RtfPictureReader {
 public:
  // \pict opened a picture group at group depth `depth`.
  void Start(size_t depth);
  // \picfile: a linked picture's group.
  void StartFile();
  // \wmetafile, \dibitmap, ...: `kind` as the keyword table gives it (EmbeddedPictureKind).
  void SetKind(int kind);
  // \picw, \pich, \picwgoal, ...: `index` as the keyword table gives it.
  void SetValue(int index, int32_t value) { values_[index] = value; }

  // Takes hexadecimal digits (and the white space between them) from the front of `bytes`;
  // returns how many bytes were taken.
  size_t AddHexDigits(const uint8_t* bytes, size_t count);
  // Bytes of \bin data.
  void AddBinary(const uint8_t* bytes, size_t count);
  // A character of the \picfile group: quotes enclose the file name.
  void AddFileNameChar(char32_t c);

  size_t Depth() const { return depth_; }
  // The picture's data was larger than kMaxPictureBytes.
  bool Overflowed() const { return overflow_; }
  std::vector<uint8_t> TakeData() { return std::exchange(data_, {}); }
  std::u32string TakeFileName() { return std::exchange(fileName_, {}); }
  // The graphic `data` holds as this picture's kind and sizes; empty when it cannot be decoded.
  DocGraphic Decode(std::vector<uint8_t> data, const WPPictureDecoder* decoder) const;
  // The size the picture is shown at, in twips (\picwgoal and \pichgoal, scaled).
  int32_t ShownWidth() const;
  int32_t ShownHeight() const;

 private:
  void ResetValues();

  int kind_ = 0;
  // picw, pich, picwgoal, pichgoal, picscalex, picscaley, wbmbitspixel, wbmplanes, wbmwidthbytes
  int32_t values_[9] = {};
  std::vector<uint8_t> data_;
  bool overflow_ = false;
  int nibble_ = -1;   // the first digit of a byte, -1 none
  size_t depth_ = 0;  // group depth at which the \pict group was opened
  std::u32string fileName_;
  bool quoted_ = false;
};

}  // namespace inkwend
