#include "app/search_dialogs.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace inkwend {

LookForAll::LookForAll(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("LookForAll"));
  setWindowTitle(QStringLiteral("Find text from any entry"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint);
  setFont(QFont(QStringLiteral("Arial"), 8));
  setFixedSize(249, 142);
  auto* label = new QLabel(QStringLiteral("Text to look for"), this);
  label->setGeometry(16, 16, 217, 16);
  lookForText_ = new QLineEdit(this);
  lookForText_->setObjectName(QStringLiteral("LookForText"));
  lookForText_->setGeometry(16, 36, 217, 24);
  label->setBuddy(lookForText_);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("OKButton"));
  ok->setDefault(true);
  ok->setGeometry(40, 96, 75, 25);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("CancelButton"));
  cancel->setGeometry(134, 96, 75, 25);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  lookForText_->setFocus();
}

QString LookForAll::Text() const { return lookForText_->text(); }

ConvertNotify::ConvertNotify(QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("ConvertNotify"));
  // The main window keeps the keyboard: the walk's window only shows where it is.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFont(QFont(QStringLiteral("Arial"), 8));
  setFixedSize(355, 146);
  auto* frame = new QLabel(this);  // the single border
  frame->setGeometry(0, 0, 355, 146);
  frame->setFrameShape(QFrame::Box);
  whatAmIdoing_ = new QLabel(this);
  whatAmIdoing_->setObjectName(QStringLiteral("WhatAmIdoing"));
  whatAmIdoing_->setGeometry(16, 36, 323, 20);
  whatAmIdoing_->setAlignment(Qt::AlignCenter);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("Status"));
  status_->setGeometry(16, 76, 323, 20);
  status_->setAlignment(Qt::AlignCenter);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void ConvertNotify::SetWhatAmIdoing(const QString& text) { whatAmIdoing_->setText(text); }
void ConvertNotify::SetStatus(const QString& text) { status_->setText(text); }
QString ConvertNotify::Status() const { return status_->text(); }

}  // namespace inkwend
