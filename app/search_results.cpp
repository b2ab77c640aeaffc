#include "app/search_results.h"

#include <QAbstractTextDocumentLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/date_text.h"

namespace inkwend {
namespace {

constexpr int kContextColumn = 1;

// Paints the context column's rich text (the match in bold).
class ContextDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem plain = option;
    initStyleOption(&plain, index);
    const QString html = plain.text;
    plain.text.clear();
    plain.widget->style()->drawControl(QStyle::CE_ItemViewItem, &plain, painter, plain.widget);
    QTextDocument doc;
    doc.setDefaultFont(option.font);
    doc.setDocumentMargin(2);
    doc.setHtml(html);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = option.palette;
    if (option.state & QStyle::State_Selected)
      context.palette.setColor(QPalette::Text, option.palette.color(QPalette::HighlightedText));
    painter->save();
    painter->translate(option.rect.topLeft());
    painter->setClipRect(option.rect.translated(-option.rect.topLeft()));
    doc.documentLayout()->draw(painter, context);
    painter->restore();
  }
};

}  // namespace

QString ContextHtml(const std::u32string& context, int match, int length) {
  const auto part = [&](int from, int to) {
    from = std::clamp(from, 0, static_cast<int>(context.size()));
    to = std::clamp(to, from, static_cast<int>(context.size()));
    return QString::fromStdU32String(
               context.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)))
        .toHtmlEscaped();
  };
  return part(0, match) + QStringLiteral("<b>") + part(match, match + length) + QStringLiteral("</b>") +
         part(match + length, static_cast<int>(context.size()));
}

SearchResults::SearchResults(const QString& text, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("SearchResults"));
  setWindowTitle(QStringLiteral("Entries containing \"%1\"").arg(text));
  setAttribute(Qt::WA_DeleteOnClose);
  resize(520, 320);
  auto* column = new QVBoxLayout(this);
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("ResultList"));
  list_->setColumnCount(2);
  list_->setHeaderLabels({QStringLiteral("Date"), QStringLiteral("Text")});
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setItemDelegateForColumn(kContextColumn, new ContextDelegate(list_));
  list_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  list_->header()->setStretchLastSection(true);
  column->addWidget(list_, 1);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("Status"));
  column->addWidget(status_);
  // Enter reaches keyPressEvent (the list passes it on), a click comes here.
  connect(list_, &QTreeWidget::itemClicked, this, [this] { ShowCurrentRow(); });
}

void SearchResults::AddRow(const SearchResultRow& row) {
  rows_.push_back(row);
  auto* item = new QTreeWidgetItem(list_);
  item->setText(0, FormatDate(QStringLiteral("ddddd"), row.day, SystemDateSettings()));
  item->setText(kContextColumn, ContextHtml(row.context, row.contextMatch, row.length));
  if (list_->topLevelItemCount() == 1) list_->setCurrentItem(item);
}

void SearchResults::SetStatus(const QString& text) { status_->setText(text); }
QString SearchResults::Status() const { return status_->text(); }

void SearchResults::keyPressEvent(QKeyEvent* e) {
  // Enter shows the chosen day; it does not close the window as a dialog's default would.
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    ShowCurrentRow();
    return;
  }
  QDialog::keyPressEvent(e);
}

void SearchResults::ShowCurrentRow() {
  const int index = list_->indexOfTopLevelItem(list_->currentItem());
  if (index < 0 || index >= static_cast<int>(rows_.size()) || !onShowRow) return;
  onShowRow(rows_[static_cast<size_t>(index)]);
}

}  // namespace inkwend
