#include "app/export_options.h"

#include <QButtonGroup>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/date_selector.h"
#include "app/date_text.h"
#include "app/prompter.h"
#include "app/speed_button_glyphs.h"
#include "app/window_placement.h"

namespace inkwend {
namespace {

QString ShortDate(const QDateTime& when) {
  return FormatDateTime(QStringLiteral("ddddd"), when, SystemDateSettings());
}

QRadioButton* Radio(QWidget* parent, const char* name, const QString& text, const QString& hint,
                    const QRect& where) {
  auto* r = new QRadioButton(text, parent);
  r->setObjectName(QString::fromLatin1(name));
  r->setToolTip(hint);
  r->setGeometry(where);
  return r;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, const QRect& where) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  l->setGeometry(where);
  return l;
}

QFrame* Panel(QWidget* parent, const char* name, const QRect& where) {
  auto* p = new QFrame(parent);
  p->setObjectName(QString::fromLatin1(name));
  p->setFrameShape(QFrame::Panel);
  p->setFrameShadow(QFrame::Sunken);
  p->setGeometry(where);
  return p;
}

QString FileFormHint(ExportFormat format) {
  switch (format) {
    case ExportFormat::PlainText:
      return QStringLiteral(
          "Files will be saved in the form: YYYYMMDD.txt (UTF-8 text). For instance, the entry "
          "for October 15, 1998 will be saved as 19981015.txt.");
    case ExportFormat::Markdown:
      return QStringLiteral(
          "Files will be saved in the form: YYYYMMDD.md, with the pictures of an entry beside "
          "it. For instance, the entry for October 15, 1998 will be saved as 19981015.md.");
    case ExportFormat::Pdf:
      return QStringLiteral("The entries will be saved as one PDF file.");
    case ExportFormat::Rtf:
      break;
  }
  return QStringLiteral(
      "Files will be saved in the form: YYYYMMDD.RTF. For instance, the entry for October 15, "
      "1998 will be saved as 19981015.RTF.");
}

}  // namespace

SaveOptions::SaveOptions(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("SaveOptions"));
  setWindowTitle(QStringLiteral("Export Options (Export to RTF Format)"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint);
  setFont(QFont(QStringLiteral("Arial"), 8));
  setFixedSize(442, 430);
  CreateChoices();
  CreateDatePanel();
  CreateFormatChoice();
  CreateTargetPanel();
  label3_ = Label(this, "Label3", FileFormHint(ExportFormat::Rtf), QRect(16, 340, 410, 40));
  label3_->setWordWrap(true);
  okButton_ = new QPushButton(QStringLiteral("Ok"), this);
  okButton_->setObjectName(QStringLiteral("OKButton"));
  okButton_->setDefault(true);
  okButton_->setGeometry(250, 392, 84, 25);
  connect(okButton_, &QPushButton::clicked, this, [this] { OKButtonClick(); });
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("CancelButton"));
  cancel->setGeometry(342, 392, 84, 25);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void SaveOptions::CreateChoices() {
  printCurrentOnly_ = Radio(this, "PrintCurrentOnly", QStringLiteral("Export current entry only"),
                            QStringLiteral("Print only the currntly showing entry"), QRect(16, 8, 300, 20));
  printAll_ = Radio(this, "PrintAll", QStringLiteral("Export all entries"),
                    QStringLiteral("Print all diary entries"), QRect(16, 28, 300, 20));
  printRangeOfDates_ =
      Radio(this, "PrintRangeOfDates", QStringLiteral("Export range of dates"),
            QStringLiteral("Print diary entries that fall between a starting \nand ending date"),
            QRect(16, 48, 300, 20));
  printCurrentOnly_->setChecked(true);
  for (QRadioButton* r : {printCurrentOnly_, printAll_, printRangeOfDates_})
    connect(r, &QRadioButton::clicked, this, [this] { SetButtons(); });
}

