#pragma once
// Fonts, pictures and PDF output need a GUI application object, though no display: the commands
// that print make one (offscreen unless QT_QPA_PLATFORM says otherwise) for as long as they run.
#include <QGuiApplication>
#include <memory>

namespace inkwend::tool {

// A new application object, or null when one exists already.
inline std::unique_ptr<QGuiApplication> MakeGuiApplication() {
  if (QCoreApplication::instance()) return nullptr;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "inkwend-tool";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace inkwend::tool
