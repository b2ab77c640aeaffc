#include "richtext/rtf/writer.h"

#include <gtest/gtest.h>

#include "richtext/rtf/text_io.h"

namespace inkwend {
namespace {

const std::string kColorTable =
    "{\\colortbl\\red0\\green0\\blue0;\\red255\\green0\\blue0;\\red0\\green128\\blue0;\\red0\\green0\\blue255;"
    "\\red255\\green255\\blue0;\\red255\\green0\\blue255;\\red128\\green0\\blue128;\\red128\\green0\\blue0;"
    "\\red0\\green255\\blue0;\\red0\\green255\\blue255;\\red0\\green128\\blue128;\\red0\\green0\\blue128;"
    "\\red255\\green255\\blue255;\\red192\\green192\\blue192;\\red128\\green128\\blue128;}";
const std::string kHeader = "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss\\charset0 Arial;}}" + kColorTable +
                            "\\paperw12240\\paperh15840\\margl1880\\margr1880\\margt1440\\margb1440";

std::string SaveRtf(TWPRTFTextIo& doc) {
  TMemoryStream out;
  doc.SaveFormat = TWPLoadFormat::FormatRTF;
  EXPECT_EQ(doc.SaveToStream(out), kResultOk);
  return out.Bytes();
}

TEST(RtfWriter, HiInArialTwelvePointBold) {
  TWPRTFTextIo doc;
  TCharAttr a = doc.DefaultAttr;
  a.PointSize = 12;
  a.StyleBits = kStyleBold;
  doc.AppendText(doc.FirstParagraph(), U"Hi", a);
  EXPECT_EQ(SaveRtf(doc), kHeader + "{\\plain\\f0\\fs24\\cf0\\b Hi}\r\n}");
}

}  // namespace
}  // namespace inkwend
