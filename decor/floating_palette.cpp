#include "decor/floating_palette.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHideEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QVBoxLayout>
#include <map>

#include "decor/icon_list_box.h"
#include "platform/program_directory.h"

namespace inkwend {

namespace {

constexpr int kMaxSetName = 64;

// The file name after the last slash, backslash or colon, at most 64 characters, cut before its
// first full stop.
QString BareName(const QString& path) {
  const qsizetype cut = std::max({path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'), path.lastIndexOf(u':')});
  QString name = path.mid(cut + 1).left(kMaxSetName);
  const qsizetype dot = name.indexOf(u'.');
  return dot < 0 ? name : name.left(dot);
}

QString Caption(const QAction* item) { return item->text().remove(u'&').toUpper(); }

}  // namespace

QString IconSetName(const QString& path) {
  static const std::map<QString, QString> kCaptions = {
      {QStringLiteral("ACTIVITY"), QStringLiteral("ACTIVITIES")},
      {QStringLiteral("HOLIDAY"), QStringLiteral("HOLIDAYS")},
      {QStringLiteral("MISC1"), QStringLiteral("MISCELLANEOUS #1")},
      {QStringLiteral("MISC2"), QStringLiteral("MISCELLANEOUS #2")}};
  const QString name = BareName(path).toUpper();
  const auto found = kCaptions.find(name);
  return found == kCaptions.end() ? name : found->second;
}

QString FloatingPalette::SetFile(const QString& relative_path) {
  const QString own = ProgramDirectory() + relative_path;
  if (QFileInfo(own).isFile()) return own;
  const QString shipped = FindShippedFile(relative_path.toLower());
  return shipped.isEmpty() ? own : shipped;
}

FloatingPalette::FloatingPalette(QWidget* parent, const QStringList& bonus_directories)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("FloatingPalette"));
  setWindowTitle(QStringLiteral("Icons"));
  setFont(QFont(QStringLiteral("Arial")));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);  // Panel1's inner border
  menuBar_ = new QMenuBar(this);
  menuBar_->setNativeMenuBar(false);
  layout->setMenuBar(menuBar_);
  fileMenu_ = menuBar_->addMenu(QStringLiteral("File"));
  fileMenu_->setObjectName(QStringLiteral("MainMenu"));
  iconListBox_ = new IconListBox(this);
  iconListBox_->setObjectName(QStringLiteral("IconListBox"));
  iconListBox_->SetXIcons(3);
  iconListBox_->SetYIcons(3);
  iconListBox_->setFrameShape(QFrame::NoFrame);
  iconListBox_->setStyleSheet(QStringLiteral("QListWidget { background: white; }"));
  iconListBox_->setDragEnabled(true);
  iconListBox_->setDragDropMode(QAbstractItemView::DragOnly);
  iconListBox_->setToolTip(
      QStringLiteral("Drag and drop icons onto the diary entry.  Icons\nwill become part of the text."));
  layout->addWidget(iconListBox_, 1);

  AddSetItem("mnuActivitiesICL", QStringLiteral("Activities"), QStringLiteral("icons/activity.icl"));
  AddSetItem("mnuEventsICL", QStringLiteral("Events"), QStringLiteral("icons/events.icl"));
  AddSetItem("mnuHolidaysICL", QStringLiteral("Holidays"), QStringLiteral("icons/holiday.icl"));
  AddSetItem("mnuMisc1ICL", QStringLiteral("Miscellaneous #1"), QStringLiteral("icons/misc1.icl"));
  AddSetItem("mnuMisc2ICL", QStringLiteral("Miscellaneous #2"), QStringLiteral("icons/misc2.icl"));
  bonusItem_ = fileMenu_->addAction(QStringLiteral("Bonus Icon Sets"));
  bonusItem_->setObjectName(QStringLiteral("mnuBonusIconSets"));
  bonusItem_->setCheckable(true);
  connect(bonusItem_, &QAction::triggered, this, [this] { mnuBonusIconSetsClick(); });
  otherItem_ = fileMenu_->addAction(QStringLiteral("Other..."));
  otherItem_->setObjectName(QStringLiteral("mnuOtherIconFile"));
  otherItem_->setCheckable(true);
  connect(otherItem_, &QAction::triggered, this, [this] { mnuOtherIconFileClick(); });

  resize(160, 200);
  iconListBox_->SetFileName(SetFile(QStringLiteral("icons/activity.icl")));
  CheckCurrentSet(iconListBox_->FileName());
  ScanBonusSets(bonus_directories);
}