void SaveOptions::CreateDatePanel() {
  panel1_ = Panel(this, "Panel1", QRect(16, 72, 410, 92));
  dateEditLabel_ = Label(panel1_, "DateEditLabel", QStringLiteral("Starting Date"), QRect(12, 8, 150, 16));
  dateEditFrom_ = new QLineEdit(panel1_);
  dateEditFrom_->setObjectName(QStringLiteral("DateEditFrom"));
  dateEditFrom_->setToolTip(QStringLiteral("Print diary entries starting with this date"));
  dateEditFrom_->setGeometry(12, 26, 130, 22);
  calendarFrom_ = new QPushButton(panel1_);
  calendarFrom_->setObjectName(QStringLiteral("CalendarFrom"));
  calendarFrom_->setToolTip(QStringLiteral("Select the starting date from a calendar"));
  calendarFrom_->setGeometry(146, 26, 22, 22);
  label1_ = Label(panel1_, "Label1", QStringLiteral("Ending Date"), QRect(212, 8, 150, 16));
  dateEditTo_ = new QLineEdit(panel1_);
  dateEditTo_->setObjectName(QStringLiteral("DateEditTo"));
  dateEditTo_->setToolTip(QStringLiteral("Print diary entries up to and including this date"));
  dateEditTo_->setGeometry(212, 26, 130, 22);
  calendarTo_ = new QPushButton(panel1_);
  calendarTo_->setObjectName(QStringLiteral("CalendarTo"));
  calendarTo_->setToolTip(QStringLiteral("Select the ending date from a calendar"));
  calendarTo_->setGeometry(346, 26, 22, 22);
  for (QPushButton* b : {calendarFrom_, calendarTo_}) b->setIcon(SpeedButtonGlyph(SpeedGlyph::Calendar));
  auto* date_format =
      Label(panel1_, "DateFormat",
            QStringLiteral("(use: ") + SystemDateSettings().shortDateFormat + QStringLiteral(")"),
            QRect(2, 64, 406, 16));
  date_format->setAlignment(Qt::AlignCenter);
  connect(dateEditFrom_, &QLineEdit::textChanged, this, [this] { SetButtons(); });
  connect(dateEditTo_, &QLineEdit::textChanged, this, [this] { SetButtons(); });
  connect(dateEditFrom_, &QLineEdit::editingFinished, this,
          [this] { DateEditExit(dateEditFrom_, startDate); });
  connect(dateEditTo_, &QLineEdit::editingFinished, this, [this] { DateEditExit(dateEditTo_, endDate); });
  connect(calendarFrom_, &QPushButton::clicked, this, [this] { CalendarClick(dateEditFrom_); });
  connect(calendarTo_, &QPushButton::clicked, this, [this] { CalendarClick(dateEditTo_); });
}

void SaveOptions::CreateFormatChoice() {
  auto* panel = Panel(this, "FormatPanel", QRect(16, 172, 410, 72));
  Label(panel, "FormatLabel", QStringLiteral("Save as"), QRect(12, 6, 150, 16));
  formatRtf_ = Radio(panel, "FormatRtf", QStringLiteral("Rich Text Format (RTF)"),
                     QStringLiteral("One RTF file per entry, as the diary keeps it"), QRect(12, 24, 190, 20));
  formatText_ = Radio(panel, "FormatText", QStringLiteral("Plain text (UTF-8)"),
                      QStringLiteral("One text file per entry, without formatting"), QRect(212, 24, 190, 20));
  formatMarkdown_ =
      Radio(panel, "FormatMarkdown", QStringLiteral("Markdown"),
            QStringLiteral("One Markdown file per entry, its pictures beside it"), QRect(12, 46, 190, 20));
  formatPdf_ = Radio(panel, "FormatPdf", QStringLiteral("One PDF file"),
                     QStringLiteral("All entries of the range in one PDF file"), QRect(212, 46, 190, 20));
  formatRtf_->setChecked(true);
  auto* group = new QButtonGroup(this);
  for (QRadioButton* r : {formatRtf_, formatText_, formatMarkdown_, formatPdf_}) {
    group->addButton(r);
    connect(r, &QRadioButton::clicked, this, [this] { FormatClick(); });
  }
}

