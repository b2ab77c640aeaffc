#pragma once
// Where a font name stands in the toolbar's list of fonts, ignoring letter case. The caret's
// font is shown back after every key; searching a list of hundreds of names each time cost a
// noticeable part of a keystroke, so the places are kept in a table made once per list.
#include <QHash>
#include <QString>

class QComboBox;

namespace inkwend {

class FontNameIndex {
 public:
  // The first row of `list` naming `name` in any letter case, or -1. The table is made again
  // when the list changed since.
  int Find(const QComboBox& list, const QString& name);

 private:
  void Rebuild(const QComboBox& list);

  QHash<QString, int> rows_;  // case-folded name -> first row
  int count_ = -1;            // rows of the list the table was made from
};

}  // namespace inkwend
