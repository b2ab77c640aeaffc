#pragma once
// The windows of the diary-wide search: LookForAll asks for the text, ConvertNotify shows where a
// walk over the diary is while it runs.
#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;

namespace inkwend {

// "Find text from any entry": one line of text, OK and Cancel.
class LookForAll : public QDialog {
  Q_OBJECT
 public:
  explicit LookForAll(QWidget* parent = nullptr);
  QString Text() const;
  QLineEdit* LookForText() const { return lookForText_; }

 private:
  QLineEdit* lookForText_ = nullptr;
};

// A small always-on-top window without caption text: what is being done, and the item in
// progress. Shown without being modal; it lives as long as the walk.
class ConvertNotify : public QWidget {
  Q_OBJECT
 public:
  explicit ConvertNotify(QWidget* parent = nullptr);
  void SetWhatAmIdoing(const QString& text);
  void SetStatus(const QString& text);
  QString Status() const;

 private:
  QLabel* whatAmIdoing_ = nullptr;
  QLabel* status_ = nullptr;
};

}  // namespace inkwend
