// "Configuration Information": the report of this system's facts and the diary's settings.
#include "app/date_text.h"
#include "app/default_font_dialog.h"
#include "app/main_screen.h"
#include "app/prompter.h"
#include "app/version.h"
#include "sysinfo/configuration_info.h"

namespace inkwend {

void MainScreen::ConfigurationInformation1Click() {
  ConfigurationInfo dialog(this);
  dialog.onMessage = [](const QString& text, const QString& caption) {
    ShowMessageBox(text, caption, QMessageBox::Ok, QMessageBox::Information);
  };
  ReportFacts facts = CollectSystemFacts(this);
  const DateSettings& dates = SystemDateSettings();
  facts.longDate = FormatDate(QStringLiteral("dddddd"), QDate::currentDate(), dates).toStdString();
  facts.version = kProgramVersion;
  // The formats the diary writes dates and times in.
  facts.shortDateFormat = dates.shortDateFormat.toStdString();
  facts.longDateFormat = dates.longDateFormat.toStdString();
  facts.shortTimeFormat = dates.shortTimeFormat.toStdString();
  // The settings as the next save writes them (the default font's working copy is its dialog);
  // never the password.
  const Preferences& p = session_.GetPreferences();
  const QFont font = defaultFontDialog_->Font();
  facts.defaultFontName = font.family().toStdString();
  facts.defaultFontSize = font.pointSize();
  facts.defaultFontBold = font.bold();
  facts.defaultFontItalic = font.italic();
  facts.defaultFontUnderline = font.underline();
  facts.defaultFontColor = defaultFontDialog_->ColorValue();
  facts.lastIconFile = p.iconFile;
  facts.iconShowing = p.paletteVisible;
  for (const std::string& line : ReportLines(facts)) dialog.AppendLine(QString::fromStdString(line));
  ExecDialog(dialog);
}

}  // namespace inkwend
