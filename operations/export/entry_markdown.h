#pragma once
// An entry as Markdown that pandoc and other readers take back to the same text. The document
// keeps no heading styles or list structure of its own, so they are read from what the entry
// shows: a paragraph that is bold throughout in a large size is a heading (18 points and more
// level 1, 14 and more level 2); a paragraph that starts with a bullet or with "1." / "1)" and a
// blank is a list item. Bold and italic runs are marked; a link's text that is an address becomes
// a link; pictures are written beside the entry as PNG files and shown where they stood. Every
// other character that Markdown would take as markup is escaped.
#include <string>
#include <string_view>
#include <vector>

#include "richtext/model/document.h"

namespace inkwend {

struct ExportedPicture {
  std::string name;   // "20240305-1.png"
  std::string bytes;  // the PNG file
};

struct MarkdownEntry {
  std::string text;
  std::vector<ExportedPicture> pictures;
};

// `picture_stem` names the pictures: "<stem>-1.png", "<stem>-2.png", ...
MarkdownEntry EntryMarkdown(const WPRTFText& doc, std::string_view picture_stem);

}  // namespace inkwend
