#pragma once
// The windows of printing: PrintOptions asks what to print (the shown entry, all entries or a
// range of dates; each entry on its own pages or merged), PrintStatusForm prints it when it
// first appears, says which day it has reached and lets the user cancel.
#include <QDateTime>
#include <QDialog>
#include <QStringList>
#include <functional>

#include "platform/diary_printing.h"

class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace inkwend {

class PrintOptions : public QDialog {
  Q_OBJECT
 public:
  explicit PrintOptions(QWidget* parent = nullptr);

  // Set by the opener before showing; on OK the range's dates (for the other choices the end
  // equals the start).
  QDateTime startDate;
  QDateTime endDate;
  // For the calendar buttons' date selector (see DateSelector::onGetEntryDays).
  std::function<void(QStringList& days, int year, int month)> onGetEntryDays;
  // Results of OK.
  bool merged = false;
  bool currentOnly = false;
  bool all = false;

  QRadioButton* PrintCurrentOnly() const { return printCurrentOnly_; }
  QRadioButton* PrintAll() const { return printAll_; }
  QRadioButton* PrintRangeOfDates() const { return printRangeOfDates_; }
  QLineEdit* DateEditFrom() const { return dateEditFrom_; }
  QLineEdit* DateEditTo() const { return dateEditTo_; }
  QRadioButton* EachPageSeparate() const { return eachPageSeparate_; }
  QRadioButton* MergePages() const { return mergePages_; }
  QPushButton* OKButton() const { return okButton_; }
  QLabel* DateFormat() const { return dateFormat_; }
  // Leaving a date box: a valid date is written in the short date format, anything else is
  // refused with the format and an example and the box gets its stored date back.
  void DateEditFromExit(QLineEdit* box);
  void CalendarFromClick(QLineEdit* box);

 protected:
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void SetButtons();
  void OKButtonClick();
  QRadioButton* Radio(QWidget* parent, const char* name, const QString& text, const QString& hint, int y);
  QToolButton* CalendarButton(QWidget* parent, const char* name, const QString& hint, int x, int y);

  bool firstActivation_ = true;
  QRadioButton* printCurrentOnly_ = nullptr;
  QRadioButton* printAll_ = nullptr;
  QRadioButton* printRangeOfDates_ = nullptr;
  QLabel* dateEditLabel_ = nullptr;
  QLineEdit* dateEditFrom_ = nullptr;
  QToolButton* calendarFrom_ = nullptr;
  QLabel* label1_ = nullptr;
  QLineEdit* dateEditTo_ = nullptr;
  QToolButton* calendarTo_ = nullptr;
  QLabel* dateFormat_ = nullptr;
  QRadioButton* eachPageSeparate_ = nullptr;
  QRadioButton* mergePages_ = nullptr;
  QPushButton* okButton_ = nullptr;
};

// "Print Status": prints when first shown; Cancel stops after the day in progress and turns
// into OK, which closes.
class PrintStatusForm : public QDialog {
  Q_OBJECT
 public:
  // `session` and `printer` outlive the dialog.
  PrintStatusForm(const DiarySession& session, QPrinter& printer, QWidget* parent = nullptr);

  QDate startDate;
  QDate endDate;
  bool merged = false;

  QLabel* Status() const { return printerStatus_; }
  QPushButton* CancelButton() const { return cancelButton_; }
  bool Cancelled() const { return cancelled_; }
  const PrintSummary& Summary() const { return summary_; }
  // Runs the print (the first showing does it).
  void PrintNow();

 protected:
  void showEvent(QShowEvent* e) override;
  void reject() override;

 private:
  void CancelButtonClick();
  // The button closes from now on.
  void TurnIntoOk();
  void ReportTrouble(const inkwend::Status& done);

  const DiarySession& session_;  // outlives the dialog (see the constructor)
  QPrinter& printer_;            // likewise
  QLabel* printerStatus_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  bool cancelled_ = false;
  bool started_ = false;
  bool finished_ = false;
  PrintSummary summary_;
};

// The toolbar's "Print diary entries" button.
QToolButton* CreatePrintButton(QWidget* parent);

}  // namespace inkwend
