#pragma once
// Builds small Windows metafiles record by record for tests and seed inputs.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "richtext/model/objects.h"

namespace inkwend::testing {

class WmfBuilder {
 public:
  // One record: function, 16-bit parameters, then raw bytes (padded to an even length).
  void Record(uint16_t function, std::initializer_list<int> words, const std::vector<uint8_t>& tail = {}) {
    std::vector<uint8_t> body;
    for (int v : words) {
      body.push_back(static_cast<uint8_t>(v & 0xFF));
      body.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    }
    body.insert(body.end(), tail.begin(), tail.end());
    if (body.size() % 2) body.push_back(0);
    const uint32_t size = static_cast<uint32_t>(3 + body.size() / 2);
    for (int i = 0; i < 4; ++i) records_.push_back(static_cast<uint8_t>(size >> (8 * i)));
    records_.push_back(static_cast<uint8_t>(function & 0xFF));
    records_.push_back(static_cast<uint8_t>(function >> 8));
    records_.insert(records_.end(), body.begin(), body.end());
  }
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> out = {1, 0, 9, 0, 0, 3};  // type 1, header 9 words, version 0x300
    const uint32_t total = static_cast<uint32_t>(9 + records_.size() / 2 + 3);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(total >> (8 * i)));
    out.insert(out.end(), {16, 0, 0, 0, 0, 0, 0, 0});  // objects, largest record, unused
    out.insert(out.end(), records_.begin(), records_.end());
    out.insert(out.end(), {3, 0, 0, 0, 0, 0});  // end of file
    return out;
  }
  inkwend::Metafile Metafile(int width = 0, int height = 0) const {
    inkwend::Metafile mf;
    mf.bytes = Bytes();
    mf.width = width;
    mf.height = height;
    return mf;
  }

 private:
  std::vector<uint8_t> records_;
};

}  // namespace inkwend::testing
