#pragma once
// Printing into a PDF file through cairo's PDF surface, whose text carries the characters each
// glyph was shaped from (right-to-left words, conjuncts and emoji read back as typed). Pages
// have the page layout's size and the same device pixels as a QPrinter of the same resolution,
// so documents lay out as they do for a printer.
#include <cairo.h>

#include <QPageLayout>
#include <memory>
#include <string>

#include "platform/cairo_pdf_canvas.h"
#include "richtext/layout/layout.h"

namespace inkwend {

class CairoPdfDevice : public WPPrintDevice {
 public:
  CairoPdfDevice(std::string path, const QPageLayout& page, int resolution,
                 QtTextMetrics& metrics = SharedTextMetrics());
  CairoPdfDevice(const CairoPdfDevice&) = delete;
  CairoPdfDevice& operator=(const CairoPdfDevice&) = delete;
  ~CairoPdfDevice() override;

  bool BeginJob() override;
  bool NewPage() override;
  bool EndJob() override;
  void AbortJob() override;
  inkwend::Canvas& Canvas() override { return *canvas_; }
  TextMetrics& Metrics() override { return metrics_; }
  int XPixelsPerInch() const override { return resolution_; }
  int YPixelsPerInch() const override { return resolution_; }
  int OffsetX() const override;
  int OffsetY() const override;
  int PrintableWidth() const override;
  int PrintableHeight() const override;
  int PaperWidth() const override;
  int PaperHeight() const override;

 private:
  void Close();

  std::string path_;
  QPageLayout page_;
  int resolution_;
  QtTextMetrics& metrics_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  std::unique_ptr<CairoPdfCanvas> canvas_;
};

}  // namespace inkwend
