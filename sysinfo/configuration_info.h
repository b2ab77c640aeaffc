#pragma once
// ConfigurationInfo: the "Configuration Information" dialog. It shows the report of
// sysinfo/system_facts.h as plain text in a fixed-pitch font and copies it to the clipboard, so
// that the user can paste it into a request for help. Nothing in it changes any state.
//
//   ConfigurationInfo dialog(window);
//   for (const std::string& line : ReportLines(facts)) dialog.AppendLine(QString::fromStdString(line));
//   dialog.exec();
#include <QDialog>
#include <functional>

#include "sysinfo/system_facts.h"

class QPlainTextEdit;
class QPushButton;

namespace inkwend {

class ConfigurationInfo : public QDialog {
 public:
  explicit ConfigurationInfo(QWidget* parent = nullptr);

  void AppendLine(const QString& line);
  QString Report() const;
  // Shows a message (text, caption); a message box when unassigned.
  std::function<void(const QString& text, const QString& caption)> onMessage;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void Button1Click();  // Copy to Clipboard

  QPlainTextEdit* memo1_ = nullptr;
  QPlainTextEdit* copyPasteMemo_ = nullptr;
};

// This machine's facts as far as the system and Qt give them (kernel, distribution, processor,
// screen of `window`, memory, locale and its date and time formats); the caller adds the
// program's version, the date line and the settings.
ReportFacts CollectSystemFacts(const QWidget* window);

}  // namespace inkwend
