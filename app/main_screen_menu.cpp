// The main window's menu bar.
#include <QAction>
#include <QMenuBar>

#include "app/about_box.h"
#include "app/help.h"
#include "app/main_screen.h"
#include "app/toolbar_keys.h"
#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {

void MainScreen::CreateMenu() {
  QMenuBar* bar = menuBar();
  auto item = [this](QMenu* menu, const QString& caption, const QKeySequence& shortcut, auto handler) {
    QAction* a = menu->addAction(caption);
    if (!shortcut.isEmpty()) a->setShortcut(shortcut);
    // Window-wide, so that shortcuts work wherever the keyboard is in the window.
    a->setShortcutContext(Qt::WindowShortcut);
    connect(a, &QAction::triggered, this, handler);
    return a;
  };
  // After a command of the Edit menu the editor reports a change, as typing does.
  auto changed = [this] { entryEditor_->Changed(); };

  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("FileMenu"));
  item(file, QStringLiteral("Select or Change Password"), {}, [this] { MnuSecurityClick(); });
  file->addSeparator();
  item(file, QStringLiteral("Print Setup"), {}, [this] {
    PrintSetup1Click();
  })->setObjectName(QStringLiteral("PrintSetup1"));
  item(file, QStringLiteral("Print"), QKeySequence(Qt::CTRL | Qt::Key_P), [this] {
    PrintNowClick();
  })->setObjectName(QStringLiteral("PrintNow"));
  file->addSeparator();
  item(file, QStringLiteral("Export to RTF (Rich Text Format)"), {}, [this] {
    Export1Click();
  })->setObjectName(QStringLiteral("Export1"));
  file->addSeparator();
  item(file, QStringLiteral("E&xit"), {}, [this] { ExitClick(); });

  QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
  edit->setObjectName(QStringLiteral("EditMenu"));
  // Undoing reports the change itself, so the entry shows as modified.
  undoItem_ = item(edit, QStringLiteral("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z),
                   [this] { entryEditor_->Undo(); });
  undoItem_->setObjectName(QStringLiteral("UndoItem"));
  redoItem_ = item(edit, QStringLiteral("&Redo"), QKeySequence(Qt::CTRL | Qt::Key_Y),
                   [this] { entryEditor_->Redo(); });
  redoItem_->setObjectName(QStringLiteral("RedoItem"));
  redoItem_->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  entryEditor_->historyChanged = [this](WPRichText&) { UpdateUndoItems(); };
  connect(edit, &QMenu::aboutToShow, this, [this] { UpdateUndoItems(); });
  UpdateUndoItems();
  edit->addSeparator();
  item(edit, QStringLiteral("Cut"), QKeySequence(Qt::CTRL | Qt::Key_X), [this, changed] {
    if (!entryEditor_->HasSelection()) return;
    entryEditor_->CutToClipboard();
    changed();
  });
  // Copying changes nothing, so it does not mark the entry as modified.
  item(edit, QStringLiteral("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C), [this] {
    if (entryEditor_->HasSelection()) entryEditor_->CopyToClipboard();
  });
  item(edit, QStringLiteral("Paste"), QKeySequence(Qt::CTRL | Qt::Key_V), [this, changed] {
    entryEditor_->PasteFromClipboard();
    changed();
  });
  item(edit, QStringLiteral("Delete Selection"), {}, [this, changed] {
    if (!entryEditor_->HasSelection()) return;
    entryEditor_->DeleteSelection();
    changed();
  });
  edit->addSeparator();
  item(edit, QStringLiteral("Select All"), QKeySequence(Qt::CTRL | Qt::Key_A),
       [this] { entryEditor_->SelectAll(); });
  saveChangesItem_ = item(edit, QStringLiteral("Save Changes"), QKeySequence(Qt::CTRL | Qt::Key_S),
                          [this] { SaveButtonClick(); });
  saveChangesItem_->setObjectName(QStringLiteral("SaveChangesItem"));
  item(edit, QStringLiteral("Delete Entry"), QKeySequence(Qt::ALT | Qt::Key_D),
       [this] { DeleteButtonClick(); });
  edit->addSeparator();
  spellCheckItem_ = item(edit, QStringLiteral("&Spell Check"), QKeySequence(Qt::ALT | Qt::Key_S),
                         [this] { SpellCheck1Click(); });
  spellCheckItem_->setObjectName(QStringLiteral("SpellCheck1"));
  item(edit, QStringLiteral("Insert Today's &Date "), QKeySequence(Qt::CTRL | Qt::Key_D),
       [this] { InsertTodaysDate(); });
  item(edit, QStringLiteral("Insert Current Time"), QKeySequence(Qt::CTRL | Qt::Key_T),
       [this] { InsertCurrentTime(); });
  edit->addSeparator();
  wrapTextItem_ = edit->addAction(QStringLiteral("&Wrap Text to fit Screen"));
  wrapTextItem_->setObjectName(QStringLiteral("WrapTextItem"));
  wrapTextItem_->setCheckable(true);
  wrapTextItem_->setChecked(true);
  // The item's check mark is flipped by the toggle itself, not by Qt.
  connect(wrapTextItem_, &QAction::triggered, this, [this] {
    wrapTextItem_->setChecked(!wrapTextItem_->isChecked());
    WordWrapClick();
  });
  // Beside the other switch of how the text shows.
  markSpellingItem_ =
      item(edit, QStringLiteral("Mark Spelling Errors as You Type"), {}, [this] { MarkSpellingClick(); });
  markSpellingItem_->setObjectName(QStringLiteral("MarkSpellingItem"));
  markSpellingItem_->setCheckable(true);  // checked as the preferences say, once they are read
  edit->addSeparator();
  item(edit, QStringLiteral("Change Default Font"), {}, [this] { ChangeDefaultFont(); });

  QMenu* find = bar->addMenu(QStringLiteral("F&ind"));
  find->setObjectName(QStringLiteral("FindMenu"));
  item(find, QStringLiteral("&Find in Current Entry"), QKeySequence(Qt::CTRL | Qt::Key_F),
       [this] { entryEditor_->FindDialog(); });
  item(find, QStringLiteral("&Replace in Current Entry"), QKeySequence(Qt::CTRL | Qt::Key_R),
       [this, changed] {
         entryEditor_->ReplaceDialog();
         changed();
       });
  find->addSeparator();
  item(find, QStringLiteral("Find Any Entry Containing..."), QKeySequence(Qt::CTRL | Qt::Key_F4), [this] {
    mnuFindentrycontainingClick();
  })->setObjectName(QStringLiteral("mnuFindentrycontaining"));
  findNextBigItem_ = item(find, QStringLiteral("Find Next Entry Containing..."),
                          QKeySequence(Qt::CTRL | Qt::Key_F5), [this] { mnuFindNextBigClick(); });
  findNextBigItem_->setObjectName(QStringLiteral("mnuFindNextBig"));
  findNextBigItem_->setEnabled(false);  // until a search ends on a match
  item(find, QStringLiteral("Show All Entries Containing..."),
       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F4), [this] { mnuShowAllClick(); })
      ->setObjectName(QStringLiteral("mnuShowAll"));
  find->addSeparator();
  item(find, QStringLiteral("Select a &Date..."), QKeySequence(Qt::CTRL | Qt::Key_G), [this] {
    CalendarButtonClick();
  })->setObjectName(QStringLiteral("SelectDateItem"));

  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("HelpMenu"));
  item(help, QStringLiteral("Contents"), {}, [this] { OpenHelpContents(this); });
  item(help, QStringLiteral("About"), {}, [this] { ShowAboutBox(this); });
  help->addSeparator();
  item(help, QStringLiteral("Configuration Information"), {}, [this] {
    ConfigurationInformation1Click();
  })->setObjectName(QStringLiteral("ConfigurationInformation1"));

  // Day to day from anywhere in the window, with Ctrl as the only modifier.
  auto* next_day = new QAction(this);
  next_day->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown));
  next_day->setShortcutContext(Qt::WindowShortcut);
  connect(next_day, &QAction::triggered, this, [this] { NextbuttonClick(); });
  auto* prior_day = new QAction(this);
  prior_day->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp));
  prior_day->setShortcutContext(Qt::WindowShortcut);
  connect(prior_day, &QAction::triggered, this, [this] { PriorButtonClick(); });
  addAction(next_day);
  addAction(prior_day);
  AddFormatShortcuts(*this, *toolBar_);
}

void MainScreen::UpdateUndoItems() {
  const bool editable = !entryEditor_->ReadOnly();
  undoItem_->setEnabled(editable && entryEditor_->CanUndo());
  redoItem_->setEnabled(editable && entryEditor_->CanRedo());
}

}  // namespace inkwend
