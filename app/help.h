#pragma once
// The diary's HTML help, shipped beside the program and opened in the desktop's browser.
#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

namespace inkwend {

// Name of the help page inside the help folder beside the program.
inline constexpr char kHelpFolder[] = "help";
inline constexpr char kHelpPage[] = "index.html";
// The anchor of the contents topic on that page.
inline constexpr char kHelpContentsAnchor[] = "contents";

// Where the help page may be, most likely first: beside the executable (build tree or
// portable install), then under the install prefix (see FindShippedFile).
QStringList HelpFileCandidates();
// The first candidate that exists, or empty.
QString FindHelpFile();
// The URL of the contents topic of the page at `path`.
QUrl HelpContentsUrl(const QString& path);

// Opens the help at its contents in the desktop's browser. When the page is missing or no
// browser takes it, says so in a message box and returns false.
bool OpenHelpContents(QWidget* parent);

}  // namespace inkwend
