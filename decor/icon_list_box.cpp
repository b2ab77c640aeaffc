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
  explicit CellDelegate(IconListBox* list) : QStyledItemDelegate(list), list_(list) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    list_->DrawCell(painter, index.row(), option.rect, option.state.testFlag(QStyle::State_Selected));
  }
  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return QSize(list_->CellWidth(), list_->ItemHeight());
  }

 private:
  IconListBox* list_;
};

}  // namespace

IconListBox::IconListBox(QWidget* parent)
    : QListWidget(parent),
      cellWidth_(icons::kLargeIconSize + kCellMargin),
      itemHeight_(icons::kLargeIconSize + kCellMargin) {
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
  font.setPixelSize(itemHeight_);
  setFont(font);
  UpdateEnabled();
  SetXIcons(4);
}

IconListBox::~IconListBox() = default;

void IconListBox::SetFileName(const QString& name) {
  if (name == fileName_) return;
  fileName_ = name;
  Reload();
  if (onFileChange) onFileChange(this);
}

void IconListBox::SetAutoDisable(bool value) {
  if (value == autoDisable_) return;
  autoDisable_ = value;
  UpdateEnabled();
}

void IconListBox::SetEnableCaching(bool value) {
  if (value == enableCaching_) return;
  enableCaching_ = value;
  if (!value) Reload();
}

void IconListBox::SetXIcons(int value) {
  if (value == xIcons_ || value <= 0) return;
  xIcons_ = value;
  ResizeToGrid();
}

void IconListBox::SetYIcons(int value) {
  if (value == yIcons_ || value <= 0) return;
  yIcons_ = value;
  ResizeToGrid();
}

bool IconListBox::FileExists() const { return !fileName_.isEmpty() && QFileInfo(fileName_).isFile(); }

void IconListBox::UpdateEnabled() { setEnabled(!autoDisable_ || FileExists()); }

void IconListBox::Reload() {
  // Clearing the items destroys the icons attached to them.
  numberOfIcons_ = -1;
  clear();
  iconFile_.reset();
  UpdateEnabled();
  if (!FileExists()) return;

  if (!enableCaching_) QApplication::setOverrideCursor(Qt::WaitCursor);
  iconFile_ = icons::IconFile::Open(fileName_.toStdString());
  numberOfIcons_ = iconFile_ ? iconFile_->Count() : 0;
  QStringList texts;
  texts.reserve(numberOfIcons_);
  for (int i = 0; i < numberOfIcons_; ++i) texts << QString::number(i);
  addItems(texts);
  if (!enableCaching_) {
    for (int i = 0; i < numberOfIcons_; ++i) item(i)->setData(kIconRole, ExtractIcon(i));
  }
  if (count() > 0) setCurrentRow(0);
  if (!enableCaching_) QApplication::restoreOverrideCursor();
}

QImage IconListBox::ExtractIcon(int index) const {
  if (!iconFile_) return {};
  icons::IconImage image;
  if (!iconFile_->Extract(index, &PngDecoderInstance(), &image).IsOk()) return {};
  return ToQImage(image);
}

std::optional<QImage> IconListBox::GetIcon(int index) {
  QListWidgetItem* it = item(index);
  if (it == nullptr) return std::nullopt;
  QVariant attached = it->data(kIconRole);
  if (!attached.isValid()) {
    if (!enableCaching_) return QImage();  // extraction already ran at load and gave nothing
    const QImage icon = ExtractIcon(index);
    // Attaching is not a change the view needs to hear about (this runs while a cell paints).
    const QSignalBlocker block(model());
    it->setData(kIconRole, icon);
    return icon;
  }
  return attached.value<QImage>();
}

void IconListBox::DrawCell(QPainter* painter, int index, const QRect& rect, bool selected) {
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

void IconListBox::ResizeToGrid() {
  const int grid_width = cellWidth_ * xIcons_ + 2;
  const int rows_height = itemHeight_ * yIcons_;
  // The frame and one spare pixel, as in "rows + 3" for a one-pixel frame. With the scroll bar the
  // frame is still there: leaving it out would cut the last row by a pixel and the list would wrap
  // it into the next column.
  const int chrome = 2 * frameWidth() + 1;
  const int height =
      width() < grid_width
          ? rows_height + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) + chrome
          : rows_height + chrome;
  columns_ = xIcons_;
  resize(grid_width, height);
  UpdateGrid();
}

void IconListBox::UpdateGrid() {
  // Like a multi-column list box: the visible width is shared by the set number of columns.
  const int column_width = std::max(cellWidth_, viewport()->width() / std::max(1, columns_));
  setGridSize(QSize(column_width, itemHeight_));
}

void IconListBox::resizeEvent(QResizeEvent* event) {
  QListWidget::resizeEvent(event);
  UpdateGrid();
}

QMimeData* IconListBox::mimeData(const QList<QListWidgetItem*>& items) const {
  auto* data = new QMimeData;
  if (items.isEmpty()) return data;
  const int index = row(items.first());
  auto* self = const_cast<IconListBox*>(this);  // the drag may be the first use of this icon
  const std::optional<QImage> icon = self->GetIcon(index);
  data->setData(kIconMimeType, QByteArray::number(index));
  if (icon && !icon->isNull()) data->setImageData(*icon);
  return data;
}

}  // namespace inkwend
