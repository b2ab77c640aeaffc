#include "platform/diary_printing.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPageLayout>
#include <QPrinterInfo>
#include <QTemporaryFile>
#include <memory>

#include "base/text_encoding.h"
#include "platform/cairo_pdf_device.h"
#include "platform/qt_picture_decoder.h"
#include "platform/qt_printing.h"

namespace inkwend {
namespace {

QDate ToQDate(Date day) {
  return QDate(static_cast<int>(day.year()), static_cast<int>(static_cast<unsigned>(day.month())),
               static_cast<int>(static_cast<unsigned>(day.day())));
}

std::u32string ToU32(const QString& text) { return text.toStdU32String(); }

// Jobs into PDF files, each written beside its target under a temporary name and renamed over
// the target once complete.
class PdfDestination : public PrintDestination {
 public:
  PdfDestination(std::string path, FileSystem& fs, QPageSize paper, int resolution)
      : path_(std::move(path)), fs_(fs), paper_(std::move(paper)), resolution_(resolution) {}

  Result<WPPrintDevice*> OpenJob(std::optional<Date> day) override {
    target_ = day ? PerEntryPdfPath(path_, *day) : path_;
    const QFileInfo info(QString::fromStdString(target_));
    temp_ = std::make_unique<QTemporaryFile>(
        info.absoluteDir().filePath(info.fileName() + QStringLiteral(".XXXXXX")));
    if (!temp_->open()) return Status::Error("Cannot write into the folder of " + target_ + ".");
    temp_->close();
    device_ = std::make_unique<CairoPdfDevice>(
        QFile::encodeName(temp_->fileName()).toStdString(),
        QPageLayout(paper_, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Inch), resolution_);
    return static_cast<WPPrintDevice*>(device_.get());
  }

  Status CloseJob(bool completed) override {
    device_.reset();
    if (!temp_) return Status::Ok();
    const std::string temp = QFile::encodeName(temp_->fileName()).toStdString();
    Status kept = Status::Ok();
    if (completed) {
      const Result<uint64_t> size = fs_.FileSize(temp);
      if (!size.IsOk() || size.Value() == 0)
        kept = Status::Error("Nothing was written to " + target_ + ".");
      else if (!fs_.Rename(temp, target_).IsOk())
        kept = Status::Error("Cannot replace " + target_ + "; it is left as it was.");
      else
        temp_->setAutoRemove(false);
      if (kept.IsOk()) written_.push_back(target_);
    }
    temp_.reset();  // removes what was not renamed
    return kept;
  }

  const std::vector<std::string>& Written() const { return written_; }

 private:
  std::string path_;
  FileSystem& fs_;  // the session's, which outlives the print
  QPageSize paper_;
  int resolution_;
  std::string target_;
  std::unique_ptr<QTemporaryFile> temp_;
  std::unique_ptr<CairoPdfDevice> device_;
  std::vector<std::string> written_;
};

// Jobs onto a printer the user set up; each begins and ends on it.
class PrinterDestination : public PrintDestination {
 public:
  explicit PrinterDestination(QPrinter& printer) : device_(printer) {}
  Result<WPPrintDevice*> OpenJob(std::optional<Date> /*day*/) override {
    return static_cast<WPPrintDevice*>(&device_);
  }
  Status CloseJob(bool /*completed*/) override { return Status::Ok(); }

 private:
  QtPrintDevice device_;
};

Status RunWalk(const DiarySession& session, PrintDestination& destination, Date from, Date to, PrintMode mode,
               const DiaryPrintRun& run) {
  DiaryPrint print(session, destination);
  print.onDay = run.onDay;
  print.onUnreadable = run.onUnreadable;
  const QLocale locale = QLocale::system();
  print.headerText = run.headerText ? run.headerText : [locale](Date day) {
    return ToU32(locale.toString(ToQDate(day), QLocale::LongFormat));
  };
  print.headingText = run.headingText ? run.headingText : [locale](Date day) {
    return ToU32(locale.toString(ToQDate(day), QStringLiteral("dddd, MMMM d, yyyy")));
  };
  print.pictureDecoder = &QtPictureDecoderInstance();
  const Status done = print.Run(from, to, mode);
  if (run.summary) *run.summary = print.Summary();
  return done;
}

}  // namespace

QPageSize DefaultPaper() {
  const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
  if (!printer.isNull() && printer.defaultPageSize().isValid()) return printer.defaultPageSize();
  return QPageSize(QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                                      : QPageSize::A4);
}

std::string PerEntryPdfPath(const std::string& path, Date day) {
  std::string stem = path;
  if (stem.size() > 4) {
    std::string tail = stem.substr(stem.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (tail == ".pdf") stem.resize(stem.size() - 4);
  }
  return stem + "-" + DateKey(day) + ".pdf";
}

Status PrintRangeToPdf(const DiarySession& session, Date from, Date to, PrintMode mode,
                       const std::string& path, const DiaryPrintRun& run) {
  if (path.empty()) return Status::Error(StatusCode::Refused, "No file to print into was chosen.");
  PdfDestination destination(path, session.Files(), run.paper ? *run.paper : DefaultPaper(), run.resolution);
  return RunWalk(session, destination, from, to, mode, run);
}

Status PrintRangeToPrinter(const DiarySession& session, Date from, Date to, PrintMode mode, QPrinter& printer,
                           const DiaryPrintRun& run) {
  if (printer.outputFormat() == QPrinter::PdfFormat) {
    DiaryPrintRun to_file = run;
    to_file.paper = printer.pageLayout().pageSize();
    to_file.resolution = printer.resolution();
    return PrintRangeToPdf(session, from, to, mode, printer.outputFileName().toStdString(), to_file);
  }
  // The name the queue lists the jobs under.
  if (printer.docName().isEmpty()) printer.setDocName(QStringLiteral("Inkwend diary"));
  PrinterDestination destination(printer);
  return RunWalk(session, destination, from, to, mode, run);
}

}  // namespace inkwend
