#include "richtext/model/document.h"

#include <gtest/gtest.h>

namespace inkwend {
namespace {

TEST(Document, NewDocumentHasOneEmptyParagraph) {
  TWPRTFText doc;
  ASSERT_NE(doc.FirstParagraph(), nullptr);
  EXPECT_EQ(doc.FirstParagraph()->Next, nullptr);
  EXPECT_EQ(doc.FirstParagraph()->LineCount(), 1);
  EXPECT_TRUE(doc.IsEmpty());
}

}  // namespace
}  // namespace inkwend
