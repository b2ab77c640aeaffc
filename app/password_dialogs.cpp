#include "app/password_dialogs.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QIconEngine>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/main_screen.h"
#include "app/opening_dialogs.h"
#include "app/prompter.h"
#include "operations/password/password_change.h"
#include "operations/password/password_rules.h"
#include "store/ini_file.h"
#include "store/key_wrap.h"

namespace inkwend {
namespace {

// Fixed dialogs without the title bar's buttons.
constexpr Qt::WindowFlags kFixedDialog = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;

QLabel* WrappedLabel(const char* text, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setWordWrap(true);
  return label;
}

QLabel* NamedLabel(const char* text, const char* name, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

QPushButton* Button(const QString& caption, const char* name, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

QLineEdit* PasswordBox(const char* name, QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setMaxLength(static_cast<int>(kMaxPasswordLength));
  return box;
}

// The designed client size, or more when the desktop's font needs it.
void FixSize(QDialog& dialog, QLayout& layout, int width, int height) {
  const int w = std::max(width, layout.minimumSize().width());
  const int h = layout.hasHeightForWidth() ? layout.totalHeightForWidth(w) : layout.minimumSize().height();
  dialog.setFixedSize(w, std::max(height, h));
}

void DrawPadlock(QPainter& p, bool enabled) {
  const QColor ink = enabled ? QColor(40, 40, 40) : QColor(160, 160, 160);
  const QColor brass = enabled ? QColor(215, 170, 40) : QColor(200, 200, 200);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(ink, 1.6));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(4.5, 1.5, 7, 9), 0, 180 * 16);
  p.drawLine(QPointF(4.5, 6), QPointF(4.5, 7.5));
  p.drawLine(QPointF(11.5, 6), QPointF(11.5, 7.5));
  p.setPen(QPen(ink, 1.0));
  p.setBrush(brass);
  p.drawRoundedRect(QRectF(2.5, 7.5, 11, 7.5), 1.2, 1.2);
  p.setBrush(ink);
  p.drawEllipse(QPointF(8, 10.6), 1.1, 1.1);
  p.drawLine(QPointF(8, 11), QPointF(8, 13));
}

// Drawn in code, sharp at every screen scale, like the window's other toolbar buttons.
class PadlockEngine : public QIconEngine {
 public:
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    painter->save();
    painter->translate(rect.topLeft());
    painter->scale(rect.width() / 16.0, rect.height() / 16.0);
    DrawPadlock(*painter, mode != QIcon::Disabled);
    painter->restore();
  }
  QIconEngine* clone() const override { return new PadlockEngine; }
};

}  // namespace

WarningScreen::WarningScreen(QWidget* parent) : QDialog(parent, kFixedDialog) {
  setObjectName(QStringLiteral("WarningScreen"));
  setWindowTitle(QStringLiteral("Warning!"));
  auto* layout = new QVBoxLayout(this);
  for (const char* text :
       {"There is a slight chance that things beyond our control could cause damage to your datafiles during "
        "this operation (i.e. damaged hard drive, power surge, power loss, not enough disk space, etc).",
        "Please verify that you have made backups of the following files before continuing:",
        "-KW.INI (found in the main Inkwend! directory)",
        "-All files with the .KWE extension, in the \\Entries subdirectory (these are your Inkwend entries)",
        "Copying them to another directory, or to a floppy disk or other removable media is recommended. "
        "Should "
        "datafile damage occur, you can then simply copy these files back into their original directories."})
    layout->addWidget(WrappedLabel(text, this));
  layout->addStretch(1);
  okButton = Button(QStringLiteral("Ok"), "OKButton", this);
  okButton->setDefault(true);
  cancelButton = Button(QStringLiteral("Cancel"), "CancelButton", this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  FixSize(*this, *layout, 473, 341);
}

GetPassword::GetPassword(DiarySession& session, std::function<void()> load_preferences,
                         std::function<void()> save_preferences, QWidget* parent)
    : QDialog(parent, kFixedDialog),
      session_(session),
      loadPreferences_(std::move(load_preferences)),
      savePreferences_(std::move(save_preferences)) {
  setObjectName(QStringLiteral("GetPassword"));
  setWindowTitle(QStringLiteral("Set Up Password"));
  auto* layout = new QVBoxLayout(this);
  passPanel = CreatePassPanel();
  layout->addWidget(passPanel);
  label5 = NamedLabel("Processing new password:", "Label5", this);
  label5->hide();
  layout->addWidget(label5);
  gauge1 = new QProgressBar(this);
  gauge1->setObjectName(QStringLiteral("Gauge1"));
  gauge1->setMinimumSize(341, 47);
  gauge1->hide();
  layout->addWidget(gauge1);
  protectionNote = WrappedLabel(kPasswordProtectionNote, this);
  protectionNote->setObjectName(QStringLiteral("ProtectionNote"));
  layout->addWidget(protectionNote);
  layout->addStretch(1);
  okButton = Button(QStringLiteral("OK"), "OkButton", this);
  okButton->setDefault(true);
  cancelButton = Button(QStringLiteral("Cancel"), "CancelButton", this);
  clearButton = Button(QStringLiteral("Clear (no password)"), "ClearButton", this);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {okButton, cancelButton, clearButton}) buttons->addWidget(b);
  layout->addLayout(buttons);
  connect(okButton, &QPushButton::clicked, this, &GetPassword::OkButtonClick);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(clearButton, &QPushButton::clicked, this, &GetPassword::ClearButtonClick);
  newPassword->installEventFilter(this);
  FixSize(*this, *layout, 366, 239);
  FormCreate();
}

