#include "app/start_show_state.h"

namespace inkwend {
namespace {

StartShowState& Current() {
  static StartShowState state = StartShowState::Normal;
  return state;
}

}  // namespace

StartShowState StartShowStateFromArguments(const QStringList& arguments) {
  StartShowState state = StartShowState::Normal;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == QLatin1String("--data-dir")) {
      ++i;  // a folder's name, whatever it reads
      continue;
    }
    if (a == QLatin1String("--minimized") || a == QLatin1String("--minimised") ||
        a == QLatin1String("--iconic"))
      state = StartShowState::Minimized;
    else if (a == QLatin1String("--maximized") || a == QLatin1String("--maximised"))
      state = StartShowState::Maximized;
  }
  return state;
}

StartShowState CurrentStartShowState() { return Current(); }

void SetStartShowState(StartShowState state) { Current() = state; }

}  // namespace inkwend
