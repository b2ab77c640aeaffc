#include "app/plain_main_window.h"

#include <QCloseEvent>
#include <QDate>
#include <QLabel>
#include <QVBoxLayout>

#include "app/date_text.h"
#include "app/opening_dialogs.h"
#include "app/prompter.h"
#include "app/window_placement.h"
#include "platform/program_directory.h"

namespace inkwend {

PlainMainWindow::PlainMainWindow(QWidget* parent)
    : QMainWindow(parent), store_(ProgramDirectory().toStdString()) {
  setObjectName(QStringLiteral("MainScreen"));
  setWindowTitle(QStringLiteral("Inkwend"));
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  dateLabel_ = new QLabel(page);
  dateLabel_->setObjectName(QStringLiteral("DateLabel"));
  QFont dateFont(QStringLiteral("Arial"), 12);
  dateFont.setBold(true);
  dateFont.setItalic(true);
  dateLabel_->setFont(dateFont);
  dateLabel_->setStyleSheet(QStringLiteral("color: purple"));
  stateLabel_ = new QLabel(page);
  layout->addWidget(dateLabel_);
  layout->addWidget(stateLabel_, 1, Qt::AlignTop);
  setCentralWidget(page);
  // Designed position and client size.
  setGeometry(156, 106, 622, 402);
  FormCreate();
}

void PlainMainWindow::ReportError(const QString& text) {
  ShowMessageBox(text, QStringLiteral("Inkwend"), QMessageBox::Ok, QMessageBox::Warning);
}

void PlainMainWindow::FormCreate() {
  IniFile ini;
  const Status loaded = IniFile::Load(SettingsFilePath().toStdString(), ini);
  if (!loaded.ok()) ReportError(QString::fromStdString(loaded.message()));
  const QRect g = geometry();
  prefs_ = LoadPreferences(ini, ProgramDirectory().toStdString(), {g.left(), g.top(), g.right() + 1, g.bottom() + 1});
  const QString placementError = RestoreWindowPlacement(*this, QString::fromLatin1(kClassName));
  if (!placementError.isEmpty()) ReportError(placementError);
  const Status entries = store_.EnsureEntriesDirectory();
  if (!entries.ok()) {
    ReportError(QString::fromStdString(entries.message()));
    startedOk_ = false;
  }
  ShowDay();
  if (prefs_.showOpeningMessage) prefs_.showOpeningMessage = ShowOpeningMessage(this);
}

void PlainMainWindow::ShowDay() {
  const QDate today = QDate::currentDate();
  dateLabel_->setText(FormatDate(QStringLiteral("dddd, mmmm d, yyyy"), today, SystemDateSettings()));
  const Date day{std::chrono::year(today.year()), std::chrono::month(static_cast<unsigned>(today.month())),
                 std::chrono::day(static_cast<unsigned>(today.day()))};
  stateLabel_->setText(store_.HasEntry(day) ? tr("This day has an entry.") : tr("No entry for this day yet."));
}

void PlainMainWindow::SavePreferences() {
  IniFile ini;
  Status s = IniFile::Load(SettingsFilePath().toStdString(), ini);
  if (s.ok()) s = inkwend::SavePreferences(ini, prefs_);
  if (s.ok()) s = ini.Save(SettingsFilePath().toStdString());
  if (!s.ok()) ReportError(QString::fromStdString(s.message()));
}

bool PlainMainWindow::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate && FFirstActivation) {
    FFirstActivation = false;
    FormActivate();
  }
  return QMainWindow::event(e);
}

void PlainMainWindow::FormActivate() { SavePreferences(); }

void PlainMainWindow::closeEvent(QCloseEvent* e) {
  SavePreferences();
  const QString error = SaveWindowPlacement(*this, QString::fromLatin1(kClassName));
  if (!error.isEmpty()) ReportError(error);
  e->accept();
}

}  // namespace inkwend
