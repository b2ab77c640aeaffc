#include "platform/qt_printing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QTemporaryFile>
#include <cstdio>

#include "platform/cairo_pdf_device.h"

namespace inkwend {

QtPrintDevice::QtPrintDevice(QPrinter& printer, QtTextMetrics& metrics)
    : printer_(printer), metrics_(metrics) {
  canvas_ = std::make_unique<QtCanvas>(painter_, metrics_);
}

bool QtPrintDevice::BeginJob() {
  if (!painter_.begin(&printer_)) return false;
  painter_.setRenderHint(QPainter::TextAntialiasing, true);
  return true;
}

bool QtPrintDevice::NewPage() { return printer_.newPage(); }

bool QtPrintDevice::EndJob() {
  if (!painter_.isActive()) return false;
  return painter_.end() && printer_.printerState() != QPrinter::Error;
}

void QtPrintDevice::AbortJob() {
  printer_.abort();
  if (painter_.isActive()) painter_.end();
}

int QtPrintDevice::XPixelsPerInch() const { return printer_.logicalDpiX(); }
int QtPrintDevice::YPixelsPerInch() const { return printer_.logicalDpiY(); }

int QtPrintDevice::OffsetX() const {
  return static_cast<int>(printer_.pageRect(QPrinter::DevicePixel).left() -
                          printer_.paperRect(QPrinter::DevicePixel).left());
}

int QtPrintDevice::OffsetY() const {
  return static_cast<int>(printer_.pageRect(QPrinter::DevicePixel).top() -
                          printer_.paperRect(QPrinter::DevicePixel).top());
}

int QtPrintDevice::PrintableWidth() const {
  return static_cast<int>(printer_.pageRect(QPrinter::DevicePixel).width());
}
int QtPrintDevice::PrintableHeight() const {
  return static_cast<int>(printer_.pageRect(QPrinter::DevicePixel).height());
}

int QtPrintDevice::PaperWidth() const {
  return static_cast<int>(printer_.paperRect(QPrinter::DevicePixel).width());
}
int QtPrintDevice::PaperHeight() const {
  return static_cast<int>(printer_.paperRect(QPrinter::DevicePixel).height());
}

QPageLayout PageLayoutOf(const TextHeader& header) {
  const double w = std::max(header.pageWidth, 720) / 1440.0;
  const double h = std::max(header.pageHeight, 720) / 1440.0;
  const bool landscape = w > h;
  const QPageSize size(landscape ? QSizeF(h, w) : QSizeF(w, h), QPageSize::Inch, QString(),
                       QPageSize::ExactMatch);
  return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                     QPageLayout::Inch);
}

void SetPrinterPage(QPrinter& printer, const TextHeader& header) {
  printer.setPageLayout(PageLayoutOf(header));
  printer.setFullPage(false);
}

bool PrintDocument(TextLayout& layout, QPrinter& printer, std::string* error, int first_page, int last_page) {
  QtPrintDevice device(printer);
  if (!layout.Print(device, first_page, last_page)) {
    if (error)
      *error = layout.lastPrintError.empty() ? "The printer could not be started." : layout.lastPrintError;
    return false;
  }
  return true;
}

bool PrintDocumentToPdf(TextLayout& layout, const std::string& path, std::string* error, int resolution) {
  const QString target = QString::fromStdString(path);
  const QFileInfo info(target);
  QTemporaryFile temp(info.absoluteDir().filePath(info.fileName() + ".XXXXXX"));
  if (!temp.open()) {
    if (error) *error = "Cannot write into the folder of " + path + ".";
    return false;
  }
  temp.close();
  CairoPdfDevice device(QFile::encodeName(temp.fileName()).toStdString(),
                        PageLayoutOf(layout.Document().header), resolution);
  layout.lastPrintError.clear();
  if (!layout.Print(device)) {
    if (error) *error = layout.lastPrintError.empty() ? "Cannot write " + path + "." : layout.lastPrintError;
    return false;
  }
  QFile written(temp.fileName());
  if (written.size() == 0) {
    if (error) *error = "Nothing was written to " + path + ".";
    return false;
  }
  // rename() replaces the target in one step.
  if (std::rename(QFile::encodeName(temp.fileName()).constData(),
                  QFile::encodeName(info.absoluteFilePath()).constData()) != 0) {
    if (error) *error = "Cannot replace " + path + ".";
    return false;
  }
  temp.setAutoRemove(false);
  return true;
}

}  // namespace inkwend
