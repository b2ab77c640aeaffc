#pragma once
// SymbolPicker ("Symbol Picker"): the user picks one character of a symbol font (a font with a
// symbol character map), which the main window inserts at the caret in that font; or, on the
// second page, an emoji or special character, inserted as plain Unicode text.
#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QComboBox;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace inkwend {

class WPRichText;

class SymbolPicker : public QDialog {
 public:
  // FormCreate: fills the font list (LoadFontsList) from `symbol_fonts`, which defaults to the
  // symbol fonts installed. With none, `onNoFonts` is told "No Symbol fonts installed" and the
  // dialog is set to close at once without a result.
  explicit SymbolPicker(QWidget* parent = nullptr, std::function<void(const QString&)> on_no_fonts = {},
                        std::optional<QStringList> symbol_fonts = std::nullopt);

  // The installed fonts with a symbol character map, sorted.
  static QStringList InstalledSymbolFonts();

  int exec() override;

  // The result: a symbol font's name and one character (code 32 to 255) of it; or, from the
  // emoji page, no font and the character as Unicode text.
  QString FontName() const { return fontName_; }
  QString Character() const { return character_; }
  bool NoFonts() const { return noFonts_; }

  // Puts the result into `editor` at the caret: a symbol in its font through the editor's
  // current attributes (which stay so afterwards), an emoji as typed text.
  void InsertInto(WPRichText& editor) const;

  void SymbolSetsClick();
  void SymbolListClick();
  void EmojiListClick();
  void CopyCharButtonClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void LoadFontsList(const QStringList& fonts);
  QWidget* CreateSymbolPage();
  QWidget* CreateEmojiPage();

  QString fontName_;
  QString character_;
  bool noFonts_ = false;
  QTabWidget* pages_ = nullptr;
  QComboBox* symbolSets_ = nullptr;      // SymbolSets
  QListWidget* symbolList_ = nullptr;    // SymbolList
  QListWidget* emojiList_ = nullptr;     // EmojiList
  QPushButton* okButton_ = nullptr;      // CopyCharButton
  QPushButton* cancelButton_ = nullptr;  // OKButton
};

}  // namespace inkwend
