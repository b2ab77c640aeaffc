#include "richtext/toolbar/font_name_index.h"

#include <QComboBox>

namespace inkwend {

int FontNameIndex::Find(const QComboBox& list, const QString& name) {
  if (count_ != list.count()) Rebuild(list);
  auto row = rows_.constFind(name.toCaseFolded());
  if (row == rows_.cend()) return -1;
  // A list rewritten with as many rows as before is caught where it matters: at the row found.
  if (list.itemText(*row).compare(name, Qt::CaseInsensitive) != 0) {
    Rebuild(list);
    row = rows_.constFind(name.toCaseFolded());
    if (row == rows_.cend()) return -1;
  }
  return *row;
}

void FontNameIndex::Rebuild(const QComboBox& list) {
  rows_.clear();
  count_ = list.count();
  for (int i = 0; i < count_; ++i) {
    const QString key = list.itemText(i).toCaseFolded();
    if (!rows_.contains(key)) rows_.insert(key, i);  // the first row of a name, as a search finds it
  }
}

}  // namespace inkwend
