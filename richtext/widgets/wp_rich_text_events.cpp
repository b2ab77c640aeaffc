// The editor's events that the edit controller and the document raise: a new paragraph, an
// edit refused by protected text, a linked picture asked for by name.
#include <QImage>

#include "platform/qt_picture_decoder.h"
#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {

void WPRichText::ConnectControllerEvents() {
  doc_->onNewParCreated = [this](Paragraph& par) {
    if (!onNewParCreatedEvent) return false;
    onNewParCreatedEvent(*this, par);
    return true;
  };
  doc_->onProtectedChange = [this] {
    if (onProtectedChange) onProtectedChange(*this);
  };
  doc_->Document().htmlBitmapRequest = [this](const std::u32string& file_name, DocObject& object) {
    if (!onHTMLBitmapRequest) return false;
    Bitmap bitmap = BitmapFromImage(onHTMLBitmapRequest(*this, QString::fromStdU32String(file_name)));
    if (bitmap.width <= 0 || bitmap.height <= 0) return false;
    object.graphic.image = std::move(bitmap);
    return true;
  };
}

QString WPRichText::TextToInsert(const QString& text) {
  if (!getTextToInsert) return text;
  QString replaced = text;
  getTextToInsert(*this, replaced);
  return replaced;
}

}  // namespace inkwend
