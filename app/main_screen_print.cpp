// Printing from the main window: "Print Setup", "Print" (Ctrl+P) and the toolbar's print button.
// The printer chosen in the set-up stays for the rest of the run. "Save as PDF" is always one of
// the printers, so a machine without printer queues prints into a file chosen at Print.
#include <QApplication>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "app/main_screen.h"
#include "app/print_dialogs.h"
#include "app/printer_probe.h"
#include "app/prompter.h"
#include "app/window_placement.h"

namespace inkwend {
namespace {

// The printer of this run, owned by the main window (deleted with it).
class DiaryPrinter : public QObject {
 public:
  explicit DiaryPrinter(QObject* parent) : QObject(parent), printer(QPrinter::HighResolution) {
    setObjectName(QStringLiteral("DiaryPrinter"));
    // Without a queue to print on (or with only a rendering pseudo-printer), into a PDF file.
    if (PrintersHidden() || QPrinterInfo::availablePrinterNames().isEmpty()) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setPageSize(DefaultPaper());
    }
  }
  QPrinter printer;
};

QPrinter& PrinterOf(MainScreen& window) {
  auto* held = window.findChild<DiaryPrinter*>(QStringLiteral("DiaryPrinter"), Qt::FindDirectChildrenOnly);
  if (!held) held = new DiaryPrinter(&window);
  return held->printer;
}

// A printer that writes a PDF file needs the file: asked for at every print, so that a print
// does not silently replace the last one. False when the user cancelled.
bool ChoosePdfFile(QPrinter& printer, QWidget* parent) {
  if (printer.outputFormat() != QPrinter::PdfFormat) return true;
  QFileDialog dialog(parent, QStringLiteral("Save as PDF"));
  dialog.setObjectName(QStringLiteral("SaveAsPdf"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(QStringLiteral("PDF files (*.pdf)"));
  dialog.setDefaultSuffix(QStringLiteral("pdf"));
  if (!printer.outputFileName().isEmpty()) dialog.selectFile(printer.outputFileName());
  if (CurrentPrompter().Exec(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  printer.setOutputFileName(dialog.selectedFiles().constFirst());
  return true;
}

}  // namespace

void MainScreen::PrintSetup1Click() {
  if (!SaveButtonClick()) return;
  QPrintDialog dialog(&PrinterOf(*this), this);
  dialog.setWindowTitle(QStringLiteral("Print Setup"));
  dialog.setOptions({});
  CenterForm(dialog, this, false);
  CurrentPrompter().Exec(dialog);
}

void MainScreen::PrintbuttonClick() { PrintNowClick(); }

void MainScreen::PrintNowClick() {
  if (!SaveButtonClick()) return;
  QApplication::processEvents();
  PrintOptions options(this);
  options.startDate = QDateTime(CurrentDate(), QTime(0, 0));
  options.endDate = QDateTime::currentDateTime();
  options.onGetEntryDays = [this](QStringList& days, int year, int month) {
    GetEntryDays(days, year, month);
  };
  CenterForm(options, this, false);
  if (CurrentPrompter().Exec(options) != QDialog::Accepted) return;
  QDate from = options.startDate.date(), to = options.endDate.date();
  if (options.currentOnly) {
    from = to = CurrentDate();
  } else if (options.all) {
    from = FirstDiaryRecord();
    to = LastDiaryRecord();
  }
  QPrinter& printer = PrinterOf(*this);
  if (!ChoosePdfFile(printer, this)) return;
  // The layout choice counts even when it was disabled (the current entry alone, merged).
  PrintStatusForm status(session_, printer, this);
  status.startDate = from;
  status.endDate = to;
  status.merged = options.merged;
  CenterForm(status, this, false);
  CurrentPrompter().Exec(status);
  FindDateRecord();
  LoadRichText();
}

}  // namespace inkwend
