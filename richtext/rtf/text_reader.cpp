#include "richtext/rtf/text_reader.h"

#include <algorithm>
#include <new>

#include "richtext/model/progress.h"

namespace inkwend {

namespace {
TWPRTFText& CheckedDocument(TWPRTFText* doc, const char* error) {
  if (!doc) throw TWPError(error);
  return *doc;
}
}  // namespace

TWPTextReader::TWPTextReader(TWPRTFText* doc) : TWPTextReader(doc, kErrWrongArguments) {}

TWPTextReader::TWPTextReader(TWPRTFText* doc, const char* error) : doc_(CheckedDocument(doc, error)) {
  attr_ = doc_.DefaultAttr;
  attr_.Width = attr_.Height = attr_.Ascent = 0;
}

TWPTextReader::~TWPTextReader() = default;

void TWPTextReader::MarkDamaged(std::string dropped) {
  result_ = kResultStreamError;
  if (damage_.offset >= 0) return;
  damage_.offset = input_.Offset();
  damage_.dropped = std::move(dropped);
}

void TWPTextReader::MarkFull() {
  full_ = true;
  MarkDamaged("the text after the first " + std::to_string(kMaxReadChars) + " characters");
}

Status TWPTextReader::GetStatus() const {
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

TCharAttr TWPTextReader::StoredAttr() const {
  TCharAttr a = attr_;
  if (AutomaticText) {
    a.CharFlags |= kCharAutomatic;
    a.LayoutFlags |= kLayoutReaderAutomatic;
  }
  return a;
}

void TWPTextReader::FlushRun() {
  const size_t n = run_.size() - run_start_;
  if (n == 0) return;
  size_t take = n;
  if (chars_read_ + static_cast<int64_t>(n) > kMaxReadChars) {
    take = static_cast<size_t>(std::max<int64_t>(kMaxReadChars - chars_read_, 0));
    run_.resize(run_start_ + take);
    MarkFull();
  }
  chars_read_ += static_cast<int64_t>(take);
  if (take > 0) {
    const TCharAttr a = StoredAttr();
    // Two runs with the same record (a group that changed nothing, say) are one.
    if (!runs_.empty() && runs_.back().Attr == a) {
      runs_.back().Count += static_cast<uint32_t>(take);
    } else {
      runs_.push_back(TAttrRun{a, static_cast<uint32_t>(take)});
    }
  }
  run_start_ = run_.size();
}

void TWPTextReader::AddCharWithAttr(char32_t c, const TCharAttr& attr) {
  FlushRun();
  if (full_ || chars_read_ + 1 > kMaxReadChars) {
    MarkFull();
    return;
  }
  ++chars_read_;
  run_.push_back(c);
  runs_.push_back(TAttrRun{attr, 1});
  run_start_ = run_.size();
}

void TWPTextReader::FlushParagraph() {
  FlushRun();
  if (run_.empty()) return;
  doc_.AppendRuns(par_, run_, runs_);
  run_.clear();
  runs_.clear();
  run_start_ = 0;
}

void TWPTextReader::DropCollected() {
  run_.clear();
  runs_.clear();
  run_start_ = 0;
}

TParagraph* TWPTextReader::StartNewParagraph() {
  FlushParagraph();
  // A paragraph costs about as much as a few characters; empty ones count against the bound.
  chars_read_ += 8;
  if (chars_read_ > kMaxReadChars) {
    MarkFull();
    return par_;
  }
  doc_.TrimParagraph(par_);
  par_ = doc_.NewParagraph(par_, 60);
  return par_;
}

int TWPTextReader::Read(TWPStream& stream) {
  input_.Start(stream);
  par_ = doc_.LastParagraph();
  first_par_ = par_;
  result_ = kResultOk;
  damage_ = Damage{};
  const int64_t remaining = std::max<int64_t>(stream.Size() - stream.Position(), 0);
  TProgressFrame progress(remaining);
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
