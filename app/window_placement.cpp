#include "app/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "platform/program_directory.h"
#include "store/ini_file.h"
#include "store/preferences.h"

namespace inkwend {
namespace {

QRect ScreenRect(const QWidget& w) {
  const QScreen* screen = w.screen() ? w.screen() : QGuiApplication::primaryScreen();
  return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

int Dpi(const QWidget& w) {
  const QScreen* screen = w.screen() ? w.screen() : QGuiApplication::primaryScreen();
  return screen ? qRound(screen->logicalDotsPerInch()) : 96;
}

}  // namespace

QString PlacementSectionFor(const QString& class_name, const QWidget& window) {
  return QString::fromStdString(PlacementSection(class_name.toStdString(), Dpi(window)));
}

QString SaveWindowPlacement(const QWidget& window, const QString& class_name) {
  const std::string path = SettingsFilePath().toStdString();
  IniFile ini;
  Status s = IniFile::Load(path, ini);
  // A refused settings file (too large, not a file) was reported when the preferences were
  // read, and is left as it is.
  if (s.Code() == StatusCode::Refused) return {};
  if (!s.IsOk()) return QString::fromStdString(s.Message());
  const QRect normal =
      window.isMaximized() || window.isMinimized() ? window.normalGeometry() : window.geometry();
  WindowPlacement p;
  // Outer edges, right and bottom exclusive.
  p.normal = {normal.left(), normal.top(), normal.left() + normal.width(), normal.top() + normal.height()};
  p.maximized = window.isMaximized();
  s = WriteWindowPlacement(ini, PlacementSectionFor(class_name, window).toStdString(), p);
  if (s.IsOk()) s = ini.Save(path);
  return s.IsOk() ? QString() : QString::fromStdString(s.Message());
}

QSize DefaultWindowSize(const QSize& available, int minimum_width) {
  constexpr int kDesignedWidth = 622, kDesignedHeight = 402;
  const int width = std::max({available.width() * 2 / 3, minimum_width, kDesignedWidth});
  const int height = std::max(available.height() * 2 / 3, kDesignedHeight);
  return {std::min(width, available.width()), std::min(height, available.height())};
}

QString RestoreWindowPlacement(QWidget& window, const QString& class_name, int minimum_width) {
  IniFile ini;
  const Status s = IniFile::Load(SettingsFilePath().toStdString(), ini);
  if (!s.IsOk() && s.Code() != StatusCode::Refused) return QString::fromStdString(s.Message());
  const WindowPlacement p =
      ReadWindowPlacement(ini, PlacementSectionFor(class_name, window).toStdString(), false);
  if (p.normal.bottom == 0) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (screen) window.resize(DefaultWindowSize(screen->availableGeometry().size(), minimum_width));
    CenterForm(window, nullptr, true);
  } else {
    const QRect screen = ScreenRect(window);
    const WindowRect r = FitOntoScreen(p.normal, screen.width(), screen.height());
    window.setGeometry(r.left, r.top, r.width(), r.height());
  }
  if (p.maximized) window.setWindowState(window.windowState() | Qt::WindowMaximized);
  return SaveWindowPlacement(window, class_name);
}

void CenterForm(QWidget& window, const QWidget* main_window, bool is_main_window) {
  const QSize size = window.frameGeometry().size().isEmpty() ? window.size() : window.frameGeometry().size();
  int left, top;
  if (is_main_window || !main_window || main_window->isMaximized()) {
    const QRect screen = ScreenRect(window);
    left = screen.left() + (screen.width() - size.width()) / 2;
    top = screen.top() + (screen.height() - size.height()) / 2;
  } else {
    const QRect main = main_window->frameGeometry();
    left = main.left() + (main.width() - size.width()) / 2;
    top = main.top() + (main.height() - size.height()) / 2;
  }
  window.move(left, top);
}

}  // namespace inkwend
