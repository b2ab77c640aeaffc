#pragma once
// FloatingPalette: the small always-on-top "Icons" window that shows one icon set, from which the
// user drags icons into the entry. Its "File" menu chooses the set: the five shipped sets, the
// bonus sets found in BonusIcons/ when the palette was created, or any icon-bearing file. The
// main window shows and hides it, keeps its place and set in the settings, and takes the drops.
#include <QStringList>
#include <QWidget>
#include <functional>

class QAction;
class QMenu;
class QMenuBar;

namespace inkwend {

class IconListBox;

class FloatingPalette : public QWidget {
 public:
  // The set used whenever a loaded file turns out to hold no icons.
  static constexpr const char* kFallbackSet = "icons/misc1.icl";
  // The file dialog's filter; its seventh entry is preselected.
  static constexpr const char* kIconFileFilter =
      "All Files (*.ICL *.DLL *.EXE *.ICO *.NIL *.icl *.dll *.exe *.ico *.nil);;ICL Files (*.ICL *.icl);;"
      "DLL Files (*.DLL *.dll);;EXE Files (*.EXE *.exe);;ICO Files (*.ICO *.ico);;NIL Files (*.NIL *.nil);;"
      "ICL and ICO Files (*.ICL *.ICO *.icl *.ico)";

  // FormCreate: shows the Activities set and lists the bonus sets of `bonus_directories` (each an
  // existing folder or ignored; the first to hold a set name gives its file).
  explicit FloatingPalette(QWidget* parent = nullptr, const QStringList& bonus_directories = {});

  IconListBox* IconList() const { return iconListBox_; }
  QMenu* FileMenu() const { return fileMenu_; }
  QAction* BonusIconSetsItem() const { return bonusItem_; }
  QAction* OtherIconFileItem() const { return otherItem_; }

  // Ticks the menu item of the set `path` names and makes sure the list shows a usable set.
  void CheckCurrentSet(const QString& path);

  // The file a set name of the menu stands for: the program directory's own copy
  // ("icons/activity.icl") when it has one, else the copy shipped with the program.
  static QString SetFile(const QString& relative_path);

  // What talks to the user; message boxes and Qt's file dialog when unassigned.
  std::function<void(const QString& text)> onInformation;
  // Runs the icon file dialog starting in `directory`; the chosen file, or empty when cancelled.
  std::function<QString(const QString& directory)> chooseIconFile;
  // FormHide: the palette was hidden.
  std::function<void()> onHide;

  void mnuBonusIconSetsClick();
  void mnuOtherIconFileClick();
  void DefaultMenuClick(const QString& set_name);

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  void AddSetItem(const char* object_name, const QString& caption, const QString& relative_path);
  void ScanBonusSets(const QStringList& bonus_directories);
  void ChooseFile(const QString& path);
  void Inform(const QString& text);
  QString RunIconFileDialog(const QString& directory);
  // The list's file becomes the fallback set when the file it shows holds no icons.
  void FallBackWhenEmpty();

  IconListBox* iconListBox_ = nullptr;
  QMenuBar* menuBar_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  QAction* bonusItem_ = nullptr;  // mnuBonusIconSets
  QAction* otherItem_ = nullptr;  // mnuOtherIconFile
  QMenu* bonusMenu_ = nullptr;    // its sub-items, once a bonus set was found
  QStringList bonusDirectories_;
};

// The set name of a path as the menu knows it: the file name in upper case, cut before its first
// full stop (at most 64 characters), with the shipped sets' file names turned into their captions.
QString IconSetName(const QString& path);

}  // namespace inkwend
