#include "app/printer_probe.h"

#include <QPrinterInfo>
#include <QStringList>

namespace inkwend {
namespace {
bool hidden = false;
}

void ProbePrinters() {
  const QStringList names = QPrinterInfo::availablePrinterNames();
  hidden = names.size() == 1 && names.front().contains(QStringLiteral("Rendering"), Qt::CaseSensitive);
}

bool PrintersHidden() { return hidden; }

}  // namespace inkwend
