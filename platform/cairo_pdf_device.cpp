#include "platform/cairo_pdf_device.h"

#include <cairo-pdf.h>

#include <utility>

namespace inkwend {

CairoPdfDevice::CairoPdfDevice(std::string path, const QPageLayout& page, int resolution,
                               QtTextMetrics& metrics)
    : path_(std::move(path)), page_(page), resolution_(std::max(1, resolution)), metrics_(metrics) {}

CairoPdfDevice::~CairoPdfDevice() { Close(); }

bool CairoPdfDevice::BeginJob() {
  Close();
  // The sheet in whole points, as a QPrinter's PDF has it.
  const QRect sheet = page_.fullRectPoints();
  surface_ = cairo_pdf_surface_create(path_.c_str(), sheet.width(), sheet.height());
  if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
    Close();
    return false;
  }
  cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_CREATOR, "Inkwend");
  cr_ = cairo_create(surface_);
  // Device pixels to points.
  cairo_scale(cr_, 72.0 / resolution_, 72.0 / resolution_);
  canvas_ = std::make_unique<CairoPdfCanvas>(cr_, metrics_);
  return cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
}

bool CairoPdfDevice::NewPage() {
  if (!cr_) return false;
  cairo_show_page(cr_);
  canvas_->EndTextChain();
  return cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
}

bool CairoPdfDevice::EndJob() {
  if (!cr_) return false;
  bool ok = cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
  canvas_.reset();
  cairo_destroy(cr_);
  cr_ = nullptr;
  // Finishing writes the document; a full disk shows here.
  cairo_surface_finish(surface_);
  ok = ok && cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface_);
  surface_ = nullptr;
  return ok;
}

void CairoPdfDevice::AbortJob() { Close(); }

void CairoPdfDevice::Close() {
  canvas_.reset();
  if (cr_) cairo_destroy(cr_);
  cr_ = nullptr;
  if (surface_) cairo_surface_destroy(surface_);
  surface_ = nullptr;
}

int CairoPdfDevice::OffsetX() const { return page_.paintRectPixels(resolution_).left(); }
int CairoPdfDevice::OffsetY() const { return page_.paintRectPixels(resolution_).top(); }
int CairoPdfDevice::PrintableWidth() const { return page_.paintRectPixels(resolution_).width(); }
int CairoPdfDevice::PrintableHeight() const { return page_.paintRectPixels(resolution_).height(); }
int CairoPdfDevice::PaperWidth() const { return page_.fullRectPixels(resolution_).width(); }
int CairoPdfDevice::PaperHeight() const { return page_.fullRectPixels(resolution_).height(); }

}  // namespace inkwend
