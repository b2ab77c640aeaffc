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

bool TWPRtfReader::DoPicture(const TRtfKeyword& k, int32_t n) {
  switch (k.Action) {
    case TRtfAction::Pict:
      f_.Dest = kPicture;
      picture_.Start(stack_.size());
      return true;
    case TRtfAction::PictKind:
      if (f_.Dest == kPicture) picture_.SetKind(k.Arg);
      return true;
    case TRtfAction::PicValue:
      if (f_.Dest == kPicture || f_.Dest == kPictureFile) picture_.SetValue(k.Arg, n);
      return true;
    case TRtfAction::PicFile:
      f_.Dest = kPictureFile;
      picture_.StartFile();
      return true;
    case TRtfAction::ObjTag:
      obj_tag_ = n;
      return true;
    case TRtfAction::ObjW:
      obj_w_ = std::max(n, 0);
      return true;
    case TRtfAction::ObjH:
      obj_h_ = std::max(n, 0);
      return true;
    default:
      return false;
  }
}

void TWPRtfReader::AddObjectAnchor(char32_t code, TDocObject* object) {
  TCharAttr a = StoredAttr();
  a.CharFlags |= kCharObject;
  a.TagNumber = code == kCharObjectByTag ? object->Tag : object->Number;
  AddCharWithAttr(code, a);
}

// Called while the picture's own group is still the current one: the anchor takes the
// attribute of the text around the group.
void TWPRtfReader::AddAnchorInOuterAttr(char32_t code, TDocObject* object) {
  const TCharAttr saved = attr_;
  attr_ = stack_.back().Attr;
  AddObjectAnchor(code, object);
  attr_ = saved;
}

void TWPRtfReader::FinishPicture() {
  std::vector<uint8_t> data = picture_.TakeData();
  // Pictures belong to document text; outside it (or past the bounds) they are dropped.
  const bool in_text = !stack_.empty() && stack_.back().Dest == kText;
  if (!in_text || picture_.Overflowed() || static_cast<int>(doc_.Objects().size()) >= kMaxObjects ||
      !doc_.AttributeMode()) {
    return;
  }
  TDocObject* obj = doc_.AddObject(picture_.Decode(std::move(data), pictureDecoder), 0);
  obj->Width = picture_.ShownWidth();
  obj->Height = picture_.ShownHeight();
  AddAnchorInOuterAttr(kCharObjectByNumber, obj);
}

void TWPRtfReader::FinishPictureFile() {
  const std::u32string name = picture_.TakeFileName();
  if (name.empty() || stack_.empty() || stack_.back().Dest != kText || !doc_.AttributeMode()) return;
  TDocObject* obj = doc_.FindObjectByFileName(name);
  if (!obj) {
    int linked = 0;
    for (const auto& o : doc_.Objects()) linked += !o->FileName.empty();
    if (linked >= kMaxLinkedPictures || static_cast<int>(doc_.Objects().size()) >= kMaxObjects) return;
    obj = doc_.AddObject(TDocGraphic{}, -1);
    obj->FileName = name;
  }
  obj->Width = picture_.ShownWidth();
  obj->Height = picture_.ShownHeight();
  if (obj->Graphic.Empty()) {
    if (doc_.ProvideObjectEvent)
      doc_.ProvideObjectEvent(obj->Tag, *obj);
    else
      LoadLinkedPicture(*obj, name);
  }
  AddAnchorInOuterAttr(kCharObjectByTag, obj);
}

void TWPRtfReader::LoadLinkedPicture(TDocObject& obj, const std::u32string& name) {
  // A bitmap not found where the name says is looked for in the picture directory.
  if (!LoadPictureFile(name, true, obj.Graphic) && !doc_.HTMLFilePath.empty() && NameHas(name, U".bmp")) {
    std::u32string dir = doc_.HTMLFilePath;
    if (dir.back() != U'/') dir.push_back(U'/');
    LoadPictureFile(dir + name, false, obj.Graphic);
  }
}

void TWPRtfReader::TaggedObjectAnchor() {
  if (obj_tag_ <= 0 || obj_tag_ > 0xFFFF || !doc_.AttributeMode()) return;
  TDocObject* obj = doc_.FindObjectByTag(obj_tag_);
  if (!obj) {
    if (static_cast<int>(doc_.Objects().size()) >= kMaxObjects) return;
    obj = doc_.AddObject(TDocGraphic{}, obj_tag_);
    obj->Tagged = true;
    obj->Width = obj_w_;
    obj->Height = obj_h_;
    if (obj->Graphic.Empty() && doc_.ProvideObjectEvent) doc_.ProvideObjectEvent(obj_tag_, *obj);
  }
  AddObjectAnchor(kCharObjectByTag, obj);
}

}  // namespace inkwend
