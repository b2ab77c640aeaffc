#pragma once
// SearchResults: the window of "Show All Entries Containing...". It lists every day whose entry
// holds the text, in date order, with the words around the match (the match in bold), and is
// filled while the walk goes on. A click on a row, or Enter, asks for that day to be shown with
// the match selected.
#include <QDate>
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QTreeWidget;

namespace inkwend {

// One listed match: the day, where the match stands in its entry and the words around it.
struct SearchResultRow {
  QDate day;
  int paragraph = 0;
  int offset = 0;
  int length = 0;
  std::u32string context;
  int contextMatch = 0;
};

class SearchResults : public QDialog {
  Q_OBJECT
 public:
  SearchResults(const QString& text, QWidget* parent = nullptr);

  void AddRow(const SearchResultRow& row);
  // Under the list: where the walk is, and its outcome once it ends.
  void SetStatus(const QString& text);
  QString Status() const;
  QTreeWidget* List() const { return list_; }
  const std::vector<SearchResultRow>& Rows() const { return rows_; }

  // A row was chosen (clicked or Enter).
  std::function<void(const SearchResultRow& row)> onShowRow;

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void ShowCurrentRow();

  QTreeWidget* list_ = nullptr;
  QLabel* status_ = nullptr;
  std::vector<SearchResultRow> rows_;
};

// The context as rich text: the match in bold, the rest escaped.
QString ContextHtml(const std::u32string& context, int match, int length);

}  // namespace inkwend
