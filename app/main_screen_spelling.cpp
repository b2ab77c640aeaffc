// The main window's spelling: the spell-check dialog from the menu and the toolbar, and the
// marking of misspelt words as the user types.
#include <QAction>
#include <QFileInfo>

#include "app/main_screen.h"
#include "app/prompter.h"
#include "platform/program_directory.h"
#include "richtext/toolbar/wp_toolbar.h"
#include "richtext/widgets/wp_rich_text.h"
#include "spell/ui/spell_check_dialog.h"
#include "spell/ui/spelling_marker.h"

namespace inkwend {
namespace {

constexpr char kMainDictionary[] = "inkwend.dct";
constexpr char kUserDictionary[] = "inkwendu.dct";

}  // namespace

QString MainScreen::MainDictionaryPath() {
  // The dictionary ships with the program; a diary folder of a portable install may hold its own.
  const QString own = ProgramDirectory() + QLatin1String(kMainDictionary);
  if (QFileInfo::exists(own)) return own;
  const QString shipped = FindShippedFile(QLatin1String(kMainDictionary));
  return shipped.isEmpty() ? own : shipped;
}

QString MainScreen::UserDictionaryPath() { return ProgramDirectory() + QLatin1String(kUserDictionary); }

void MainScreen::CreateSpelling() {
  spellingMarker_ =
      std::make_unique<SpellingMarker>(*entryEditor_, MainDictionaryPath(), UserDictionaryPath());
  spellingMarker_->onMessage = [](const QString& text) { ShowInformation(text); };
  spellingMarker_->SetEnabled(session_.GetPreferences().markSpelling);
  markSpellingItem_->setChecked(spellingMarker_->Enabled());
  // The toolbar's spell icon opens the dialog instead of reaching the editor.
  toolBar_->onIconSelection = [this](WPToolBar&, WpSelNr& kind, const QString&, int group, int number, int) {
    if (kind == kSelIconDown && group == kGroupEdit && number == kSpellIconNumber) {
      kind = 0;
      SpellCheck1Click();
    }
  };
}

void MainScreen::SpellCheck1Click() {
  SpellCheckDialog dialog(*entryEditor_, MainDictionaryPath(), UserDictionaryPath(), this);
  dialog.onInformation = [](const QString& text) { ShowInformation(text); };
  ExecDialog(dialog);
  // Words may have been added to the user dictionary.
  spellingMarker_->DictionariesChanged();
}

void MainScreen::MarkSpellingClick() {
  const bool on = !session_.GetPreferences().markSpelling;
  session_.MutablePreferences().markSpelling = on;
  markSpellingItem_->setChecked(on);
  spellingMarker_->SetEnabled(on);
}

void MainScreen::UpdateSpellCheckShortcut(bool save_visible) {
  // Alt+S is also the Save button's key while it shows; Save keeps it then, as a key that two
  // commands share would do nothing.
  spellCheckItem_->setShortcut(save_visible ? QKeySequence() : QKeySequence(Qt::ALT | Qt::Key_S));
}

}  // namespace inkwend