void FloatingPalette::AddSetItem(const char* object_name, const QString& caption,
                                 const QString& relative_path) {
  QAction* item = fileMenu_->addAction(caption);
  item->setObjectName(QString::fromLatin1(object_name));
  item->setCheckable(true);
  connect(item, &QAction::triggered, this, [this, relative_path] { ChooseFile(SetFile(relative_path)); });
}

void FloatingPalette::ScanBonusSets(const QStringList& bonus_directories) {
  bonusDirectories_ = bonus_directories;
  QStringList names;
  for (const QString& directory : bonus_directories) {
    const QStringList files =
        QDir(directory).entryList({QStringLiteral("*.icl")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& file : files) {
      const QString name = BareName(file);
      if (!names.contains(name, Qt::CaseInsensitive)) names << name;
    }
  }
  if (names.isEmpty()) return;
  names.sort(Qt::CaseInsensitive);
  // Once a set exists the item only opens its sub-menu.
  bonusItem_->disconnect(this);
  bonusItem_->setCheckable(false);
  bonusMenu_ = new QMenu(this);
  bonusItem_->setMenu(bonusMenu_);
  for (const QString& name : names) {
    QAction* item = bonusMenu_->addAction(name);
    item->setCheckable(true);
    connect(item, &QAction::triggered, this, [this, name] { DefaultMenuClick(name); });
  }
}

void FloatingPalette::ChooseFile(const QString& path) {
  iconListBox_->SetFileName(path);
  CheckCurrentSet(iconListBox_->FileName());
}

void FloatingPalette::DefaultMenuClick(const QString& set_name) {
  // The first bonus folder that holds the set (a name cut at a full stop may hold none).
  QString path = QDir(bonusDirectories_.value(0)).filePath(set_name + QStringLiteral(".icl"));
  for (const QString& directory : bonusDirectories_) {
    const QString candidate = QDir(directory).filePath(set_name + QStringLiteral(".icl"));
    if (QFileInfo(candidate).isFile()) {
      path = candidate;
      break;
    }
  }
  ChooseFile(path);
}

void FloatingPalette::mnuBonusIconSetsClick() {
  if (bonusMenu_) return;
  Inform(
      QStringLiteral("No Bonus Sets Found!\n\nBonus icon sets are icon libraries (.icl files) put into the "
                     "folder BonusIcons beside the program or in the diary's folder; they are listed "
                     "here from the next start on."));
}

void FloatingPalette::mnuOtherIconFileClick() {
  const QString start = ProgramDirectory();
  QString chosen = RunIconFileDialog(start);
  if (!chosen.isEmpty()) iconListBox_->SetFileName(chosen);
  while (!chosen.isEmpty() && iconListBox_->NumberOfIcons() == 0) {
    Inform(QStringLiteral("No icons found in ") + chosen);
    chosen = RunIconFileDialog(start);
    if (!chosen.isEmpty()) iconListBox_->SetFileName(chosen);
  }
  FallBackWhenEmpty();
  CheckCurrentSet(iconListBox_->FileName());
}

void FloatingPalette::CheckCurrentSet(const QString& path) {
  const QString set_name = IconSetName(path);
  bool ticked = false;
  const auto tick = [&](QAction* item) {
    const bool on = !item->isSeparator() && Caption(item) == set_name;
    if (item->isCheckable()) item->setChecked(on);
    ticked |= on;
  };
  for (QAction* item : fileMenu_->actions()) tick(item);
  if (bonusMenu_) {
    for (QAction* item : bonusMenu_->actions()) tick(item);
  }
  const bool exists = !path.isEmpty() && QFileInfo(path).isFile();
  if (!ticked && exists) otherItem_->setChecked(true);
  if (exists && path.compare(iconListBox_->FileName(), Qt::CaseInsensitive) != 0)
    iconListBox_->SetFileName(path);
  FallBackWhenEmpty();
}

void FloatingPalette::FallBackWhenEmpty() {
  if (iconListBox_->NumberOfIcons() == 0)
    iconListBox_->SetFileName(SetFile(QString::fromLatin1(kFallbackSet)));
}

void FloatingPalette::Inform(const QString& text) {
  if (onInformation)
    onInformation(text);
  else
    QMessageBox::information(this, QStringLiteral("Information"), text);
}

QString FloatingPalette::RunIconFileDialog(const QString& directory) {
  if (chooseIconFile) return chooseIconFile(directory);
  QString preselected = QString::fromLatin1(kIconFileFilter).split(QStringLiteral(";;")).last();
  return QFileDialog::getOpenFileName(this, QString(), directory, QString::fromLatin1(kIconFileFilter),
                                      &preselected);
}

void FloatingPalette::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (onHide) onHide();
}

}  // namespace inkwend
