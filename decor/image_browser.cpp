#include "decor/image_browser.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QVBoxLayout>

#include "platform/qt_picture_files.h"
#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {

namespace {

constexpr int kPreviewSide = 275;

// The places offered as drives: the file system's root, the home folder and mounted media.
QStringList Places() {
  QStringList places = {QDir::rootPath(), QDir::homePath()};
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    const QString root = volume.rootPath();
    if (volume.isValid() && volume.isReady() &&
        (root.startsWith(QLatin1String("/media/")) || root.startsWith(QLatin1String("/mnt/")) ||
         root.startsWith(QLatin1String("/run/media/"))) &&
        !places.contains(root)) {
      places << root;
    }
  }
  return places;
}

QString StartDirectory() {
  const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  return QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

}  // namespace

ImageBrowser::ImageBrowser(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ImageBrowser"));
  setWindowTitle(QStringLiteral("Load Image File  "));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFont(QFont(QStringLiteral("Arial")));
  resize(579, 362);

  drives_ = new QComboBox(this);
  drives_->setObjectName(QStringLiteral("DriveComboBox1"));
  drives_->addItems(Places());
  directories_ = new QListWidget(this);
  directories_->setObjectName(QStringLiteral("DirectoryListBox1"));
  files_ = new QListWidget(this);
  files_->setObjectName(QStringLiteral("FileListBox1"));
  maskCaption_ = new QLabel(QString::fromLatin1(kFileMask), this);
  maskCaption_->setObjectName(QStringLiteral("Panel3"));
  maskCaption_->setWordWrap(true);
  maskCaption_->setFrameShape(QFrame::Panel);
  preview_ = new QLabel(this);
  preview_->setObjectName(QStringLiteral("Image1"));
  preview_->setFixedSize(kPreviewSide, kPreviewSide);
  preview_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  preview_->setFrameShape(QFrame::Box);
  percent_ = new QSpinBox(this);
  percent_->setObjectName(QStringLiteral("SpinEdit1"));
  percent_->setRange(25, 200);
  percent_->setSingleStep(5);
  percent_->setValue(100);
  okButton_ = new QPushButton(QStringLiteral("Ok"), this);
  okButton_->setObjectName(QStringLiteral("OKButton"));
  okButton_->setDefault(true);
  cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancelButton_->setObjectName(QStringLiteral("Cancelbutton"));

  auto* lists = new QVBoxLayout;
  lists->addWidget(drives_);
  lists->addWidget(directories_, 1);
  auto* file_column = new QVBoxLayout;
  file_column->addWidget(files_, 1);
  file_column->addWidget(maskCaption_);
  auto* size_row = new QHBoxLayout;
  size_row->addWidget(percent_);
  size_row->addWidget(new QLabel(QStringLiteral("percent"), this));
  size_row->addStretch();
  size_row->addWidget(okButton_);
  size_row->addWidget(cancelButton_);
  auto* right = new QVBoxLayout;
  right->addWidget(preview_);
  right->addLayout(size_row);
  auto* top = new QHBoxLayout(this);
  top->addLayout(lists, 1);
  top->addLayout(file_column, 1);
  top->addLayout(right);

  connect(drives_, &QComboBox::activated, this, [this](int index) { DriveChanged(index); });
  connect(directories_, &QListWidget::itemActivated, this, [this] { DirectoryActivated(); });
  // A file is chosen when it is selected (a click, the arrow keys), not when the list merely
  // takes the focus.
  connect(files_, &QListWidget::itemSelectionChanged, this, [this] { FileListBox1Change(); });
  connect(percent_, &QSpinBox::valueChanged, this, [this] { SpinEdit1Change(); });
  connect(okButton_, &QPushButton::clicked, this, [this] { OKButtonClick(); });
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

  SetDirectory(StartDirectory());
  files_->setFocus();
}

void ImageBrowser::SetDirectory(const QString& directory) {
  QDir dir(directory);
  if (!dir.exists()) return;
  directory_ = dir.absolutePath();
  directories_->clear();
  if (!dir.isRoot()) directories_->addItem(QStringLiteral(".."));
  directories_->addItems(dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase));
  const QStringList masks = QString::fromLatin1(kFileMask).split(u';');
  const QSignalBlocker quiet(files_);
  files_->clear();
  files_->addItems(dir.entryList(masks, QDir::Files, QDir::Name | QDir::IgnoreCase));
  picture_ = DocGraphic{};
  preview_->clear();
}

void ImageBrowser::DriveChanged(int index) {
  if (index >= 0) SetDirectory(drives_->itemText(index));
}

void ImageBrowser::DirectoryActivated() {
  const QListWidgetItem* item = directories_->currentItem();
  if (item) SetDirectory(QDir(directory_).filePath(item->text()));
}

int ImageBrowser::Percent() const { return percent_->value(); }

const QListWidgetItem* ImageBrowser::SelectedFile() const {
  const QList<QListWidgetItem*> selected = files_->selectedItems();
  return selected.isEmpty() ? nullptr : selected.front();
}

void ImageBrowser::FileListBox1Change() {
  const QListWidgetItem* item = SelectedFile();
  if (!item) return;
  const QString path = QDir(directory_).filePath(item->text());
  QApplication::setOverrideCursor(Qt::WaitCursor);
  picture_ = LoadPictureForInsertion(path);
  QApplication::restoreOverrideCursor();
  {
    const QSignalBlocker quiet(percent_);
    percent_->setValue(100);
  }
  ShowPreview();
  if (picture_.Empty()) {
    const QString text = QStringLiteral("Error loading file!");
    if (onError)
      onError(text);
    else
      QMessageBox::critical(this, QStringLiteral("Error"), text);
  }
}

void ImageBrowser::SpinEdit1Change() { ShowPreview(); }

void ImageBrowser::ShowPreview() {
  const QImage image = ImageOfGraphic(picture_);
  if (image.isNull()) {
    preview_->clear();
    return;
  }
  // At the chosen size; a picture larger than the preview is shown whole, scaled down.
  QSize size(std::max(1, image.width() * Percent() / 100), std::max(1, image.height() * Percent() / 100));
  if (size.width() > kPreviewSide || size.height() > kPreviewSide)
    size.scale(kPreviewSide, kPreviewSide, Qt::KeepAspectRatio);
  preview_->setPixmap(
      QPixmap::fromImage(image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

void ImageBrowser::OKButtonClick() {
  if (SelectedFile()) accept();
}

int ImageBrowser::InsertInto(WPRichText& editor) {
  if (picture_.Empty()) return 0;
  const int percent = Percent();
  if (percent == 100) return editor.InsertPicture(std::move(picture_));
  if (picture_.compressed) {
    const TextHeader& header = editor.Memo().Document().header;
    const int64_t width =
        int64_t{picture_.PixelWidth()} * percent / 100 * 1440 / std::max(1, header.xPixelsPerInch);
    const int64_t height =
        int64_t{picture_.PixelHeight()} * percent / 100 * 1440 / std::max(1, header.yPixelsPerInch);
    return editor.InsertGraphic(std::move(picture_), static_cast<int>(std::max<int64_t>(width, 1)),
                                static_cast<int>(std::max<int64_t>(height, 1)));
  }
  return editor.InsertGraphic(ScaledBitmapGraphic(picture_, percent));
}

}  // namespace inkwend
