// inkwend-tool pdf IN.rtf OUT.pdf [--margins INCHES]
// Lays an RTF document out on its page and prints it into a PDF file, through the same printing
// code as the editor's Print. Needs no display.
#include <QGuiApplication>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt_picture_decoder.h"
#include "platform/qt_printing.h"
#include "richtext/layout/layout.h"
#include "richtext/rtf/loader.h"
#include "tools/command_registry.h"
#include "tools/gui_application.h"

namespace {

// Ten device pixels to the point: every size of whole and half points is a whole number of
// pixels, so that no size is rounded up or down before its text is measured.
constexpr int kPdfResolution = 720;

bool ParseInches(const std::string& text, double& out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return errno == 0 && end && *end == '\0' && out >= 0 && out < 100;
}

void ReportUnreadable(const std::string& path, int result, const inkwend::Status& status) {
  // The system's reason (missing, a folder, a pipe, no permission) names the file itself.
  if (status.Message().find(path) != std::string::npos) {
    std::fprintf(stderr, "inkwend-tool: %s\n", status.Message().c_str());
  } else {
    std::fprintf(stderr, "inkwend-tool: cannot read %s (%s)\n", path.c_str(),
                 result == inkwend::kResultOutOfMemory ? "out of memory" : "missing or damaged file");
  }
}

int RunPdf(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  double margins = -1;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--margins") {
      if (i + 1 >= args.size() || !ParseInches(args[i + 1], margins)) {
        std::fprintf(stderr, "inkwend-tool: --margins needs a number of inches, such as 1 or 0.75\n");
        return 2;
      }
      ++i;
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) {
    std::fprintf(stderr, "usage: inkwend-tool pdf IN.rtf OUT.pdf [--margins INCHES]\n");
    return 2;
  }
  // Fonts and PDF output need a GUI application object, not a display.
  const auto app = inkwend::tool::MakeGuiApplication();

  inkwend::WPRTFText doc;
  inkwend::TextLayout layout(doc);
  // PNG and JPEG pictures (from Word or LibreOffice) are decoded by Qt, as in the program.
  inkwend::LoadOptions options;
  options.pictureDecoder = &inkwend::QtPictureDecoderInstance();
  inkwend::Status status;
  options.status = &status;
  const int result = inkwend::LoadFromFile(doc, positional[0], options);
  // A damaged file is printed with what could be read of it, and the damage told.
  const bool damaged = status.Code() == inkwend::StatusCode::Damaged && !doc.IsEmpty();
  if (damaged)
    std::fprintf(stderr, "inkwend-tool: %s: %s\n", positional[0].c_str(), status.Message().c_str());
  if (result != inkwend::kResultOk && result != inkwend::kResultNothingToWrite && !damaged) {
    ReportUnreadable(positional[0], result, status);
    return 1;
  }
  if (margins >= 0) {
    const int twips = static_cast<int>(margins * 1440);
    if (2 * static_cast<int64_t>(twips) >= doc.header.pageWidth ||
        2 * static_cast<int64_t>(twips) >= doc.header.pageHeight) {
      std::fprintf(stderr, "inkwend-tool: margins of %g inches leave no room on the page\n", margins);
      return 2;
    }
    doc.header.SetMargins(twips, twips, twips, twips);
  }
  std::string error;
  if (!inkwend::PrintDocumentToPdf(layout, positional[1], &error, kPdfResolution)) {
    std::fprintf(stderr, "inkwend-tool: %s\n", error.c_str());
    return 1;
  }
  std::printf("%d %s\n", layout.PrintedPages(), layout.PrintedPages() == 1 ? "page" : "pages");
  return 0;
}

const inkwend::tool::ToolCommand kPdf("pdf", "pdf IN.rtf OUT.pdf [--margins INCHES]", RunPdf);

}  // namespace
