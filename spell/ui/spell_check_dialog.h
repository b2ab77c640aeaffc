#pragma once
// SpellCheckDialog: walks the entry word by word from its start, stops at every word the spell
// engine does not accept, selects it in the editor and lets the user replace it, skip it or add
// it to the user dictionary. The dialog owns its engine and opens the dictionaries when it is
// made; they are closed, and the editor's selection dropped, when it closes.
//
//   SpellCheckDialog dialog(editor, main_dictionary_path, user_dictionary_path, window);
//   dialog.onInformation = [](const QString& text) { ShowInformation(text); };
//   dialog.exec();  // the walk starts when the dialog first shows
#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>

#include "spell/engine/lexiv_spell.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace inkwend {

class WPRichText;

class SpellCheckDialog : public QDialog {
 public:
  // `editor` outlives the dialog. The user dictionary is created at `user_dictionary` when it
  // does not exist yet.
  SpellCheckDialog(WPRichText& editor, const QString& main_dictionary, const QString& user_dictionary,
                   QWidget* parent = nullptr);
  ~SpellCheckDialog() override;

  // Shows an information message ("Spell check complete"); a message box when unassigned.
  std::function<void(const QString&)> onInformation;

  // Stops at the next word the engine does not accept; at the end of the entry says so and closes.
  void CheckNextWord();
  // The engine's number of the user dictionary; -1 when there is none (Add is disabled).
  int16_t UserDictionaryNumber() const { return userNumber_; }
  // Why checking is not as it should be (no main dictionary, no user dictionary); empty when fine.
  QString DictionaryProblem() const { return problem_; }

 protected:
  void showEvent(QShowEvent* e) override;
  void done(int result) override;

 private:
  void CreateControls();
  void OpenDictionaries(const QString& main_dictionary, const QString& user_dictionary);
  void FormActivate();
  void FormClose();
  void GetNextWordButtonClick() { CheckNextWord(); }
  void ReplaceClick();
  void AddbuttonClick();
  void WordListDblClick();
  // True when the engine accepts the word (a word outside Windows-1252 is not its to judge).
  bool Accepts(const QString& word);
  void ShowSuggestions(const QString& word);
  void Finish();

  WPRichText& editor_;
  LexivSpell lexivSpell1_;
  int16_t userNumber_ = -1;
  bool firstActivation_ = true;
  bool closed_ = false;
  QString problem_;

  QLabel* note_ = nullptr;  // DictionaryNote: shown when a dictionary is missing
  QLineEdit* word_ = nullptr;
  QLineEdit* replaceAs_ = nullptr;
  QListWidget* wordList_ = nullptr;
  QPushButton* getNextWordButton_ = nullptr;
  QPushButton* replace_ = nullptr;
  QPushButton* addbutton_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

// UTF-8 text of a word for the engine, or nothing when Windows-1252 cannot hold all of it.
bool ToSpellerText(const QString& word, std::string& out);
QString FromSpellerText(const std::string& text);

}  // namespace inkwend
