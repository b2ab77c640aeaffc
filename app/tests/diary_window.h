#pragma once
// A started diary on a temporary directory of its own, its main window shown, for the tests of
// the commands that move through the diary (date selector, search).
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/main_screen.h"
#include "app/single_instance.h"
#include "app/startup.h"
#include "app/tests/scripted_prompter.h"
#include "richtext/model/paragraph.h"
#include "richtext/widgets/wp_rich_text.h"
#include "store/cipher.h"

namespace inkwend::testing {

struct DiaryWindow {
  QTemporaryDir dir;
  ScriptedPrompter prompter;
  std::unique_ptr<MainScreen> window;
  QByteArray password;

  explicit DiaryWindow(const QByteArray& diary_password = {}) : password(diary_password) {
    QFile ini(dir.path() + "/KW.INI");
    if (ini.open(QIODevice::WriteOnly)) ini.write("[Opening Screen]\r\nshow=0\r\n");
    ini.close();
    QDir().mkpath(dir.path() + "/Entries");
    if (PrepareStart({"inkwend", "--data-dir", dir.path()}) != StartResult::Run) return;
    window = std::make_unique<MainScreen>(nullptr);
    window->Session().SetPassword(password.toStdString());
    window->show();
    if (!QTest::qWaitForWindowActive(window.get())) qWarning("the main window did not become active");
  }
  ~DiaryWindow() {
    window.reset();
    ReleaseInstanceLock();
  }

  QString entryPath(QDate d) const { return dir.path() + "/Entries/" + d.toString("yyyyMMdd") + ".KWE"; }
  // Writes an entry as the diary keeps it (enciphered when it has a password).
  void writeEntry(QDate d, const QByteArray& rtf) const {
    QFile f(entryPath(d));
    if (!f.open(QIODevice::WriteOnly)) return;
    f.write(password.isEmpty()
                ? rtf
                : QByteArray::fromStdString(EncryptBytes(rtf.toStdString(), password.toStdString())));
  }
  QByteArray fileBytes(QDate d) const {
    QFile f(entryPath(d));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  void show(QDate d) const {
    window->SetCurrentDate(d);
    window->FindDateRecord();
    window->LoadRichText();
  }
  WPRichText& editor() const { return *window->findChild<WPRichText*>(QStringLiteral("WPRichText1")); }
  QString selectedText() const { return QString::fromStdU32String(editor().Memo().SelectedText()); }
  void type(const QString& text) const {
    for (QChar c : text)
      QTest::sendKeyEvent(QTest::Click, &editor(), Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
  QAction* action(const char* name) const { return window->findChild<QAction*>(QString::fromLatin1(name)); }
  QPushButton* button(const char* name) const {
    return window->findChild<QPushButton*>(QString::fromLatin1(name));
  }
};

}  // namespace inkwend::testing