QFrame* GetPassword::CreatePassPanel() {
  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("PassPanel"));
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(NamedLabel("Old Password", "Label1", panel), 0, 0);
  oldPassword = PasswordBox("OldPassword", panel);
  oldPassword->setEchoMode(QLineEdit::Password);
  grid->addWidget(oldPassword, 0, 1);
  // In the same place: seen only when there is no old password to ask for.
  label2 = NamedLabel("(none)", "Label2", panel);
  grid->addWidget(label2, 0, 1);
  grid->addWidget(NamedLabel("New Password", "Label3", panel), 1, 0);
  newPassword = PasswordBox("NewPassword", panel);
  grid->addWidget(newPassword, 1, 1);
  label4 = NamedLabel("(maximum 8 chars - A-Z, 0-9 and spaces)", "Label4", panel);
  grid->addWidget(label4, 2, 1);
  classicChoice = new QRadioButton(QString::fromUtf8(kClassicProtectionChoice), panel);
  classicChoice->setObjectName(QStringLiteral("ClassicChoice"));
  strongChoice = new QRadioButton(QString::fromUtf8(kStrongEncryptionChoice), panel);
  strongChoice->setObjectName(QStringLiteral("StrongChoice"));
  grid->addWidget(classicChoice, 3, 0, 1, 2);
  grid->addWidget(strongChoice, 4, 0, 1, 2);
  connect(strongChoice, &QRadioButton::toggled, this, &GetPassword::ChoiceChanged);
  return panel;
}

void GetPassword::FormCreate() {
  // The password as KW.INI holds it now.
  if (loadPreferences_) loadPreferences_();
  const bool has_password = !session_.Password().empty() || session_.StronglyEncrypted();
  (session_.StronglyEncrypted() ? strongChoice : classicChoice)->setChecked(true);
  ChoiceChanged();
  oldPassword->setMaxLength(static_cast<int>(kMaxStrongPasswordLength));
  oldPassword->setVisible(has_password);
  label2->setVisible(!has_password);
  (has_password ? oldPassword : newPassword)->setFocus();
}

bool GetPassword::eventFilter(QObject* watched, QEvent* e) {
  // Leaving the box for another control of the dialog, not for another window or a menu.
  if (watched == newPassword && e->type() == QEvent::FocusOut && !checkingNew_) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(e)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) NewPasswordExit();
  }
  return QDialog::eventFilter(watched, e);
}

void GetPassword::ChoiceChanged() {
  const bool strong = strongChoice->isChecked();
  newPassword->setMaxLength(static_cast<int>(strong ? kMaxStrongPasswordLength : kMaxPasswordLength));
  newPassword->setEchoMode(strong ? QLineEdit::Password : QLineEdit::Normal);
  label4->setText(strong ? QStringLiteral("(any characters, at most 64)")
                         : QStringLiteral("(maximum 8 chars - A-Z, 0-9 and spaces)"));
  protectionNote->setVisible(!strong);
}

Status GetPassword::CheckOldStrongPassword() const {
  if (oldPassword->text().isEmpty()) return Status::Error(StatusCode::Refused, kPreviousPasswordRequired);
  IniFile ini;
  if (Status s = IniFile::Load(session_.SettingsPath(), ini, session_.Files()); !s.IsOk()) return s;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const Result<std::unique_ptr<DiaryKey>> key =
      UnwrapDiaryKey(ReadWrappedKey(ini), StrongPasswordBytesOf(oldPassword->text()));
  QApplication::restoreOverrideCursor();
  if (key.GetStatus().Code() == StatusCode::Refused)
    return Status::Error(StatusCode::Refused, kPreviousPasswordIncorrect);
  return key.GetStatus();
}

