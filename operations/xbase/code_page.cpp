#include "operations/xbase/code_page.h"

#include "base/text_encoding.h"

namespace inkwend::xbase {
namespace {

#include "operations/xbase/code_page_tables.inc"

struct DriverEntry {
  uint8_t driver;
  int codePage;
};

// Language-driver bytes: the dBase language drivers and the FoxPro code page marks share one
// byte and do not clash.
constexpr DriverEntry kDrivers[] = {
    {0x01, 437},  {0x02, 850},  {0x03, 1252}, {0x04, 10000}, {0x08, 865},   {0x09, 437},   {0x0A, 850},
    {0x0B, 437},  {0x0D, 437},  {0x0E, 850},  {0x0F, 437},   {0x10, 850},   {0x11, 437},   {0x12, 850},
    {0x13, 932},  {0x14, 850},  {0x15, 437},  {0x16, 850},   {0x17, 865},   {0x18, 437},   {0x19, 437},
    {0x1A, 850},  {0x1B, 437},  {0x1C, 863},  {0x1D, 850},   {0x1F, 852},   {0x22, 852},   {0x23, 852},
    {0x24, 860},  {0x25, 850},  {0x26, 866},  {0x37, 850},   {0x40, 852},   {0x4D, 936},   {0x4E, 949},
    {0x4F, 950},  {0x50, 874},  {0x57, 1252}, {0x58, 1252},  {0x59, 1252},  {0x64, 852},   {0x65, 866},
    {0x66, 865},  {0x67, 861},  {0x68, 895},  {0x69, 620},   {0x6A, 737},   {0x6B, 857},   {0x6C, 863},
    {0x78, 950},  {0x79, 949},  {0x7A, 936},  {0x7B, 932},   {0x7C, 874},   {0x7D, 1255},  {0x7E, 1256},
    {0x86, 737},  {0x87, 852},  {0x88, 857},  {0x96, 10007}, {0x97, 10029}, {0x98, 10006}, {0xC8, 1250},
    {0xC9, 1251}, {0xCA, 1254}, {0xCB, 1253}, {0xCC, 1257},
};

const char16_t* UpperHalfOf(int code_page) {
  for (const UpperHalf& u : kUpperHalves) {
    if (u.codePage == code_page) return u.table;
  }
  return nullptr;
}

}  // namespace

int CodePageOfLanguageDriver(uint8_t driver) {
  if (driver == 0) return 0;
  for (const DriverEntry& e : kDrivers) {
    if (e.driver == driver) return e.codePage;
  }
  return -1;
}

bool CanDecode(int code_page) { return code_page == 1252 || UpperHalfOf(code_page) != nullptr; }

std::string DecodeText(std::string_view bytes, int code_page) {
  // Windows-1252 (also for a code page without a table) comes from the program's one table of it.
  const char16_t* upper = UpperHalfOf(code_page);
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out.push_back(ch);
    } else {
      AppendUtf8(out, upper ? upper[b - 0x80] : Windows1252ToUnicode(b));
    }
  }
  return out;
}

}  // namespace inkwend::xbase
