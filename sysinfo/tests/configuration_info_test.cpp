// The configuration dialog: the report as shown, copying it with the confirmation, and OK.
#include "sysinfo/configuration_info.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using namespace inkwend;

class ConfigurationInfoTest : public QObject {
  Q_OBJECT

 private slots:
  void copiesTheReportAndConfirms() {
    ConfigurationInfo dialog;
    QStringList messages;
    dialog.onMessage = [&](const QString& text, const QString& caption) {
      messages << caption + ": " + text;
    };
    dialog.AppendLine(QStringLiteral("[Product]"));
    dialog.AppendLine(QStringLiteral("Program:     \tInkwend!"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->textCursor().position(), 0);

    auto* copy = dialog.findChild<QPushButton*>(QStringLiteral("Button1"));
    copy->setFocus();
    QTest::keyClick(copy, Qt::Key_Space);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("[Product]\nProgram:     \tInkwend!"));
    QCOMPARE(messages,
             QStringList{QStringLiteral("Configuration Information: Information copied to the clipboard")});

    QTest::keyClick(copy, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Button2"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // OK
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }

  void thisMachinesFactsAreFilledIn() {
    const ReportFacts f = CollectSystemFacts(nullptr);
    QVERIFY(QString::fromStdString(f.system).startsWith(QStringLiteral("Linux ")));
    QVERIFY(QString::fromStdString(f.processor).startsWith(QStringLiteral("Processor:  ")));
    QVERIFY(f.memory.physicalTotal > 0);
    QVERIFY(!f.video.empty());
    QVERIFY(!f.shortDateFormat.empty() && !f.longTimeFormat.empty());
  }
};

QTEST_MAIN(ConfigurationInfoTest)
#include "configuration_info_test.moc"