bool GetPassword::NewPasswordExit() {
  const QList<uint> typed = newPassword->text().toUcs4();
  const std::u32string text(typed.begin(), typed.end());
  if (strongChoice->isChecked() || HasOnlyValidPasswordCharacters(text)) return true;
  // The message box takes the focus; that is no second leaving of the box.
  checkingNew_ = true;
  QApplication::beep();
  ShowInformation(QString::fromUtf8(kInvalidPasswordCharacters));
  newPassword->clear();
  newPassword->setFocus();
  checkingNew_ = false;
  return false;
}

bool GetPassword::checkoldpassword() {
  if (oldPassword->isHidden()) return true;
  const Status s = session_.StronglyEncrypted()
                       ? CheckOldStrongPassword()
                       : CheckOldPassword(PasswordBytesOf(oldPassword->text()), session_.Password());
  if (!s.IsOk()) ShowInformation(QString::fromStdString(s.Message()));
  return s.IsOk();
}

void GetPassword::OkButtonClick() {
  if (newPassword->text().isEmpty()) {
    ClearButtonClick();
    return;
  }
  // Checked here too: OK by its shortcut never takes the focus from the box.
  if (!NewPasswordExit() || !checkoldpassword()) return;
  const bool strong = strongChoice->isChecked();
  ProcessPassword(strong ? StrongPasswordBytesOf(newPassword->text()) : newPassword->text().toStdString(),
                  strong);
}

void GetPassword::ClearButtonClick() {
  if (!checkoldpassword()) return;
  ProcessPassword(std::string(), false);
}

void GetPassword::ShowRunning(int files) {
  for (QPushButton* b : {okButton, cancelButton, clearButton}) b->setEnabled(false);
  passPanel->hide();
  label5->show();
  gauge1->setRange(0, files);
  gauge1->setValue(0);
}

void GetPassword::ProcessPassword(const std::string& new_password, bool strong) {
  const std::string old_password = session_.Password();
  ProtectionChange wanted;
  wanted.oldPassword = old_password;
  wanted.oldKey = session_.Store().GetDiaryKey();
  wanted.newPassword = new_password;
  wanted.strong = strong;
  // The other preferences as they are now; the run stores the new password itself, once every
  // entry is ready for it.
  if (savePreferences_) savePreferences_();
  PasswordChange change(session_.Store().programDirectory(), session_.Files());
  const Result<std::vector<std::string>> files = change.FilesToConvert();
  ShowRunning(files.IsOk() ? static_cast<int>(files.Value().size()) : 0);
  // A new password for a strong diary only seals its key again: no file to show on the gauge.
  const bool changing = wanted.oldKey ? !strong : strong || old_password != new_password;
  if (changing) gauge1->show();
  change.onProgress = [this](const PasswordRunProgress& p) {
    if (p.phase != PasswordRunProgress::Phase::Staging) return;
    gauge1->setValue(p.done);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const Status run = change.ChangeProtection(wanted);
  QApplication::restoreOverrideCursor();
  if (run.IsOk()) session_.SetDiaryKey(change.DiaryKeyNow());
  if (loadPreferences_) loadPreferences_();
  gauge1->hide();
  if (!run.IsOk()) {
    ShowMessageBox(QString::fromStdString(run.Message()), QStringLiteral("Inkwend"), QMessageBox::Ok,
                   QMessageBox::Warning);
    reject();
    return;
  }
  if (strong)
    ShowInformation(QString::fromUtf8(kStrongEncryptionDone));
  else if (changing || wanted.oldKey)
    ShowInformation(QString::fromStdString(PasswordChangedMessage(new_password)));
  accept();
}

QToolButton* CreatePasswordButton(QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QStringLiteral("PasswordButton"));
  b->setIcon(QIcon(new PadlockEngine));
  b->setAutoRaise(true);
  b->setToolTip(QStringLiteral("Select or Change Password"));
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

void MainScreen::MnuSecurityClick() {
  WarningScreen warning(this);
  if (ExecDialog(warning) != QDialog::Accepted) return;
  // Unsaved edits are saved under the current password first; when they cannot be, nothing runs.
  if (!SaveButtonClick()) return;
  GetPassword dialog(
      session_, [this] { LoadPreferences(); }, [this] { SavePreferences(); }, this);
  ExecDialog(dialog);
}

}  // namespace inkwend
