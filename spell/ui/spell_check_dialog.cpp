#include "spell/ui/spell_check_dialog.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <vector>

#include "richtext/widgets/wp_rich_text.h"
#include "spell/engine/windows1252.h"

namespace inkwend {
namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& where) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(where);
  return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QColor& color, const QRect& where) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  QFont font(QStringLiteral("Arial"));
  font.setBold(true);
  edit->setFont(font);
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Text, color);
  edit->setPalette(palette);
  edit->setGeometry(where);
  return edit;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QRect& where) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(where);
  return button;
}

}  // namespace

bool ToSpellerText(const QString& word, std::string& out) {
  bool all_mapped = true;
  out = spell::Utf8ToWindows1252(word.toStdString(), &all_mapped);
  return all_mapped;
}

QString FromSpellerText(const std::string& text) {
  return QString::fromStdString(spell::Windows1252ToUtf8(text));
}

SpellCheckDialog::SpellCheckDialog(WPRichText& editor, const QString& main_dictionary,
                                   const QString& user_dictionary, QWidget* parent)
    : QDialog(parent), editor_(editor) {
  setObjectName(QStringLiteral("SpellCheckDialog"));
  setWindowTitle(QStringLiteral("Spell Check"));
  setFont(QFont(QStringLiteral("Arial")));
  CreateControls();
  OpenDictionaries(main_dictionary, user_dictionary);
}

SpellCheckDialog::~SpellCheckDialog() { FormClose(); }

