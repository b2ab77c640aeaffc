#include "app/about_box.h"

#include <QBoxLayout>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSysInfo>

#include "app/prompter.h"
#include "app/version.h"
#include "app/window_placement.h"
#include "platform/program_directory.h"

namespace inkwend {
namespace {

constexpr QSize kPictureSize(96, 120);
// The row that shows the diary's folder, between the labels and the rule.
constexpr int kFolderRowHeight = 32;
constexpr int kHeight = 236 + kFolderRowHeight;

// Draws a ring-bound notebook page into `box`: the same look as the diary's main window
// (white page, rings down the left, purple handwriting), scaled to any size.
void PaintNotebook(QPainter& p, const QRectF& box) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.translate(box.topLeft());
  p.scale(box.width() / kPictureSize.width(), box.height() / kPictureSize.height());

  // Cover peeking out behind the page, and a soft shadow.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 40));
  p.drawRoundedRect(QRectF(12, 6, 82, 112), 6, 6);
  p.setBrush(QColor(0x5a, 0x2a, 0x6e));
  p.drawRoundedRect(QRectF(10, 3, 82, 113), 6, 6);

  // The page.
  p.setBrush(Qt::white);
  p.setPen(QPen(QColor(0x90, 0x90, 0x90), 0.8));
  p.drawRoundedRect(QRectF(8, 1, 80, 112), 5, 5);

  // Margin and ruled lines.
  p.setPen(QPen(QColor(0xe0, 0x70, 0x70), 0.9));
  p.drawLine(QPointF(24, 4), QPointF(24, 110));
  p.setPen(QPen(QColor(0xa8, 0xc4, 0xe8), 0.8));
  for (qreal y = 34; y < 108; y += 9) p.drawLine(QPointF(26, y), QPointF(84, y));

  // A few lines of purple writing on the ruled lines.
  QPen ink(QColor(0x80, 0x00, 0x80), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(ink);
  const qreal lengths[] = {50, 44, 54, 30, 47, 38};
  qreal y = 32;
  for (qreal len : lengths) {
    QPainterPath path(QPointF(28, y));
    for (qreal x = 28; x < 28 + len; x += 6) path.quadTo(QPointF(x + 1.5, y - 3.5), QPointF(x + 3, y - 0.5));
    p.drawPath(path);
    y += 9;
  }

  // Date heading: a bold stroke with a flourish.
  p.setPen(QPen(QColor(0x80, 0x00, 0x80), 2.4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(30, 16), QPointF(68, 16));
  p.setPen(QPen(QColor(0x80, 0x00, 0x80), 1.0));
  p.drawLine(QPointF(26, 24), QPointF(84, 24));

  // Double rings down the left edge: a dark hole in the page and a metal loop over it.
  for (qreal ry = 10; ry < 108; ry += 14) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x40, 0x40, 0x40));
    p.drawEllipse(QPointF(15, ry + 1.5), 2.2, 2.2);
    p.drawEllipse(QPointF(15, ry + 6.5), 2.2, 2.2);
    QLinearGradient metal(QPointF(0, 0), QPointF(0, 3));
    metal.setColorAt(0, QColor(0xf4, 0xf4, 0xf4));
    metal.setColorAt(1, QColor(0x80, 0x80, 0x80));
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), 0.6));
    for (qreal dy : {0.0, 5.0}) {
      p.save();
      p.translate(1, ry + dy);
      p.setBrush(metal);
      p.drawRoundedRect(QRectF(0, 0, 15, 3), 1.5, 1.5);
      p.restore();
    }
  }
  p.restore();
}

// The picture at the top left of the about box; painted rather than scaled from a bitmap so
// that it stays sharp at every screen scale.
class NotebookPicture : public QWidget {
 public:
  explicit NotebookPicture(QWidget* parent) : QWidget(parent) { setFixedSize(kPictureSize); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    PaintNotebook(p, rect());
  }
};

// Fixed dialog without the title bar's buttons; the Ok button is the only way out.
constexpr Qt::WindowFlags kFixedDialog =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint;

}  // namespace

QString BuildText() { return QStringLiteral("%1-bit version").arg(QSysInfo::WordSize); }

QIcon NotebookIcon() {
  QIcon icon;
  for (int side : {16, 24, 32, 48, 64, 128, 256}) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    // Keep the page's proportions inside the square.
    const qreal w = side * qreal(kPictureSize.width()) / kPictureSize.height();
    PaintNotebook(p, QRectF((side - w) / 2, 0, w, side));
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent, kFixedDialog) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About Inkwend!"));

  image1 = new NotebookPicture(this);
  image1->setObjectName(QStringLiteral("Image1"));

  QFont big = font();
  big.setPointSizeF(big.pointSizeF() * 1.5);
  big.setBold(true);
  buildLabel = new QLabel(BuildText(), this);
  buildLabel->setObjectName(QStringLiteral("BuildLabel"));
  buildLabel->setFont(big);
  versionLabel = new QLabel(QStringLiteral("Version ") + QString::fromLatin1(kProgramVersion), this);
  versionLabel->setObjectName(QStringLiteral("VersionLabel"));
  versionLabel->setFont(big);

  // Where the diary is, selectable so that it can be copied into a file manager or a backup.
  QString folder = QDir::toNativeSeparators(ProgramDirectory());
  if (folder.size() > 1 && folder.endsWith('/')) folder.chop(1);
  diaryFolderLabel = new QLabel(QStringLiteral("Diary folder: ") + folder, this);
  diaryFolderLabel->setObjectName(QStringLiteral("DiaryFolderLabel"));
  diaryFolderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  diaryFolderLabel->setToolTip(folder);

  auto* rule = new QFrame(this);
  rule->setObjectName(QStringLiteral("Bevel1"));
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);

  okButton = new QPushButton(QStringLiteral("Ok"), this);
  okButton->setObjectName(QStringLiteral("OKButton"));
  okButton->setDefault(true);
  okButton->setMinimumSize(90, 32);
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

  // Laid out, so that the texts fit in the desktop's font at any size; never smaller than the
  // designed 434 x 236 with the folder's row added.
  auto* texts = new QVBoxLayout;
  texts->setSpacing(12);
  texts->addSpacing(20);
  texts->addWidget(buildLabel);
  texts->addWidget(versionLabel);
  texts->addStretch(1);
  auto* top = new QHBoxLayout;
  top->setSpacing(24);
  top->addWidget(image1, 0, Qt::AlignTop);
  top->addLayout(texts, 1);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(20, 16, 16, 16);
  column->addLayout(top, 1);
  column->addWidget(diaryFolderLabel);
  column->addWidget(rule);
  column->addWidget(okButton, 0, Qt::AlignHCenter);
  setFixedSize(column->sizeHint().expandedTo(QSize(434, kHeight)));
}

void ShowAboutBox(QWidget* parent) {
  AboutBox box(parent);
  CenterForm(box, parent ? parent->window() : nullptr, false);
  CurrentPrompter().Exec(box);
}

}  // namespace inkwend
