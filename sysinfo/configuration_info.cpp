#include "sysinfo/configuration_info.h"

#include <sys/utsname.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>
#include <cmath>

namespace inkwend {
namespace {

constexpr char kCaption[] = "Configuration Information";

std::string ReadSmallFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.read(1 << 20).toStdString();  // /proc files report no size; a megabyte is plenty
}

// The language of the system's own locale setting (not the user's), from the files the
// distributions keep it in; the user's when none says.
QLocale SystemLocale() {
  for (const char* path : {"/etc/locale.conf", "/etc/default/locale"}) {
    const QString text = QString::fromStdString(ReadSmallFile(QString::fromLatin1(path)));
    for (const QString& line : text.split(QLatin1Char('\n'))) {
      if (!line.startsWith(QLatin1String("LANG="))) continue;
      QString value = line.mid(5).trimmed();
      value.remove(QLatin1Char('"'));
      return QLocale(value.section(QLatin1Char('.'), 0, 0));
    }
  }
  return QLocale::system();
}

}  // namespace

ConfigurationInfo::ConfigurationInfo(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ConfigurationInfo"));
  setWindowTitle(QLatin1String(kCaption));
  // A dialog border without title-bar buttons.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(420, 373);

  auto* label1 = new QLabel(this);
  label1->setObjectName(QStringLiteral("Label1"));
  label1->setWordWrap(true);
  label1->setText(
      QStringLiteral("These facts about Inkwend, your system and your settings help when you ask for "
                     "help. \"Copy to Clipboard\" copies them, so that you can paste them into an "
                     "e-mail or a message."));
  label1->setGeometry(8, 6, 404, 44);

  memo1_ = new QPlainTextEdit(this);
  memo1_->setObjectName(QStringLiteral("Memo1"));
  memo1_->setReadOnly(true);
  memo1_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo1_->setFont(QFont(QStringLiteral("Courier New"), 9));
  memo1_->setTabStopDistance(QFontMetricsF(memo1_->font()).horizontalAdvance(QLatin1Char(' ')) * 8);
  memo1_->setGeometry(8, 54, 404, 276);

  auto* button1 = new QPushButton(QStringLiteral("Copy to Clipboard"), this);
  button1->setObjectName(QStringLiteral("Button1"));
  button1->setGeometry(120, 338, 140, 27);
  auto* button2 = new QPushButton(QStringLiteral("OK"), this);
  button2->setObjectName(QStringLiteral("Button2"));
  button2->setGeometry(272, 338, 90, 27);
  button2->setDefault(true);

  copyPasteMemo_ = new QPlainTextEdit(this);
  copyPasteMemo_->setObjectName(QStringLiteral("CopyPasteMemo"));
  copyPasteMemo_->hide();

  connect(button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(button2, &QPushButton::clicked, this, [this] { accept(); });
}

void ConfigurationInfo::AppendLine(const QString& line) { memo1_->appendPlainText(line); }

QString ConfigurationInfo::Report() const { return memo1_->toPlainText(); }

void ConfigurationInfo::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  memo1_->moveCursor(QTextCursor::Start);
  memo1_->ensureCursorVisible();
}

void ConfigurationInfo::Button1Click() {
  copyPasteMemo_->setPlainText(memo1_->toPlainText());
  copyPasteMemo_->selectAll();
  copyPasteMemo_->copy();
  const QString text = QStringLiteral("Information copied to the clipboard");
  if (onMessage)
    onMessage(text, QLatin1String(kCaption));
  else
    QMessageBox::information(this, QLatin1String(kCaption), text);
}

ReportFacts CollectSystemFacts(const QWidget* window) {
  ReportFacts f;
  utsname names{};
  if (uname(&names) == 0) {
    std::string os_release = ReadSmallFile(QStringLiteral("/etc/os-release"));
    if (os_release.empty()) os_release = ReadSmallFile(QStringLiteral("/usr/lib/os-release"));
    f.system = SystemText(names.sysname, names.release, os_release);
    f.processor = ProcessorText(names.machine, ReadSmallFile(QStringLiteral("/proc/cpuinfo")));
  }
  const QLocale user = QLocale::system();
  f.thousandsSeparator = user.groupSeparator().toStdString();
  if (const QScreen* screen =
          window && window->screen() ? window->screen() : QGuiApplication::primaryScreen()) {
    const QSize size = screen->size();
    const int scale = static_cast<int>(std::lround(screen->devicePixelRatio() * 100));
    f.video = VideoText(size.width(), size.height(), screen->depth(), scale, f.thousandsSeparator);
    f.fontSize = FontSizeText(static_cast<int>(std::lround(screen->logicalDotsPerInch())));
  }
  f.memory = ParseMeminfo(ReadSmallFile(QStringLiteral("/proc/meminfo")));
  const QLocale system = SystemLocale();
  f.userLanguage = QLocale::languageToString(user.language()).toStdString();
  f.systemLanguage = QLocale::languageToString(system.language()).toStdString();
  f.userCountry = QLocale::territoryToCode(user.territory()).toStdString();
  f.systemCountry = QLocale::territoryToCode(system.territory()).toStdString();
  f.shortDateFormat = user.dateFormat(QLocale::ShortFormat).toStdString();
  f.longDateFormat = user.dateFormat(QLocale::LongFormat).toStdString();
  f.shortTimeFormat = user.timeFormat(QLocale::ShortFormat).toStdString();
  f.longTimeFormat = user.timeFormat(QLocale::LongFormat).toStdString();
  return f;
}

}  // namespace inkwend
