#include "app/opening_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "app/prompter.h"
#include "platform/program_directory.h"
#include "store/cipher.h"
#include "store/ini_file.h"
#include "store/key_wrap.h"
#include "store/preferences.h"

namespace inkwend {
namespace {

void CenterOnScreen(QWidget& w) {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect r = screen->geometry();
    w.move(r.left() + (r.width() - w.width()) / 2, r.top() + (r.height() - w.height()) / 2);
  }
}

// Fixed dialogs without the title bar's buttons (no close box: only the dialog's own buttons).
constexpr Qt::WindowFlags kFixedDialog = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;

}  // namespace

GetOpeningPassword::GetOpeningPassword(std::string expected, QWidget* parent)
    : GetOpeningPassword(
          [expected = std::move(expected)](const QString& typed) {
            return PasswordBytesOf(typed) == expected ? Status::Ok()
                                                      : Status::Error(StatusCode::Refused, "wrong password");
          },
          parent) {}

GetOpeningPassword::GetOpeningPassword(std::function<Status(const QString&)> opens, QWidget* parent)
    : QDialog(parent, kFixedDialog | Qt::WindowStaysOnTopHint), opens_(std::move(opens)) {
  setObjectName(QStringLiteral("GetOpeningPassword"));
  setWindowTitle(QStringLiteral("Inkwend! - Password Required"));
  auto* label = new QLabel(QStringLiteral("Please enter your password and press OK"), this);
  pass = new QLineEdit(this);
  pass->setObjectName(QStringLiteral("Pass"));
  QFont pass_font = pass->font();
  pass_font.setPointSizeF(pass_font.pointSizeF() * 1.3);
  pass_font.setBold(true);
  pass->setFont(pass_font);
  pass->setEchoMode(QLineEdit::Password);
  pass->setText(QStringLiteral("Pass"));  // four mask characters until the user types
  pass->selectAll();
  bitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  bitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  bitBtn1->setDefault(true);
  bitBtn1->setMinimumSize(90, 30);
  bitBtn2 = new QPushButton(QStringLiteral("Close"), this);
  bitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  bitBtn2->setMinimumSize(90, 30);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(bitBtn1);
  buttons->addSpacing(24);
  buttons->addWidget(bitBtn2);
  buttons->addStretch(1);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(24, 20, 24, 20);
  column->addWidget(label);
  column->addWidget(pass);
  column->addStretch(1);
  column->addLayout(buttons);
  // The designed size, or more when the desktop's font needs it.
  setFixedSize(column->sizeHint().expandedTo(QSize(332, 178)));
  connect(bitBtn1, &QPushButton::clicked, this, &GetOpeningPassword::BitBtn1Click);
  connect(bitBtn2, &QPushButton::clicked, this, &QDialog::reject);
  CenterOnScreen(*this);
}

void GetOpeningPassword::BitBtn1Click() {
  // Deriving a strong diary's key takes about half a second.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const Status opened = opens_(pass->text());
  QApplication::restoreOverrideCursor();
  if (opened.IsOk()) {
    accept();
    return;
  }
  // The wrong text stays in the edit; tries are unlimited.
  ShowInformation(opened.Code() == StatusCode::Refused ? QStringLiteral("Sorry, that is the wrong password")
                                                       : QString::fromStdString(opened.Message()));
}

ShowOpeningMessageDialog::ShowOpeningMessageDialog(QWidget* parent) : QDialog(parent, kFixedDialog) {
  setObjectName(QStringLiteral("ShowOpeningMessage"));
  setWindowTitle(QStringLiteral("Inkwend!"));
  auto* layout = new QVBoxLayout(this);
  for (const char* text :
       {"Inkwend! is intended solely for your personal recreational use. Please do not rely on it for "
        "critical "
        "data storage.",
        "While Inkwend! makes every attempt to keep the data safe, we cannot prevent data damage from such "
        "things "
        "as power failures, hard drive crashes, etc.",
        "Therefore, it is up to you to ensure that you make frequent backups of all files in the \\ENTRIES "
        "subdirectory, as well as the KW.INI file."}) {
    auto* label = new QLabel(QString::fromUtf8(text), this);
    label->setWordWrap(true);
    layout->addWidget(label);
  }
  dontShow = new QCheckBox(QStringLiteral("Do not show this message again"), this);
  dontShow->setObjectName(QStringLiteral("DontShow"));
  layout->addWidget(dontShow);
  okButton = new QPushButton(QStringLiteral("Ok"), this);
  okButton->setObjectName(QStringLiteral("OKButton"));
  okButton->setDefault(true);
  layout->addWidget(okButton, 0, Qt::AlignHCenter);
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
  // The designed width; as high as the wrapped texts need in the desktop's font.
  const int width = std::max(427, layout->minimumSize().width());
  setFixedSize(width, std::max(230, layout->totalHeightForWidth(width)));
  CenterOnScreen(*this);
}

std::string PasswordBytesOf(const QString& typed) {
  const QList<uint> code_points = typed.toUcs4();
  return PasswordBytes(std::u32string(code_points.begin(), code_points.end()));
}

std::string StrongPasswordBytesOf(const QString& typed) { return typed.toUtf8().toStdString(); }

bool CheckOpeningPassword() {
  IniFile ini;
  // An unreadable settings file is reported when the main window reads it; here it means
  // no stored password.
  (void)IniFile::Load(SettingsFilePath().toStdString(), ini);
  if (const std::string sealed = ReadWrappedKey(ini); !sealed.empty()) {
    GetOpeningPassword dialog(
        [sealed](const QString& typed) {
          Result<std::unique_ptr<DiaryKey>> key = UnwrapDiaryKey(sealed, StrongPasswordBytesOf(typed));
          if (!key.IsOk()) return key.GetStatus();
          OpenedDiaryKey() = key.TakeValue();
          return Status::Ok();
        },
        nullptr);
    return CurrentPrompter().Exec(dialog) == QDialog::Accepted;
  }
  const std::string stored = ReadStoredPassword(ini);
  if (stored.empty()) return true;
  GetOpeningPassword dialog(stored);
  return CurrentPrompter().Exec(dialog) == QDialog::Accepted;
}

std::shared_ptr<const DiaryKey>& OpenedDiaryKey() {
  static std::shared_ptr<const DiaryKey> key;
  return key;
}

bool ShowOpeningMessage(QWidget* parent) {
  ShowOpeningMessageDialog dialog(parent);
  CurrentPrompter().Exec(dialog);
  return !dialog.dontShow->isChecked();
}

}  // namespace inkwend
