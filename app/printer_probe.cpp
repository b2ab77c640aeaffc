#include "app/printer_probe.h"

#include <QPrinterInfo>
#include <QStringList>

namespace inkwend {
namespace {

bool ProbePrinters() {
  try {
    const QStringList names = QPrinterInfo::availablePrinterNames();
    return names.size() == 1 && names.front().contains(QStringLiteral("Rendering"), Qt::CaseSensitive);
  } catch (...) {
    return false;
  }
}

}  // namespace

bool PrintersHidden() {
  static const bool kHidden = ProbePrinters();
  return kHidden;
}

}  // namespace inkwend