void SpellCheckDialog::CreateControls() {
  setFixedSize(406, 181);
  MakeLabel(this, "Label1", QStringLiteral("Possible spelling error"), QRect(8, 6, 180, 16));
  word_ = MakeEdit(this, "Word", Qt::red, QRect(8, 22, 184, 24));
  MakeLabel(this, "Label2", QStringLiteral("Replace with"), QRect(8, 50, 180, 16));
  replaceAs_ = MakeEdit(this, "ReplaceAs", Qt::blue, QRect(8, 66, 184, 24));
  MakeLabel(this, "Label3", QStringLiteral("Possible replacements"), QRect(204, 6, 194, 16));
  wordList_ = new QListWidget(this);
  wordList_->setObjectName(QStringLiteral("WordList"));
  QFont list_font(QStringLiteral("Arial"));
  list_font.setBold(true);
  wordList_->setFont(list_font);
  wordList_->setGeometry(204, 22, 194, 128);
  getNextWordButton_ =
      MakeButton(this, "GetNextWordButton", QStringLiteral("&Skip Word"), QRect(8, 98, 90, 26));
  replace_ = MakeButton(this, "Replace", QStringLiteral("&Replace"), QRect(102, 98, 90, 26));
  addbutton_ = MakeButton(this, "Addbutton", QStringLiteral("Add"), QRect(8, 128, 90, 26));
  cancel_ = MakeButton(this, "Cancel", QStringLiteral("&Cancel"), QRect(102, 128, 90, 26));
  note_ = MakeLabel(this, "DictionaryNote", QString(), QRect(8, 158, 390, 20));
  note_->setWordWrap(true);
  note_->hide();
  setTabOrder(word_, replaceAs_);
  setTabOrder(replaceAs_, wordList_);
  setTabOrder(wordList_, getNextWordButton_);
  setTabOrder(getNextWordButton_, replace_);
  setTabOrder(replace_, addbutton_);
  setTabOrder(addbutton_, cancel_);

  connect(getNextWordButton_, &QPushButton::clicked, this, [this] { GetNextWordButtonClick(); });
  connect(replace_, &QPushButton::clicked, this, [this] { ReplaceClick(); });
  connect(addbutton_, &QPushButton::clicked, this, [this] { AddbuttonClick(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
  connect(wordList_, &QListWidget::itemClicked, this, [this] { WordListDblClick(); });
  connect(wordList_, &QListWidget::itemDoubleClicked, this, [this] { WordListDblClick(); });
  // Moving through the list with the keys takes the suggestion too, as a click does.
  connect(wordList_, &QListWidget::currentRowChanged, this, [this] { WordListDblClick(); });
}

void SpellCheckDialog::OpenDictionaries(const QString& main_dictionary, const QString& user_dictionary) {
  // Named first, so that the engine's retries on later checks look in the same place.
  lexivSpell1_.SetDictionaryName(main_dictionary.toStdString());
  const Status main = lexivSpell1_.OpenDictionary(main_dictionary.toStdString());
  if (!main.IsOk() && main.Code() != StatusCode::Damaged) {
    problem_ = QStringLiteral(
                   "The main dictionary could not be opened (%1): words are checked against "
                   "your own dictionary only.")
                   .arg(main_dictionary);
  }
  const std::string user_path = user_dictionary.toStdString();
  Result<int16_t> user =
      QFileInfo::exists(user_dictionary) ? lexivSpell1_.OpenUserDictionary(user_path) : [&] {
        std::vector<std::string> none;
        return lexivSpell1_.CreateUserDictionary(user_path, none);
      }();
  userNumber_ = user.IsOk() ? user.Value() : int16_t{-1};
  if (userNumber_ == -1) {
    const QString why = QStringLiteral(
                            "Your own dictionary %1 could not be opened or created, so words "
                            "cannot be added.")
                            .arg(user_dictionary);
    problem_ = problem_.isEmpty() ? why : problem_ + QLatin1Char(' ') + why;
  }
  addbutton_->setEnabled(userNumber_ != -1);
  note_->setText(problem_);
  note_->setVisible(!problem_.isEmpty());
}

void SpellCheckDialog::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  // The walk starts once the dialog is on the screen, from the message loop.
  if (firstActivation_) QTimer::singleShot(0, this, [this] { FormActivate(); });
}

void SpellCheckDialog::FormActivate() {
  if (!firstActivation_) return;
  firstActivation_ = false;
  editor_.SpellRestart();
  CheckNextWord();
}

bool SpellCheckDialog::Accepts(const QString& word) {
  std::string text;
  if (!ToSpellerText(word, text)) return true;
  return lexivSpell1_.CheckWord(text);
}

void SpellCheckDialog::ShowSuggestions(const QString& word) {
  std::string text;
  ToSpellerText(word, text);
  const QSignalBlocker quiet(wordList_);
  for (const std::string& suggestion : lexivSpell1_.Suggest(text))
    wordList_->addItem(FromSpellerText(suggestion));
}

void SpellCheckDialog::CheckNextWord() {
  const LexivSpell::Pass pass(lexivSpell1_);  // one walk looks at the user dictionary once
  wordList_->clear();
  QString word;
  for (;;) {
    // The controller's walk, without repainting for every word passed.
    const std::u32string next = editor_.Memo().NextWord();
    if (next.empty()) break;
    const QString candidate = QString::fromUcs4(next.data(), static_cast<qsizetype>(next.size()));
    if (!Accepts(candidate)) {
      word = candidate;
      ShowSuggestions(word);
      editor_.SelectWord();
      break;
    }
  }
  word_->setText(word);
  replaceAs_->setText(wordList_->count() > 0 ? wordList_->item(0)->text() : word);
  if (word.isEmpty()) Finish();
}

void SpellCheckDialog::Finish() {
  hide();
  if (onInformation)
    onInformation(QStringLiteral("Spell check complete"));
  else
    QMessageBox::information(parentWidget(), QStringLiteral("Information"),
                             QStringLiteral("Spell check complete"));
  // Closed from the message loop, after the message.
  QMetaObject::invokeMethod(
      this, [this] { done(QDialog::Rejected); }, Qt::QueuedConnection);
}

void SpellCheckDialog::ReplaceClick() {
  // A read-only editor keeps its text, and then nothing changed that could be saved.
  const bool editable = !editor_.ReadOnly();
  editor_.ReplaceWord(replaceAs_->text());
  CheckNextWord();
  if (editable) editor_.Changed();
}

void SpellCheckDialog::AddbuttonClick() {
  const QString word = word_->text();
  std::string text;
  if (!word.isEmpty() && userNumber_ != -1 && ToSpellerText(word, text)) {
    const Status added = lexivSpell1_.AddWord(text, userNumber_);
    if (!added.IsOk()) {
      const QString why = QStringLiteral("\"%1\" could not be added to your dictionary: %2")
                              .arg(word, QString::fromStdString(added.Message()));
      if (onInformation)
        onInformation(why);
      else
        QMessageBox::information(this, QStringLiteral("Information"), why);
    }
  }
  CheckNextWord();
}

void SpellCheckDialog::WordListDblClick() {
  if (QListWidgetItem* item = wordList_->currentItem()) replaceAs_->setText(item->text());
}

void SpellCheckDialog::done(int result) {
  FormClose();
  QDialog::done(result);
}

void SpellCheckDialog::FormClose() {
  if (closed_) return;
  closed_ = true;
  editor_.SelectRange(0, 0);
  lexivSpell1_.CloseDictionaries();
}

}  // namespace inkwend
