// Pictures and objects of the RTF reader: an embedded picture (\pict) becomes an object with a
// number, a linked one (\picfile) and a tagged object (\wpobjtag with character 1) an object
// with a tag; each leaves its anchor character in the text.
#include <algorithm>

#include "richtext/picture/embedded_picture.h"
#include "richtext/rtf/keywords.h"
#include "richtext/rtf/reader.h"

namespace inkwend {

namespace {

constexpr int kMaxLinkedPictures = 256;

// Whether the file name, case-insensitively, contains `extension`.
bool NameHas(const std::u32string& name, std::u32string_view extension) {
  std::u32string lower = name;
  for (char32_t& c : lower) {
    if (c >= U'A' && c <= U'Z') c += 32;
  }
  return lower.find(extension) != std::u32string::npos;
}

}  // namespace

bool WPRtfReader::DoPicture(const RtfKeyword& k, int32_t n) {
  switch (k.action) {
    case RtfAction::Pict:
      f_.dest = Destination::Picture;
      picture_.Start(stack_.size());
      return true;
    case RtfAction::PictKind:
      if (f_.dest == Destination::Picture) picture_.SetKind(k.arg);
      return true;
    case RtfAction::PicValue:
      if (f_.dest == Destination::Picture || f_.dest == Destination::PictureFile) picture_.SetValue(k.arg, n);
      return true;
    case RtfAction::PicFile:
      f_.dest = Destination::PictureFile;
      picture_.StartFile();
      return true;
    case RtfAction::ObjTag:
      objTag_ = n;
      return true;
    case RtfAction::ObjW:
      objW_ = std::max(n, 0);
      return true;
    case RtfAction::ObjH:
      objH_ = std::max(n, 0);
      return true;
    default:
      return false;
  }
}

void WPRtfReader::AddObjectAnchor(char32_t code, DocObject* object) {
  CharAttr a = StoredAttr();
  a.charFlags |= kCharObject;
  a.tagNumber = code == kCharObjectByTag ? object->tag : object->number;
  AddCharWithAttr(code, a);
}

// Called while the picture's own group is still the current one: the anchor takes the
// attribute of the text around the group.
void WPRtfReader::AddAnchorInOuterAttr(char32_t code, DocObject* object) {
  const CharAttr saved = attr_;
  attr_ = stack_.back().attr;
  AddObjectAnchor(code, object);
  attr_ = saved;
}

void WPRtfReader::FinishPicture() {
  std::vector<uint8_t> data = picture_.TakeData();
  // Pictures belong to document text (a shape's picture too, where the shape stands); outside
  // it (or past the bounds) they are dropped.
  const Destination outer = stack_.empty() ? Destination::Skip : stack_.back().dest;
  const bool in_text = outer == Destination::Text || outer == Destination::ShapeValue;
  if (!in_text || picture_.Overflowed() || static_cast<int>(doc_.Objects().size()) >= kMaxObjects ||
      !doc_.AttributeMode()) {
    return;
  }
  DocObject* obj = doc_.AddObject(picture_.Decode(std::move(data), pictureDecoder), 0);
  obj->width = picture_.ShownWidth();
  obj->height = picture_.ShownHeight();
  AddAnchorInOuterAttr(kCharObjectByNumber, obj);
  if (outer == Destination::ShapeValue) shapePicture_ = true;
}

void WPRtfReader::FinishPictureFile() {
  const std::u32string name = picture_.TakeFileName();
  if (name.empty() || stack_.empty() || stack_.back().dest != Destination::Text || !doc_.AttributeMode())
    return;
  DocObject* obj = doc_.FindObjectByFileName(name);
  if (!obj) {
    int linked = 0;
    for (const auto& o : doc_.Objects()) linked += !o->fileName.empty();
    if (linked >= kMaxLinkedPictures || static_cast<int>(doc_.Objects().size()) >= kMaxObjects) return;
    obj = doc_.AddObject(DocGraphic{}, -1);
    obj->fileName = name;
  }
  obj->width = picture_.ShownWidth();
  obj->height = picture_.ShownHeight();
  if (obj->graphic.Empty()) {
    if (doc_.provideObjectEvent)
      doc_.provideObjectEvent(obj->tag, *obj);
    else
      LoadLinkedPicture(*obj, name);
  }
  AddAnchorInOuterAttr(kCharObjectByTag, obj);
}

void WPRtfReader::LoadLinkedPicture(DocObject& obj, const std::u32string& name) {
  if (doc_.htmlBitmapRequest && doc_.htmlBitmapRequest(name, obj) && !obj.graphic.Empty()) return;
  // A bitmap not found where the name says is looked for in the picture directory.
  if (!LoadPictureFile(name, true, obj.graphic) && !doc_.htmlFilePath.empty() && NameHas(name, U".bmp")) {
    std::u32string dir = doc_.htmlFilePath;
    if (dir.back() != U'/') dir.push_back(U'/');
    LoadPictureFile(dir + name, false, obj.graphic);
  }
}

void WPRtfReader::TaggedObjectAnchor() {
  if (objTag_ <= 0 || objTag_ > 0xFFFF || !doc_.AttributeMode()) return;
  DocObject* obj = doc_.FindObjectByTag(objTag_);
  if (!obj) {
    if (static_cast<int>(doc_.Objects().size()) >= kMaxObjects) return;
    obj = doc_.AddObject(DocGraphic{}, objTag_);
    obj->tagged = true;
    obj->width = objW_;
    obj->height = objH_;
    if (obj->graphic.Empty() && doc_.provideObjectEvent) doc_.provideObjectEvent(objTag_, *obj);
  }
  AddObjectAnchor(kCharObjectByTag, obj);
}

}  // namespace inkwend
