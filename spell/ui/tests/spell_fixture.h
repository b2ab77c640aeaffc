#pragma once
// A diary folder for the spelling tests: a small main dictionary built from a word list, the
// path where the user dictionary goes, and an editor holding some text.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "richtext/widgets/wp_rich_text.h"
#include "spell/engine/dictionary_builder.h"
#include "spell/engine/lexiv_spell.h"

namespace inkwend::testing {

inline const std::vector<std::string> kWords = {"the", "cat",   "sat",     "on",    "mat",   "and",  "dog",
                                                "ran", "don't", "o'clock", "hello", "world", "today"};

class SpellFolder {
 public:
  SpellFolder() {
    std::string bytes;
    const Status built = spell::BuildMainDictionary(kWords, {}, spell::BuildOptions{}, bytes, nullptr);
    Q_ASSERT(built.IsOk());
    QFile out(MainDictionary());
    out.open(QIODevice::WriteOnly);
    out.write(bytes.data(), static_cast<qint64>(bytes.size()));
  }
  QString MainDictionary() const { return dir_.filePath(QStringLiteral("inkwend.dct")); }
  QString UserDictionary() const { return dir_.filePath(QStringLiteral("inkwendu.dct")); }
  QString Missing() const { return dir_.filePath(QStringLiteral("nowhere/inkwend.dct")); }

  // Whether the user dictionary on disk holds the word (read by an engine of its own).
  bool UserDictionaryHas(const std::string& word) const {
    LexivSpell reader;
    reader.SetDictionaryName(Missing().toStdString());
    if (!reader.OpenUserDictionary(UserDictionary().toStdString()).IsOk()) return false;
    return reader.CheckWord(word);
  }

 private:
  QTemporaryDir dir_;
};

// An editor on the screen holding `text` (paragraphs split at '\n'), caret at the start.
inline std::unique_ptr<WPRichText> EditorWith(const QString& text) {
  auto editor = std::make_unique<WPRichText>();
  editor->resize(500, 300);
  editor->onMessage = [](WPRichText&, const QString&) {};
  editor->Clear();
  editor->InsertText(text);
  editor->SetCaretPosition(0);
  editor->show();
  return editor;
}

inline QString EditorText(const WPRichText& editor) {
  QString out;
  for (const Paragraph* p = editor.Memo().Document().FirstParagraph(); p; p = p->next) {
    if (p != editor.Memo().Document().FirstParagraph()) out += QLatin1Char('\n');
    for (char32_t c : p->Text()) out += QString::fromUcs4(&c, 1);
  }
  return out;
}

}  // namespace inkwend::testing
