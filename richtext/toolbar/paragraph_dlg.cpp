#include "richtext/toolbar/paragraph_dlg.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
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

QLabel* Label(QWidget* parent, const QString& text, QWidget* buddy) {
  auto* l = new QLabel(text, parent);
  l->setBuddy(buddy);
  return l;
}

// Room for a value such as "-12.345" in the dialog's font, whatever its size.
void SizeValueEdit(QLineEdit* edit) {
  edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("-000.000")) + 12);
}

}  // namespace

ParagraphPropDlg::ParagraphPropDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Paragraph Properties"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  for (int i = 0; i < static_cast<int>(ValueKind::ValueCount); ++i) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QLatin1String(kEditNames[i]));
    e->setMaxLength(20);
    SizeValueEdit(e);
    edits_[static_cast<size_t>(i)] = e;
    connect(e, &QLineEdit::textChanged, this, [this, e] { EditChange(e); });
  }
  // Laid out, not placed: every label keeps its whole text in the desktop's font at any size.
  auto* grid = new QGridLayout(this);
  grid->setSizeConstraint(QLayout::SetFixedSize);
  QLineEdit* left = edits_[static_cast<int>(ValueKind::Left)];
  QLineEdit* right = edits_[static_cast<int>(ValueKind::Right)];
  QLineEdit* first = edits_[static_cast<int>(ValueKind::First)];
  grid->addWidget(Label(this, QStringLiteral("Left Indent"), left), 0, 0, Qt::AlignBottom);
  grid->addWidget(left, 1, 0);
  grid->addWidget(Label(this, QStringLiteral("Right Indent"), right), 0, 1, Qt::AlignBottom);
  grid->addWidget(right, 1, 1);

  auto* bevel = new QFrame(this);
  bevel->setFrameShape(QFrame::Panel);
  bevel->setFrameShadow(QFrame::Raised);
  auto* bevel_grid = new QGridLayout(bevel);
  auto* bevel_label = new QLabel(QStringLiteral("First Indent"), bevel);
  firstIndentCombo_ = new QComboBox(bevel);
  firstIndentCombo_->setObjectName(QStringLiteral("FirstIndentCombo"));
  firstIndentCombo_->addItems({QStringLiteral("Same as Left Indent"), QStringLiteral("Indented by")});
  firstIndentCombo_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  firstIndentCombo_->setToolTip(QStringLiteral("Specify special handling for first line indent"));
  bevel_label->setBuddy(firstIndentCombo_);
  first->setParent(bevel);
  bevel_grid->addWidget(bevel_label, 0, 0, 1, 2);
  bevel_grid->addWidget(firstIndentCombo_, 1, 0);
  bevel_grid->addWidget(first, 1, 1);
  grid->addWidget(bevel, 0, 2, 2, 2);
  connect(firstIndentCombo_, &QComboBox::activated, this, [this] { FirstIndentComboClick(); });

  QLineEdit* before = edits_[static_cast<int>(ValueKind::Before)];
  QLineEdit* after = edits_[static_cast<int>(ValueKind::After)];
  QLineEdit* line = edits_[static_cast<int>(ValueKind::Line)];
  grid->addWidget(Label(this, QStringLiteral("Space before (pts)"), before), 2, 0, Qt::AlignBottom);
  grid->addWidget(before, 3, 0);
  grid->addWidget(Label(this, QStringLiteral("Space after (pts)"), after), 2, 1, Qt::AlignBottom);
  grid->addWidget(after, 3, 1);
  grid->addWidget(Label(this, QStringLiteral("Line Height (pts)"), line), 2, 2, Qt::AlignBottom);
  grid->addWidget(line, 3, 2);
  const QString points_hint = QStringLiteral("in points (1 point=1/72 inch)");
  before->setToolTip(QStringLiteral("Specify spacing before paragraph ") + points_hint);
  after->setToolTip(QStringLiteral("Specify spacing after paragraph ") + points_hint);
  line->setToolTip(QStringLiteral("Specify spacing between lines of paragraph ") + points_hint);

  units_ = new QComboBox(this);
  units_->setObjectName(QStringLiteral("ComboBox1"));
  units_->addItems({QStringLiteral("Inch"), QStringLiteral("Cm")});
  units_->setToolTip(QStringLiteral("Change unit of measurement to inches or centimeters"));
  grid->addWidget(Label(this, QStringLiteral("Units"), units_), 2, 3, Qt::AlignBottom);
  grid->addWidget(units_, 3, 3);
  connect(units_, &QComboBox::currentIndexChanged, this, [this] { ComboBox1Change(); });

  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setObjectName(QStringLiteral("Okbutton"));
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, [this] { OkbuttonClick(); });
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("CancelButton"));
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  buttons->addStretch(1);
  grid->addLayout(buttons, 0, 4, 4, 1);
}

