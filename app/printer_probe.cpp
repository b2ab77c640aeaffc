#include "app/printer_probe.h"

#include <QPrinterInfo>
#include <optional>

namespace inkwend {
namespace {

std::optional<bool>& ProbeAnswer() {
  static std::optional<bool> answer;
  return answer;
}

}  // namespace

bool HidesPrinters(const std::function<QStringList()>& list_printers) {
  try {
    const QStringList names = list_printers();
    return names.size() == 1 && names.front().contains(QStringLiteral("Rendering"), Qt::CaseSensitive);
  } catch (...) {
    return false;
  }
}

void ProbePrinters() {
  if (!ProbeAnswer()) ProbeAnswer() = HidesPrinters([] { return QPrinterInfo::availablePrinterNames(); });
}

bool PrintersHidden() {
  ProbePrinters();
  return *ProbeAnswer();
}

}  // namespace inkwend
