#include "decor/icon_list_box.h"

#include <QApplication>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

#include "decor/icons/icon_file.h"
#include "platform/qt_icon_image.h"

namespace inkwend {
namespace {

constexpr int kCellMargin = 6;

class CellDelegate : public QStyledItemDelegate {
 public:
  explicit CellDelegate(TIconListBox* list) : QStyledItemDelegate(list), list_(list) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    list_->DrawCell(painter, index.row(), option.rect, option.state.testFlag(QStyle::State_Selected));
  }
  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return QSize(list_->CellWidth(), list_->ItemHeight());
  }

 private:
  TIconListBox* list_;
};

}  // namespace

TIconListBox::TIconListBox(QWidget* parent)
    : QListWidget(parent),
      FCellWidth(icons::kLargeIconSize + kCellMargin),
      FItemHeight(icons::kLargeIconSize + kCellMargin) {
  setItemDelegate(new CellDelegate(this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  // A multi-column list: cells fill a column from top to bottom, then the next column.
  setViewMode(QListView::ListMode);
  setFlow(QListView::TopToBottom);
  setWrapping(true);
  setResizeMode(QListView::Adjust);
  setMovement(QListView::Static);
  setUniformItemSizes(true);
  setSpacing(0);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(FItemHeight);
  setFont(font);
  UpdateEnabled();
  SetXIcons(4);
}

TIconListBox::~TIconListBox() = default;

void TIconListBox::SetFileName(const QString& name) {
  if (name == FFileName) return;
  FFileName = name;
  Reload();
  if (OnFileChange) OnFileChange(this);
}

void TIconListBox::SetAutoDisable(bool value) {
  if (value == FAutoDisable) return;
  FAutoDisable = value;
  UpdateEnabled();
}

void TIconListBox::SetEnableCaching(bool value) {
  if (value == FEnableCaching) return;
  FEnableCaching = value;
  if (!value) Reload();
}

void TIconListBox::SetXIcons(int value) {
  if (value == FXIcons || value <= 0) return;
  FXIcons = value;
  ResizeToGrid();
}

void TIconListBox::SetYIcons(int value) {
  if (value == FYIcons || value <= 0) return;
  FYIcons = value;
  ResizeToGrid();
}

bool TIconListBox::FileExists() const { return !FFileName.isEmpty() && QFileInfo(FFileName).isFile(); }

void TIconListBox::UpdateEnabled() { setEnabled(!FAutoDisable || FileExists()); }

void TIconListBox::Reload() {
  // Clearing the items destroys the icons attached to them.
  FNumberOfIcons = -1;
  clear();
  FIconFile.reset();
  UpdateEnabled();
  if (!FileExists()) return;

  if (!FEnableCaching) QApplication::setOverrideCursor(Qt::WaitCursor);
  FIconFile = icons::IconFile::Open(FFileName.toStdString());
  FNumberOfIcons = FIconFile ? FIconFile->Count() : 0;
  QStringList texts;
  texts.reserve(FNumberOfIcons);
  for (int i = 0; i < FNumberOfIcons; ++i) texts << QString::number(i);
  addItems(texts);
  if (!FEnableCaching) {
    for (int i = 0; i < FNumberOfIcons; ++i) item(i)->setData(kIconRole, ExtractIcon(i));
  }
  if (count() > 0) setCurrentRow(0);
  if (!FEnableCaching) QApplication::restoreOverrideCursor();
}

QImage TIconListBox::ExtractIcon(int index) const {
  if (!FIconFile) return {};
  icons::IconImage image;
  if (!FIconFile->Extract(index, &PngDecoderInstance(), &image).IsOk()) return {};
  return ToQImage(image);
}

std::optional<QImage> TIconListBox::GetIcon(int index) {
  QListWidgetItem* it = item(index);
  if (it == nullptr) return std::nullopt;
  QVariant attached = it->data(kIconRole);
  if (!attached.isValid()) {
    if (!FEnableCaching) return QImage();  // extraction already ran at load and gave nothing
    const QImage icon = ExtractIcon(index);
    // Attaching is not a change the view needs to hear about (this runs while a cell paints).
    const QSignalBlocker block(model());
    it->setData(kIconRole, icon);
    return icon;
  }
  return attached.value<QImage>();
}

void TIconListBox::DrawCell(QPainter* painter, int index, const QRect& rect, bool selected) {
  painter->fillRect(rect, selected ? palette().brush(QPalette::Highlight) : palette().brush(QPalette::Base));
  try {
    const std::optional<QImage> icon = GetIcon(index);
    if (!icon || icon->isNull()) return;
    // Integer halving rounds toward zero, as the cell geometry always has.
    const int left = rect.left() + (rect.width() - icon->width()) / 2;
    const int top = rect.top() + (rect.height() - icon->height()) / 2;
    painter->drawImage(QPoint(left, top), *icon);
  } catch (...) {
    // A cell that cannot be drawn stays filled; the rest of the list still paints.
  }
}

void TIconListBox::ResizeToGrid() {
  const int grid_width = FCellWidth * FXIcons + 2;
  const int rows_height = FItemHeight * FYIcons;
  // The frame and one spare pixel, as in "rows + 3" for a one-pixel frame. With the scroll bar the
  // frame is still there: leaving it out would cut the last row by a pixel and the list would wrap
  // it into the next column.
  const int chrome = 2 * frameWidth() + 1;
  const int height =
      width() < grid_width
          ? rows_height + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) + chrome
          : rows_height + chrome;
  FColumns = FXIcons;
  resize(grid_width, height);
  UpdateGrid();
}

void TIconListBox::UpdateGrid() {
  // Like a multi-column list box: the visible width is shared by the set number of columns.
  const int column_width = std::max(FCellWidth, viewport()->width() / std::max(1, FColumns));
  setGridSize(QSize(column_width, FItemHeight));
}

void TIconListBox::resizeEvent(QResizeEvent* event) {
  QListWidget::resizeEvent(event);
  UpdateGrid();
}

QMimeData* TIconListBox::mimeData(const QList<QListWidgetItem*>& items) const {
  auto* data = new QMimeData;
  if (items.isEmpty()) return data;
  const int index = row(items.first());
  auto* self = const_cast<TIconListBox*>(this);  // the drag may be the first use of this icon
  const std::optional<QImage> icon = self->GetIcon(index);
  data->setData(kIconMimeType, QByteArray::number(index));
  if (icon && !icon->isNull()) data->setImageData(*icon);
  return data;
}

}  // namespace inkwend