bool ParagraphPropDlg::InInches() const { return units_->currentIndex() != 1; }

QString ParagraphPropDlg::UnitWord() const {
  return InInches() ? QStringLiteral("inches") : QStringLiteral("centimeters");
}

int ParagraphPropDlg::IndexOf(const QLineEdit* edit) const {
  for (int i = 0; i < static_cast<int>(ValueKind::ValueCount); ++i)
    if (edit->objectName() == QLatin1String(kEditNames[i])) return i;
  return -1;
}

void ParagraphPropDlg::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!e->spontaneous()) FormShow();
}

void ParagraphPropDlg::FormShow() {
  if (editor_) {
    WPParagraphValues v = editor_->CurrentParagraph();
    values_ = {v.firstIndent, v.leftIndent, v.rightIndent, v.spaceBefore, v.spaceAfter, v.lineSpacing};
  }
  invalid_.fill(false);
  {
    QSignalBlocker block(units_);
    units_->setCurrentIndex(0);
  }
  bool same = values_[static_cast<int>(ValueKind::First)] == values_[static_cast<int>(ValueKind::Left)];
  firstIndentCombo_->setCurrentIndex(same ? 0 : 1);
  edits_[static_cast<int>(ValueKind::First)]->setEnabled(!same);
  ShowValues();
  SetHints();
}

void ParagraphPropDlg::ShowValues() {
  QLocale locale;
  for (int i = 0; i < static_cast<int>(ValueKind::ValueCount); ++i) {
    QLineEdit* e = edits_[static_cast<size_t>(i)];
    double v = values_[static_cast<size_t>(i)];
    QString text = IsPoints(e)
                       ? QString::number(static_cast<long long>(std::nearbyint(v / kTwipsPerInch * 72.0)))
                       : locale.toString(v / (InInches() ? kTwipsPerInch : kTwipsPerCm), 'f', 2);
    e->setText(text);
    EditChange(e);  // the value is what the box shows (also when the text did not change)
  }
}

void ParagraphPropDlg::EditChange(QLineEdit* edit) {
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
  if (index == static_cast<int>(ValueKind::Left) && firstIndentCombo_->currentIndex() == 0)
    edits_[static_cast<int>(ValueKind::First)]->setText(edit->text());
}

void ParagraphPropDlg::ComboBox1Change() {
  ShowValues();
  SetHints();
}

void ParagraphPropDlg::FirstIndentComboClick() {
  bool same = firstIndentCombo_->currentIndex() == 0;
  if (same)
    edits_[static_cast<int>(ValueKind::First)]->setText(edits_[static_cast<int>(ValueKind::Left)]->text());
  edits_[static_cast<int>(ValueKind::First)]->setEnabled(!same);
}

void ParagraphPropDlg::SetHints() {
  const QString unit = UnitWord();
  edits_[static_cast<int>(ValueKind::Left)]->setToolTip(
      QStringLiteral("Specify left indent for the paragraph in ") + unit);
  edits_[static_cast<int>(ValueKind::Right)]->setToolTip(
      QStringLiteral("Specify right indent for the paragraph in ") + unit);
  edits_[static_cast<int>(ValueKind::First)]->setToolTip(
      QStringLiteral("Specify first line indent for the paragraph in ") + unit);
}

void ParagraphPropDlg::OkbuttonClick() {
  for (int i = 0; i < static_cast<int>(ValueKind::ValueCount); ++i) {
    if (!invalid_[static_cast<size_t>(i)]) continue;
    QLineEdit* e = edits_[static_cast<size_t>(i)];
    QString message = QStringLiteral("'%1' is not a valid floating point value.").arg(e->text());
    if (onMessage)
      onMessage(message);
    else
      QMessageBox::warning(this, windowTitle(), message);
    e->setFocus();
    e->selectAll();
    return;  // nothing applied; the dialog stays open
  }
  if (editor_) {
    editor_->BeginChange();
    editor_->SetParSpacing(values_[static_cast<int>(ValueKind::Before)],
                           values_[static_cast<int>(ValueKind::Line)],
                           values_[static_cast<int>(ValueKind::After)]);
    editor_->SetParIndents(values_[static_cast<int>(ValueKind::First)],
                           values_[static_cast<int>(ValueKind::Left)],
                           values_[static_cast<int>(ValueKind::Right)]);
    editor_->EndChange();
  }
  accept();
}

}  // namespace inkwend
