#pragma once
// Byte layout of .dct dictionary files, shared by the engine, the builder and the tests.
// A file starts with free text ended by byte 26; each dictionary is a 17-byte header followed
// by its nodes, 3 bytes each, node n at (end of header) + 3 × (n − 1).
#include <cstdint>
#include <string>

#include "base/byte_reader.h"

namespace inkwend::spell {

inline constexpr uint8_t kTextHeaderEnd = 26;
inline constexpr int kHeaderSize = 17;
inline constexpr int kNodeSize = 3;

inline constexpr uint16_t kNoChild = 0;
inline constexpr uint16_t kFreeSlot = 65000;  // an unused node; as a child it also means none
inline constexpr uint8_t kCodeMask = 0x3F;
inline constexpr uint8_t kLastInRun = 0x40;
inline constexpr uint8_t kEndsWord = 0x80;

inline constexpr uint8_t kKindUser = 0;
inline constexpr uint8_t kKindMain = 1;  // any non-zero kind is a main dictionary

// Child links are 16-bit, so no sound run reaches far beyond node 65535; reads past this index
// come from damaged files and end the run.
inline constexpr uint32_t kMaxNodeIndex = 65535 + 64;

// Limits of what is added to a user dictionary.
inline constexpr int kMaxWordLength = 25;
inline constexpr int kMaxUserNodes = 63999;

struct DictionaryHeader {
  int32_t nodesUsed = 0;  // highest node index in use
  int32_t capacity = 0;   // node slots reserved after the header
  int32_t wordCount = 0;
  uint8_t kind = kKindUser;
  int32_t offset = 0;  // file offset of this header
};

struct Node {
  uint16_t child = kNoChild;
  uint8_t flags = 0;

  uint8_t code() const { return flags & kCodeMask; }
  bool last_in_run() const { return flags & kLastInRun; }
  bool ends_word() const { return flags & kEndsWord; }
  bool has_child() const { return child != kNoChild && child != kFreeSlot; }
};

inline void PutInt32(uint8_t* p, int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// `p` holds kHeaderSize bytes.
inline DictionaryHeader ParseHeader(const uint8_t* p) {
  const ByteReader r(p, kHeaderSize);
  DictionaryHeader h;
  h.nodesUsed = r.I32At(0);
  h.capacity = r.I32At(4);
  h.wordCount = r.I32At(8);
  h.kind = r.U8At(12);
  h.offset = r.I32At(13);
  return h;
}

inline void SerializeHeader(const DictionaryHeader& h, uint8_t* p) {
  PutInt32(p, h.nodesUsed);
  PutInt32(p + 4, h.capacity);
  PutInt32(p + 8, h.wordCount);
  p[12] = h.kind;
  PutInt32(p + 13, h.offset);
}

// `p` holds kNodeSize bytes.
inline Node ParseNode(const uint8_t* p) {
  const ByteReader r(p, kNodeSize);
  return Node{r.U16At(0), r.U8At(2)};
}

inline void SerializeNode(const Node& n, uint8_t* p) {
  p[0] = static_cast<uint8_t>(n.child);
  p[1] = static_cast<uint8_t>(n.child >> 8);
  p[2] = n.flags;
}

inline void AppendHeader(std::string& out, const DictionaryHeader& h) {
  uint8_t b[kHeaderSize];
  SerializeHeader(h, b);
  out.append(reinterpret_cast<const char*>(b), kHeaderSize);
}

inline void AppendNode(std::string& out, const Node& n) {
  uint8_t b[kNodeSize];
  SerializeNode(n, b);
  out.append(reinterpret_cast<const char*>(b), kNodeSize);
}

}  // namespace inkwend::spell
