#pragma once
// SaveOptions: "Export Options (Export to RTF Format)", asked before a range of entries is
// exported: the shown entry, all entries or a range of dates, the format (RTF as the diary has
// always written it, UTF-8 text or Markdown) and the folder the files go to. The date boxes
// behave as the print options' do: a date that cannot be read is refused with an example and
// the box restored; OK stays disabled while a range box holds no date.
#include <QDateTime>
#include <QDialog>
#include <QStringList>
#include <functional>

#include "operations/export/diary_export.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace inkwend {

class SaveOptions : public QDialog {
  Q_OBJECT
 public:
  explicit SaveOptions(QWidget* parent = nullptr);

  // Set by the opener before showing: the dates the boxes start with and the folder.
  QDateTime startDate;
  QDateTime endDate;
  QString directory;
  // Lists the days of a month that have entries, for the calendar buttons.
  std::function<void(QStringList& days, int year, int month)> onGetEntryDays;

  // After OK.
  bool currentOnly = false;
  bool all = false;
  ExportFormat format = ExportFormat::Rtf;
  // The chosen folder, ending in "/".
  QString TargetDirectory() const;

  // The dialog's controls, for the opener and for tests.
  QLineEdit* DateEditFrom() const { return dateEditFrom_; }
  QLineEdit* DateEditTo() const { return dateEditTo_; }
  QLineEdit* DirectoryEdit() const { return directoryEdit_; }
  QPushButton* OkButton() const { return okButton_; }

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void CreateChoices();
  void CreateDatePanel();
  void CreateFormatChoice();
  void CreateTargetPanel();
  void FormActivate();
  void SetButtons();
  void DateEditExit(QLineEdit* edit, const QDateTime& stored);
  void CalendarClick(QLineEdit* edit);
  void BrowseClick();
  void FormatClick();
  void OKButtonClick();

  bool firstActivation_ = true;
  QRadioButton* printCurrentOnly_ = nullptr;
  QRadioButton* printAll_ = nullptr;
  QRadioButton* printRangeOfDates_ = nullptr;
  QWidget* panel1_ = nullptr;
  QLabel* dateEditLabel_ = nullptr;
  QLineEdit* dateEditFrom_ = nullptr;
  QPushButton* calendarFrom_ = nullptr;
  QLabel* label1_ = nullptr;
  QLineEdit* dateEditTo_ = nullptr;
  QPushButton* calendarTo_ = nullptr;
  QRadioButton* formatRtf_ = nullptr;
  QRadioButton* formatText_ = nullptr;
  QRadioButton* formatMarkdown_ = nullptr;
  // PDF goes through the printing code's merged pages; hidden until it is wired in here.
  QRadioButton* formatPdf_ = nullptr;
  QLineEdit* directoryEdit_ = nullptr;  // DirectoryListBox1
  QLabel* label3_ = nullptr;
  QPushButton* okButton_ = nullptr;
};

}  // namespace inkwend
