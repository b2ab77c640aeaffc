#include "app/toolbar_keys.h"

#include <QAction>
#include <QToolButton>
#include <QWidget>

#include "richtext/toolbar/wp_toolbar.h"

namespace inkwend {

void AddFormatShortcuts(QWidget& window, WPToolBar& toolbar) {
  struct Key {
    Qt::Key key;
    const char* icon;
  };
  static constexpr Key kKeys[] = {
      {Qt::Key_B, "WPI_BOLD"}, {Qt::Key_I, "WPI_ITALIC"}, {Qt::Key_U, "WPI_UNDER"},
      {Qt::Key_L, "WPI_LEFT"}, {Qt::Key_E, "WPI_CENTER"}, {Qt::Key_J, "WPI_JUSTIFIED"},
  };
  for (const Key& k : kKeys) {
    auto* action = new QAction(&window);
    action->setShortcut(QKeySequence(Qt::CTRL | k.key));
    action->setShortcutContext(Qt::WindowShortcut);
    const QString icon = QString::fromLatin1(k.icon);
    // The button is looked up at the key press: the toolbar builds its buttons when first shown.
    QObject::connect(action, &QAction::triggered, &toolbar, [&toolbar, icon] {
      QToolButton* button = toolbar.IconButton(icon);
      if (button && button->isEnabled()) button->click();
    });
    window.addAction(action);
  }
}

QStringList EnglishToolbarHints() {
  return {
      QStringLiteral("WPI_Normal=Plain text"),
      QStringLiteral("WPI_Bold=Bold (Ctrl+B)"),
      QStringLiteral("WPI_Italic=Italic (Ctrl+I)"),
      QStringLiteral("WPI_Under=Underline (Ctrl+U)"),
      QStringLiteral("WPI_Hyperlink=Hyperlink"),
      QStringLiteral("WPI_StrikeOut=Strikeout"),
      QStringLiteral("WPI_Sub=Subscript"),
      QStringLiteral("WPI_Super=Superscript"),
      QStringLiteral("WPI_Hidden=Hidden text"),
      QStringLiteral("WPI_RTFCode=RTF code"),
      QStringLiteral("WPI_Left=Align left (Ctrl+L)"),
      QStringLiteral("WPI_Right=Align right"),
      QStringLiteral("WPI_Justified=Justified (Ctrl+J)"),
      QStringLiteral("WPI_Center=Centred (Ctrl+E)"),
      QStringLiteral("WPI_Copy=Copy (Ctrl+C)"),
      QStringLiteral("WPI_Cut=Cut (Ctrl+X)"),
      QStringLiteral("WPI_Paste=Paste (Ctrl+V)"),
      QStringLiteral("WPI_SelAll=Select all (Ctrl+A)"),
      QStringLiteral("WPI_HideSel=Hide the selection"),
      QStringLiteral("WPI_Find=Find (Ctrl+F)"),
      QStringLiteral("WPI_Replace=Replace (Ctrl+R)"),
      QStringLiteral("WPI_Spell=Spell Check"),
      QStringLiteral("WPI_Exit=Exit"),
      QStringLiteral("WPI_New=New"),
      QStringLiteral("WPI_Open=Open"),
      QStringLiteral("WPI_Save=Save"),
      QStringLiteral("WPI_Close=Close"),
      QStringLiteral("WPI_Print=Print"),
      QStringLiteral("WPI_PrintSetup=Print setup"),
      QStringLiteral("WPI_Next=Next"),
      QStringLiteral("WPI_Prev=Previous"),
      QStringLiteral("WPI_Add=Add"),
      QStringLiteral("WPI_Del=Delete"),
      QStringLiteral("WPI_Edit=Edit"),
      QStringLiteral("WPI_Cancel=Cancel"),
      QStringLiteral("WPI_ToStart=First"),
      QStringLiteral("WPI_ToEnd=Last"),
      QStringLiteral("WPI_Post=Post"),
  };
}

}  // namespace inkwend
