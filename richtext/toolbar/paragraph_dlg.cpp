#include "richtext/toolbar/paragraph_dlg.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <cmath>
#include <limits>

namespace inkwend {

namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kTwipsPerCm = 566.929;
constexpr double kTwipsPerPoint = 1.0 / 72.0 * 1440.0;

const char* const kEditNames[] = {"FirstIndent",    "LeftIndent",    "RightIndent",
                                  "SpaceBeforePts", "SpaceAfterPts", "LineHeightPts"};

bool IsPoints(const QLineEdit* edit) { return edit->objectName().toUpper().contains(QLatin1String("PTS")); }

QLabel* Label(QWidget* parent, const QString& text, int x, int y, QWidget* buddy) {
  auto* l = new QLabel(text, parent);
  l->move(x, y);
  l->adjustSize();
  l->setBuddy(buddy);
  return l;
}

}  // namespace

TParagraphPropDlg::TParagraphPropDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Paragraph Properties"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
  setFixedSize(494, 128);

  for (int i = 0; i < kValueCount; ++i) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QLatin1String(kEditNames[i]));
    e->setMaxLength(20);
    edits_[static_cast<size_t>(i)] = e;
    connect(e, &QLineEdit::textChanged, this, [this, e] { EditChange(e); });
  }
  QLineEdit* left = edits_[kLeft];
  QLineEdit* right = edits_[kRight];
  QLineEdit* first = edits_[kFirst];
  left->setGeometry(8, 22, 70, 21);
  Label(this, QStringLiteral("Left Indent"), 8, 6, left);
  right->setGeometry(88, 22, 70, 21);
  Label(this, QStringLiteral("Right Indent"), 88, 6, right);

  auto* bevel = new QFrame(this);
  bevel->setFrameShape(QFrame::Panel);
  bevel->setFrameShadow(QFrame::Raised);
  bevel->setGeometry(168, 4, 222, 48);
  auto* bevel_label = new QLabel(QStringLiteral("First Indent"), bevel);
  bevel_label->move(6, 3);
  first_indent_combo_ = new QComboBox(bevel);
  first_indent_combo_->setObjectName(QStringLiteral("FirstIndentCombo"));
  first_indent_combo_->addItems({QStringLiteral("Same as Left Indent"), QStringLiteral("Indented by")});
  first_indent_combo_->setGeometry(6, 20, 130, 22);
  first_indent_combo_->setToolTip(QStringLiteral("Specify special handling for first line indent"));
  bevel_label->setBuddy(first_indent_combo_);
  first->setParent(bevel);
  first->setGeometry(144, 20, 70, 21);
  connect(first_indent_combo_, &QComboBox::activated, this, [this] { FirstIndentComboClick(); });

  QLineEdit* before = edits_[kBefore];
  QLineEdit* after = edits_[kAfter];
  QLineEdit* line = edits_[kLine];
  before->setGeometry(8, 76, 70, 21);
  Label(this, QStringLiteral("Space before (pts)"), 8, 60, before);
  after->setGeometry(118, 76, 70, 21);
  Label(this, QStringLiteral("Space after (pts)"), 118, 60, after);
  line->setGeometry(228, 76, 70, 21);
  Label(this, QStringLiteral("Line Height (pts)"), 228, 60, line);
  const QString points_hint = QStringLiteral("in points (1 point=1/72 inch)");
  before->setToolTip(QStringLiteral("Specify spacing before paragraph ") + points_hint);
  after->setToolTip(QStringLiteral("Specify spacing after paragraph ") + points_hint);
  line->setToolTip(QStringLiteral("Specify spacing between lines of paragraph ") + points_hint);

  units_ = new QComboBox(this);
  units_->setObjectName(QStringLiteral("ComboBox1"));
  units_->addItems({QStringLiteral("Inch"), QStringLiteral("Cm")});
  units_->setGeometry(330, 76, 66, 22);
  units_->setToolTip(QStringLiteral("Change unit of measurement to inches or centimeters"));
  Label(this, QStringLiteral("Units"), 330, 60, units_);
  connect(units_, &QComboBox::currentIndexChanged, this, [this] { ComboBox1Change(); });

  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setObjectName(QStringLiteral("Okbutton"));
  ok_->setDefault(true);
  ok_->setGeometry(408, 12, 76, 25);
  connect(ok_, &QPushButton::clicked, this, [this] { OkbuttonClick(); });
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("CancelButton"));
  cancel_->setGeometry(408, 44, 76, 25);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

bool TParagraphPropDlg::InInches() const { return units_->currentIndex() != 1; }

