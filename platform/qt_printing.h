#pragma once
// Printing a laid-out document through Qt PrintSupport: to any QPrinter (a system printer or
// "Save as PDF"), or straight to a PDF file. Pages, header and footer events and the restoring
// of the screen state are the layout's own (TextLayout::Print); this side supplies the
// printer as a WPPrintDevice.
#include <QPainter>
#include <QPrinter>
#include <memory>
#include <string>

#include "platform/qt_canvas.h"
#include "richtext/layout/layout.h"

namespace inkwend {

class QtPrintDevice : public WPPrintDevice {
 public:
  // The printer stays owned by the caller.
  explicit QtPrintDevice(QPrinter& printer, QtTextMetrics& metrics = SharedTextMetrics());
  bool BeginJob() override;
  bool NewPage() override;
  bool EndJob() override;
  void AbortJob() override;
  inkwend::Canvas& Canvas() override { return *canvas_; }
  TextMetrics& Metrics() override { return metrics_; }
  int XPixelsPerInch() const override;
  int YPixelsPerInch() const override;
  int OffsetX() const override;
  int OffsetY() const override;
  int PrintableWidth() const override;
  int PrintableHeight() const override;
  int PaperWidth() const override;
  int PaperHeight() const override;
  QPainter& Painter() { return painter_; }

 private:
  QPrinter& printer_;
  QtTextMetrics& metrics_;
  QPainter painter_;
  std::unique_ptr<QtCanvas> canvas_;
};

// The document's page size (twips) as a page with no margins of its own (the document's margins
// place the text).
QPageLayout PageLayoutOf(const TextHeader& header);
// Sets the printer's paper to the document's page.
void SetPrinterPage(QPrinter& printer, const TextHeader& header);

// Prints pages first..last of the document on the printer. False with a message on failure.
bool PrintDocument(TextLayout& layout, QPrinter& printer, std::string* error = nullptr, int first_page = 0,
                   int last_page = 0xFFFFFF);

// Prints the whole document into a PDF file on the document's page, through cairo's PDF output
// (whose text reads back as typed, shaped scripts and emoji included). The file is written beside
// the target and renamed over it only when printing succeeded, so a failure leaves an existing
// file as it was.
bool PrintDocumentToPdf(TextLayout& layout, const std::string& path, std::string* error = nullptr,
                        int resolution = 600);

}  // namespace inkwend
