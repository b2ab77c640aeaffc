// Every dialog of the program shows its texts whole in the desktop's font, at its normal size
// and twice as large: no label, button or list is narrower or lower than its text needs.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QtTest>
#include <functional>
#include <map>
#include <memory>

#include "app/about_box.h"
#include "app/default_font_dialog.h"
#include "app/export_options.h"
#include "app/opening_dialogs.h"
#include "app/password_dialogs.h"
#include "richtext/toolbar/paragraph_dlg.h"
#include "richtext/widgets/wp_rich_text.h"

using namespace inkwend;

namespace {

// What is cut in a shown dialog: "class 'text': needs WxH, has WxH" for each control.
QStringList CutTexts(QDialog& dialog) {
  QStringList cut;
  auto report = [&](QWidget* w, const QString& text, QSize needs) {
    if (needs.width() > w->width() || needs.height() > w->height())
      cut << QStringLiteral("%1 '%2': needs %3x%4, has %5x%6")
                 .arg(QString::fromLatin1(w->metaObject()->className()), text)
                 .arg(needs.width())
                 .arg(needs.height())
                 .arg(w->width())
                 .arg(w->height());
  };
  for (QLabel* label : dialog.findChildren<QLabel*>()) {
    if (!label->isVisible() || label->text().isEmpty()) continue;
    const QSize needs =
        label->wordWrap() ? QSize(0, label->heightForWidth(label->width())) : label->sizeHint();
    report(label, label->text(), needs);
  }
  for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
    if (button->isVisible() && !button->text().isEmpty()) report(button, button->text(), button->sizeHint());
  for (QComboBox* list : dialog.findChildren<QComboBox*>())
    if (list->isVisible()) report(list, list->currentText(), list->minimumSizeHint());
  return cut;
}

}  // namespace

class DialogsFitTest : public QObject {
  Q_OBJECT
 private slots:
  void textsFitInTheDesktopFont_data() {
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<double>("scale");
    for (const char* name : {"about", "opening message", "password", "paragraph", "default font",
                             "find and replace", "backup warning", "set up password", "export options"}) {
      QTest::newRow(QStringLiteral("%1 at 100%").arg(name).toUtf8().constData()) << QString(name) << 1.0;
      QTest::newRow(QStringLiteral("%1 at 200%").arg(name).toUtf8().constData()) << QString(name) << 2.0;
    }
  }
  void textsFitInTheDesktopFont() {
    QFETCH(QString, dialog);
    QFETCH(double, scale);
    const QFont desktop = QApplication::font();
    QFont font = desktop;
    font.setPointSizeF(desktop.pointSizeF() * scale);
    QApplication::setFont(font);
    static DiarySession session("/nonexistent/", RealFileSystem());  // no password: "(none)" shows
    const std::map<QString, std::function<QDialog*()>> make = {
        {"about", [] { return new AboutBox; }},
        {"opening message", [] { return new ShowOpeningMessageDialog; }},
        {"password", [] { return new GetOpeningPassword("secret"); }},
        {"paragraph", [] { return new ParagraphPropDlg; }},
        {"default font", [] { return new DefaultFontDialog; }},
        {"backup warning", [] { return new WarningScreen; }},
        {"set up password", [] { return new GetPassword(session, nullptr, nullptr); }},
        {"export options", [] { return new SaveOptions; }},
    };
    std::unique_ptr<QDialog> owned;
    WPRichText editor;  // the find and replace dialog belongs to an editor
    QDialog* d = nullptr;
    if (dialog == "find and replace") {
      editor.ReplaceDialog();
      d = editor.ActiveFindDialog();
    } else {
      owned.reset(make.at(dialog)());
      d = owned.get();
    }
    QVERIFY(d);
    d->show();
    QVERIFY(QTest::qWaitForWindowExposed(d));
    const QStringList cut = CutTexts(*d);
    QApplication::setFont(desktop);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; ")));
  }
};

QTEST_MAIN(DialogsFitTest)
#include "dialogs_fit_test.moc"