QString TParagraphPropDlg::UnitWord() const {
  return InInches() ? QStringLiteral("inches") : QStringLiteral("centimeters");
}

int TParagraphPropDlg::IndexOf(const QLineEdit* edit) const {
  for (int i = 0; i < kValueCount; ++i)
    if (edit->objectName() == QLatin1String(kEditNames[i])) return i;
  return -1;
}

void TParagraphPropDlg::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!e->spontaneous()) FormShow();
}

void TParagraphPropDlg::FormShow() {
  if (editor_) {
    TWPParagraphValues v = editor_->CurrentParagraph();
    values_ = {v.FirstIndent, v.LeftIndent, v.RightIndent, v.SpaceBefore, v.SpaceAfter, v.LineSpacing};
  }
  invalid_.fill(false);
  {
    QSignalBlocker block(units_);
    units_->setCurrentIndex(0);
  }
  bool same = values_[kFirst] == values_[kLeft];
  first_indent_combo_->setCurrentIndex(same ? 0 : 1);
  edits_[kFirst]->setEnabled(!same);
  ShowValues();
  SetHints();
}

void TParagraphPropDlg::ShowValues() {
  QLocale locale;
  for (int i = 0; i < kValueCount; ++i) {
    QLineEdit* e = edits_[static_cast<size_t>(i)];
    double v = values_[static_cast<size_t>(i)];
    QString text = IsPoints(e)
                       ? QString::number(static_cast<long long>(std::nearbyint(v / kTwipsPerInch * 72.0)))
                       : locale.toString(v / (InInches() ? kTwipsPerInch : kTwipsPerCm), 'f', 2);
    e->setText(text);
    EditChange(e);  // the value is what the box shows (also when the text did not change)
  }
}

void TParagraphPropDlg::EditChange(QLineEdit* edit) {
  int index = IndexOf(edit);
  if (index < 0) return;
  QString text = edit->text().trimmed();
  double number = 0;
  bool ok = true;
  if (!text.isEmpty()) number = QLocale().toDouble(text, &ok);
  double scaled =
      IsPoints(edit) ? number * kTwipsPerPoint : number * (InInches() ? kTwipsPerInch : kTwipsPerCm);
  double value = std::nearbyint(scaled);  // halves to even
  if (!ok || !std::isfinite(value) || std::fabs(value) > std::numeric_limits<int32_t>::max()) {
    // Not a number (perhaps half typed): the value stays; OK tells the user.
    invalid_[static_cast<size_t>(index)] = true;
    edit->setStyleSheet(QStringLiteral("color: #c00000"));
    return;
  }
  if (invalid_[static_cast<size_t>(index)]) {
    invalid_[static_cast<size_t>(index)] = false;
    edit->setStyleSheet(QString());
  }
  values_[static_cast<size_t>(index)] = static_cast<int>(value);
  if (index == kLeft && first_indent_combo_->currentIndex() == 0) edits_[kFirst]->setText(edit->text());
}

void TParagraphPropDlg::ComboBox1Change() {
  ShowValues();
  SetHints();
}

void TParagraphPropDlg::FirstIndentComboClick() {
  bool same = first_indent_combo_->currentIndex() == 0;
  if (same) edits_[kFirst]->setText(edits_[kLeft]->text());
  edits_[kFirst]->setEnabled(!same);
}

void TParagraphPropDlg::SetHints() {
  const QString unit = UnitWord();
  edits_[kLeft]->setToolTip(QStringLiteral("Specify left indent for the paragraph in ") + unit);
  edits_[kRight]->setToolTip(QStringLiteral("Specify right indent for the paragraph in ") + unit);
  edits_[kFirst]->setToolTip(QStringLiteral("Specify first line indent for the paragraph in ") + unit);
}

void TParagraphPropDlg::OkbuttonClick() {
  for (int i = 0; i < kValueCount; ++i) {
    if (!invalid_[static_cast<size_t>(i)]) continue;
    QLineEdit* e = edits_[static_cast<size_t>(i)];
    QString message = QStringLiteral("'%1' is not a valid floating point value.").arg(e->text());
    if (OnMessage)
      OnMessage(message);
    else
      QMessageBox::warning(this, windowTitle(), message);
    e->setFocus();
    e->selectAll();
    return;  // nothing applied; the dialog stays open
  }
  if (editor_) {
    editor_->SetParSpacing(values_[kBefore], values_[kLine], values_[kAfter]);
    editor_->SetParIndents(values_[kFirst], values_[kLeft], values_[kRight]);
  }
  accept();
}

}  // namespace inkwend
