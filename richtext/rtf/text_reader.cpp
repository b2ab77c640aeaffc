#include "richtext/rtf/text_reader.h"

#include <algorithm>
#include <limits>
#include <new>

#include "richtext/model/progress.h"

namespace inkwend {

namespace {
WPRTFText& CheckedDocument(WPRTFText* doc, const char* error) {
  if (!doc) throw WPError(error);
  return *doc;
}
}  // namespace

WPTextReader::WPTextReader(WPRTFText* doc) : WPTextReader(doc, kErrWrongArguments) {}

WPTextReader::WPTextReader(WPRTFText* doc, const char* error) : doc_(CheckedDocument(doc, error)) {
  attr_ = doc_.defaultAttr;
}

WPTextReader::~WPTextReader() = default;

void WPTextReader::MarkDamaged(std::string dropped) {
  result_ = kResultStreamError;
  if (damage_.offset >= 0) return;
  damage_.offset = input_.Offset();
  damage_.dropped = std::move(dropped);
}

void WPTextReader::MarkFull() {
  full_ = true;
  MarkDamaged("the text after the first " + std::to_string(maxChars_) + " characters");
}

Status WPTextReader::GetStatus() const {
  switch (result_) {
    case kResultOk:
      return Status::Ok();
    case kResultOutOfMemory:
      return Status::Error(StatusCode::OutOfMemory, "There was not enough memory to read all of the text.");
    case kResultNothingToWrite:
      return Status::Error(StatusCode::NotFound, "There is nothing to read.");
    default:
      return Status::Damaged("The text is damaged at byte " + std::to_string(damage_.offset) + " (" +
                                 damage_.dropped + "); what could be read is kept.",
                             damage_);
  }
}

CharAttr WPTextReader::StoredAttr() const {
  CharAttr a = attr_;
  if (automaticText) {
    a.charFlags |= kCharAutomatic;
    a.layoutFlags |= kLayoutReaderAutomatic;
  }
  return a;
}

void WPTextReader::FlushRun() {
  const size_t n = run_.size() - runStart_;
  if (n == 0) return;
  size_t take = n;
  if (charsRead_ + static_cast<int64_t>(n) > maxChars_) {
    take = static_cast<size_t>(std::max<int64_t>(maxChars_ - charsRead_, 0));
    run_.resize(runStart_ + take);
    MarkFull();
  }
  charsRead_ += static_cast<int64_t>(take);
  if (take > 0) {
    const CharAttr a = StoredAttr();
    // Two runs with the same record (a group that changed nothing, say) are one.
    if (!runs_.empty() && runs_.back().attr == a) {
      runs_.back().count += static_cast<uint32_t>(take);
    } else {
      runs_.push_back(AttrRun{a, static_cast<uint32_t>(take)});
    }
  }
  runStart_ = run_.size();
}

void WPTextReader::AddCharWithAttr(char32_t c, const CharAttr& attr) {
  FlushRun();
  if (full_ || charsRead_ + 1 > maxChars_) {
    MarkFull();
    return;
  }
  ++charsRead_;
  run_.push_back(c);
  runs_.push_back(AttrRun{attr, 1});
  runStart_ = run_.size();
}

void WPTextReader::FlushParagraph() {
  FlushRun();
  if (run_.empty()) return;
  doc_.AppendRuns(par_, run_, runs_);
  run_.clear();
  runs_.clear();
  runStart_ = 0;
}

void WPTextReader::DropCollected() {
  run_.clear();
  runs_.clear();
  runStart_ = 0;
}

Paragraph* WPTextReader::StartNewParagraph() {
  FlushParagraph();
  // A paragraph costs about as much as a few characters; empty ones count against the bound.
  charsRead_ += 8;
  if (charsRead_ > maxChars_) {
    MarkFull();
    return par_;
  }
  doc_.TrimParagraph(par_);
  par_ = doc_.NewParagraph(par_, 60);
  return par_;
}

int WPTextReader::Read(WPStream& stream) {
  input_.Start(stream);
  par_ = doc_.LastParagraph();
  firstPar_ = par_;
  result_ = kResultOk;
  damage_ = Damage{};
  const int64_t remaining = std::max<int64_t>(stream.Size() - stream.Position(), 0);
  maxChars_ = kMaxReadChars +
              kReadCharsPerByte * std::min<int64_t>(remaining, std::numeric_limits<int64_t>::max() / 16);
  ProgressFrame progress(remaining);
  try {
    if (remaining == 0 && !Refill()) {
      result_ = kResultNothingToWrite;
    } else {
      ReadBody();
    }
    FlushParagraph();
  } catch (const std::bad_alloc&) {
    DropCollected();
    result_ = kResultOutOfMemory;
  } catch (const std::exception&) {
    // What was collected of the paragraph is kept where that is still possible.
    try {
      FlushParagraph();
    } catch (const std::exception&) {
    }
    DropCollected();
    MarkDamaged("the rest of the input, which could not be read");
  }
  try {
    FinishRead();
  } catch (const std::exception&) {
    if (result_ == kResultOk) MarkDamaged("the end of the input, which could not be completed");
  }
  input_.Finish();
  return result_;
}

}  // namespace inkwend
