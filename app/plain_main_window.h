#pragma once
// The main window until the full diary window lands: it does everything start-up and the
// settings file expect of the main window (preferences, placement, the Entries folder, the
// opening caution) and shows the current day with its entry state.
#include <QMainWindow>

#include "store/entry_store.h"
#include "store/preferences.h"

class QLabel;

namespace inkwend {

class PlainMainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // The settings file knows the main window by this class name.
  static constexpr char kClassName[] = "TMainScreen";

  explicit PlainMainWindow(QWidget* parent = nullptr);

  const Preferences& preferences() const { return prefs_; }
  // false when start-up found a reason to end (the message has been shown).
  bool startedOk() const { return startedOk_; }

 protected:
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void FormCreate();
  void FormActivate();
  void SavePreferences();
  void ReportError(const QString& text);
  void ShowDay();

  Preferences prefs_;
  EntryStore store_;
  QLabel* dateLabel_ = nullptr;
  QLabel* stateLabel_ = nullptr;
  bool FFirstActivation = true;
  bool startedOk_ = true;
};

}  // namespace inkwend