void SaveOptions::CreateTargetPanel() {
  auto* panel2 = Panel(this, "Panel2", QRect(16, 252, 410, 80));
  Label(panel2, "Label2", QStringLiteral("Save to path"), QRect(12, 8, 150, 16));
  directoryEdit_ = new QLineEdit(panel2);
  directoryEdit_->setObjectName(QStringLiteral("DirectoryListBox1"));
  directoryEdit_->setGeometry(12, 28, 292, 22);
  auto* browse = new QPushButton(QStringLiteral("Browse..."), panel2);
  browse->setObjectName(QStringLiteral("BrowseButton"));
  browse->setToolTip(QStringLiteral("Choose the folder from a list"));
  browse->setGeometry(310, 27, 88, 24);
  connect(browse, &QPushButton::clicked, this, [this] { BrowseClick(); });
  connect(directoryEdit_, &QLineEdit::textChanged, this, [this] { SetButtons(); });
}

void SaveOptions::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (firstActivation_) FormActivate();
}

void SaveOptions::FormActivate() {
  dateEditFrom_->setText(ShortDate(startDate));
  dateEditTo_->setText(ShortDate(endDate));
  directoryEdit_->setText(directory);
  SetButtons();
  firstActivation_ = false;
}

void SaveOptions::SetButtons() {
  const bool range = printRangeOfDates_->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{dateEditFrom_, calendarFrom_, dateEditTo_, calendarTo_})
    w->setEnabled(range);
  const bool dates_ok = !range || (IsValidDate(dateEditFrom_->text()) && IsValidDate(dateEditTo_->text()));
  okButton_->setEnabled(dates_ok && !directoryEdit_->text().trimmed().isEmpty());
}

void SaveOptions::DateEditExit(QLineEdit* edit, const QDateTime& stored) {
  const QString text = edit->text().toUpper();
  QDateTime when;
  if (text.isEmpty()) {
    // Left as it is; OK stays disabled for a range.
  } else if (ParseDateText(text, SystemDateSettings(), &when)) {
    edit->setText(ShortDate(when));
  } else {
    ShowInformation(QStringLiteral("Please use the date format ") + SystemDateSettings().shortDateFormat +
                    QStringLiteral("\r   Example: ") + ShortDate(QDateTime::currentDateTime()));
    edit->setText(ShortDate(stored));
    edit->setFocus();
  }
  SetButtons();
}

void SaveOptions::CalendarClick(QLineEdit* edit) {
  DateSelector selector(this);
  QDateTime when;
  selector.initialDate =
      ParseDateText(edit->text(), SystemDateSettings(), &when) ? when : QDateTime::currentDateTime();
  selector.onGetEntryDays = onGetEntryDays;
  CenterForm(selector, this, false);
  if (CurrentPrompter().Exec(selector) != QDialog::Accepted) return;
  edit->setText(ShortDate(QDateTime(selector.SelectedDate().date(), QTime(0, 0))));
}

void SaveOptions::BrowseClick() {
  QFileDialog picker(this, QStringLiteral("Save to path"), directoryEdit_->text());
  picker.setObjectName(QStringLiteral("DirectoryPicker"));
  picker.setFileMode(QFileDialog::Directory);
  picker.setOption(QFileDialog::ShowDirsOnly, true);
  if (CurrentPrompter().Exec(picker) != QDialog::Accepted || picker.selectedFiles().isEmpty()) return;
  directoryEdit_->setText(picker.selectedFiles().constFirst());
}

void SaveOptions::FormatClick() {
  if (formatText_->isChecked())
    format = ExportFormat::PlainText;
  else if (formatMarkdown_->isChecked())
    format = ExportFormat::Markdown;
  else if (formatPdf_->isChecked())
    format = ExportFormat::Pdf;
  else
    format = ExportFormat::Rtf;
  label3_->setText(FileFormHint(format));
}

QString SaveOptions::TargetDirectory() const {
  QString dir = directoryEdit_->text().trimmed();
  if (!dir.endsWith('/')) dir += '/';
  return dir;
}

void SaveOptions::OKButtonClick() {
  currentOnly = printCurrentOnly_->isChecked();
  all = printAll_->isChecked();
  if (printRangeOfDates_->isChecked()) {
    ParseDateText(dateEditFrom_->text(), SystemDateSettings(), &startDate);
    ParseDateText(dateEditTo_->text(), SystemDateSettings(), &endDate);
  } else {
    endDate = startDate;
  }
  accept();
}

}  // namespace inkwend
