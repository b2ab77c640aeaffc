#include "spell/engine/lexiv_spell.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <unordered_map>

#include "base/plain_file.h"
#include "spell/engine/dictionary_format.h"
#include "spell/engine/near_words.h"
#include "spell/engine/suggest_rules.h"
#include "spell/engine/typing_cost.h"
#include "spell/engine/user_dictionary_edit.h"
#include "spell/engine/user_dictionary_snapshot.h"
#include "spell/engine/user_dictionary_writer.h"
#include "spell/engine/windows1252.h"

namespace inkwend {

using namespace spell;

namespace {

// A file of tiny dictionaries must not make the engine allocate a cache for each of thousands.
constexpr size_t kMaxDictionariesPerFile = 256;
constexpr int kCacheSlots = 1024;
constexpr int kBlockNodes = 8;
constexpr int kBlockBytes = kBlockNodes * kNodeSize;
// Flags of an entry of LexivSpell::mainStarts_, beside the run (bits 0-15) and the index of
// the main dictionary it lies in (bits 16-23).
constexpr uint32_t kTwoLetterWord = 1u << 24;  // the two letters are a word
constexpr uint32_t kSeveralMains = 1u << 25;   // words going on from them lie in several dictionaries
constexpr size_t kMaxPrefix = 40;
// Node reads of the search for words a few edits from a typed word, which bound it in a damaged
// dictionary; over the shipped one, the benchmark's misspellings need 40'000 at most.
constexpr uint64_t kNearSearchNodeBudget = 400'000;

bool ReadAt(int fd, void* buf, size_t size, int64_t offset) {
  if (offset < 0) return false;
  auto* p = static_cast<uint8_t*>(buf);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = pread(fd, p + done, size - done, offset + static_cast<int64_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Reads what the file holds of `size` bytes at `offset`; the rest of `buf` is left as it was.
void ReadUpTo(int fd, void* buf, size_t size, int64_t offset) {
  auto* p = static_cast<uint8_t*>(buf);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = pread(fd, p + done, size - done, offset + static_cast<int64_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

int64_t FileSize(int fd) {
  struct stat st {};
  return fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

// Offset just past the first byte 26 of the file, or -1 when there is none.
int64_t SkipTextHeader(int fd) {
  uint8_t buf[4096];
  int64_t offset = 0;
  for (;;) {
    const ssize_t n = pread(fd, buf, sizeof buf, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    const void* end = std::memchr(buf, kTextHeaderEnd, static_cast<size_t>(n));
    if (end) return offset + (static_cast<const uint8_t*>(end) - buf) + 1;
    offset += n;
  }
}

bool ReadHeader(int fd, int64_t offset, DictionaryHeader& header) {
  uint8_t b[kHeaderSize];
  if (!ReadAt(fd, b, kHeaderSize, offset)) return false;
  header = ParseHeader(b);
  return true;
}

std::string HeaderBytes(const DictionaryHeader& header) {
  std::string bytes;
  AppendHeader(bytes, header);
  return bytes;
}

Status WordNotAdded(const Status& failure, bool undone) {
  return Status::Error(failure.Code(),
                       failure.Message() + (undone ? ". The word was not added; the dictionary is as it was."
                                                   : ". The word was not added, and the dictionary "
                                                     "could not be put back as it was."));
}

// A file with its open handle; further main dictionaries of a file share it with the first.
struct SharedFile {
  explicit SharedFile(int f) : fd(f) {}
  ~SharedFile() {
    if (fd >= 0) close(fd);
  }
  SharedFile(const SharedFile&) = delete;
  SharedFile& operator=(const SharedFile&) = delete;
  int fd;
};

// Holds an exclusive lock on a user dictionary while a word goes in, so that two running copies
// adding words at once cannot interleave their node moves.
class FileLock {
 public:
  explicit FileLock(int fd) : fd_(fd) {
    while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~FileLock() { flock(fd_, LOCK_UN); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_;
};

}  // namespace

struct LexivSpell::Dictionary {
  enum class Kind { FirstMain, FurtherMain, User };

  DictionaryHeader header;
  int64_t headerOffset = 0;          // where the header was read; the stored offset field is not trusted
  int64_t base = 0;                  // file offset of the phantom node 0
  std::shared_ptr<SharedFile> file;  // further main dictionaries share the first one's file
  std::string path;
  Kind kind = Kind::User;
  int number = -1;
  // Main dictionaries: the node area as read at open (nodes 0 … last_node, then a node that
  // ends any run, padded with zero bytes to whole blocks), the highest node that lies inside
  // it, and the tags of the node cache.
  //
  // Main dictionaries are read through a direct-mapped cache of 1024 slots, each holding one
  // block of 8 nodes; a slot's tag is the file offset of the block it holds. Main files never
  // change while open and their node areas are small (at most 65599 nodes, under 200 KB), so
  // the whole area is read at open and a slot refers to the block in place: a hit or a miss
  // only keeps the tags, and no node bytes are copied on the way to a lookup.
  std::vector<uint8_t> nodes;
  uint32_t lastNode = 0;
  std::unique_ptr<int64_t[]> cacheTags;
  // The outcome of the first two levels of the search, which every lookup of a word of two or
  // more letters goes through: for letter codes c1 c2, twoLetterWords[c1] has bit c2 set when
  // the word c1 c2 is present, and secondChildren[c1 * 64 + c2] is the run where a longer word
  // starting with c1 c2 goes on (0: nowhere). Main files never change while open, so these runs
  // are scanned once at open instead of in every lookup.
  std::array<uint64_t, kAlphabetSize> twoLetterWords{};
  std::vector<uint16_t> secondChildren;

  // User dictionaries: the file as read when it last changed.
  UserDictionarySnapshot snapshot;

  bool is_user() const { return kind == Kind::User; }

  // The 8-node block holding node n (1 <= n <= last_node) of a main dictionary, through the
  // cache.
  const uint8_t* CachedBlock(uint32_t n) {
    const uint32_t first = n & ~uint32_t{kBlockNodes - 1};
    const int64_t block = base + int64_t{kNodeSize} * first;
    int64_t& tag = cacheTags[static_cast<size_t>((block >> 3) & (kCacheSlots - 1))];
    tag = block;  // on a miss the slot now holds this block; on a hit it already did
    return nodes.data() + size_t{kNodeSize} * first;
  }

  // Keeps the cache's account of a scan of the main dictionary nodes first … last, in order.
  void NoteScan(uint32_t first, uint32_t last) {
    last = std::min(last, lastNode);
    // Written so that the usual scan, within one block or across two, takes no branch.
    CachedBlock(first);
    const uint32_t last_block = last & ~uint32_t{kBlockNodes - 1};
    for (uint32_t n = (first & ~uint32_t{kBlockNodes - 1}) + kBlockNodes; n < last_block; n += kBlockNodes)
      CachedBlock(n);
    CachedBlock(last);
  }

  // What the run starting at node `run` holds: for each letter code the child of its first node
  // with that code and a child, and the codes of its nodes that end a word.
  struct RunSummary {
    uint32_t start = 0;
    std::array<uint16_t, kAlphabetSize> children{};
    uint64_t wordEnds = 0;
  };

  // Summarises the run starting at `run`. When `later` (a summary of a run starting after
  // `run`) is given and the scan reaches its start, the rest is taken from it instead of read
  // again: in a damaged file many runs may share one long tail.
  RunSummary SummariseRun(uint32_t run, const RunSummary* later) {
    RunSummary summary;
    summary.start = run;
    Node node;
    for (uint32_t n = run; ReadNode(n, node); ++n) {
      if (later && n == later->start) {
        for (int c = 0; c < kAlphabetSize; ++c)
          if (summary.children[c] == kNoChild) summary.children[c] = later->children[c];
        summary.wordEnds |= later->wordEnds;
        break;
      }
      if (node.has_child() && summary.children[node.code()] == kNoChild)
        summary.children[node.code()] = node.child;
      if (node.ends_word()) summary.wordEnds |= uint64_t{1} << node.code();
      if (node.last_in_run()) break;
    }
    return summary;
  }

  void ScanFirstLevels() {
    const RunSummary first = SummariseRun(1, nullptr);
    secondChildren.assign(size_t{kAlphabetSize} * kAlphabetSize, kNoChild);
    // The runs of second letters from the last one in the file to the first, so that each
    // scan can stop where the one before it began.
    std::array<int, kAlphabetSize> codes;
    for (int c = 0; c < kAlphabetSize; ++c) codes[c] = c;
    std::sort(codes.begin(), codes.end(),
              [&](int x, int y) { return first.children[x] > first.children[y]; });
    RunSummary later;
    for (const int c : codes) {
      const uint32_t run = first.children[c];
      if (run == kNoChild) break;
      if (run != later.start) later = SummariseRun(run, later.start ? &later : nullptr);
      twoLetterWords[c] = later.wordEnds;
      std::copy(later.children.begin(), later.children.end(),
                secondChildren.begin() + std::ptrdiff_t{c} * kAlphabetSize);
    }
  }

  bool ReadNode(uint32_t n, Node& node) {
    if (n == 0 || n > kMaxNodeIndex) return false;
    if (!is_user()) {
      if (n > lastNode) return false;
      node = ParseNode(CachedBlock(n) + size_t{kNodeSize} * (n & (kBlockNodes - 1)));
      return true;
    }
    if (n > snapshot.LastNode()) return false;
    node = ParseNode(snapshot.Nodes() + size_t{kNodeSize} * n);
    return true;
  }
};

LexivSpell::LexivSpell() : writer_(&PosixUserDictionaryWriter()) {}

LexivSpell::~LexivSpell() { CloseDictionaries(); }

namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

Status NotADictionary(const std::string& path) {
  return Status::Error(StatusCode::Refused, Quoted(path) + " is not a dictionary file.");
}

// The dictionaries of a main file, first to last, and the first damage met reading them.
struct MainFile {
  std::vector<std::unique_ptr<LexivSpell::Dictionary>> dictionaries;
  std::optional<Damage> damage;

  void NoteDamage(int64_t offset, std::string dropped) {
    if (!damage) damage = Damage{offset, std::move(dropped)};
  }
};

// Reads the node area of a main dictionary whose header lies at `position` and notes what a
// damaged file lacks of it.
std::unique_ptr<LexivSpell::Dictionary> ReadMainDictionary(const std::shared_ptr<SharedFile>& file,
                                                           int64_t size, int64_t position,
                                                           const DictionaryHeader& header,
                                                           MainFile& main_file) {
  auto dict = std::make_unique<LexivSpell::Dictionary>();
  const std::string which = "dictionary " + std::to_string(main_file.dictionaries.size() + 1);
  dict->header = header;
  dict->headerOffset = position;
  dict->base = position + kHeaderSize - kNodeSize;
  dict->file = file;
  dict->cacheTags = std::make_unique<int64_t[]>(kCacheSlots);
  std::fill_n(dict->cacheTags.get(), kCacheSlots, int64_t{-1});
  const int64_t capacity = std::max<int32_t>(header.capacity, 0);
  const int64_t in_file = std::max<int64_t>((size - dict->base) / kNodeSize - 1, 0);
  if (header.capacity < 0)
    main_file.NoteDamage(position + 4, "whatever follows " + which + ", whose node count is negative");
  else if (capacity > in_file)
    main_file.NoteDamage(
        size, (capacity - in_file == 1 ? "the last node of "
                                       : "the last " + std::to_string(capacity - in_file) + " nodes of ") +
                  which + ", which the file ends before");
  else if (capacity > kMaxNodeIndex)
    main_file.NoteDamage(dict->base + int64_t{kNodeSize} * (kMaxNodeIndex + 1),
                         "the nodes of " + which + " past node " + std::to_string(kMaxNodeIndex));
  dict->lastNode = static_cast<uint32_t>(std::min<int64_t>({capacity, in_file, kMaxNodeIndex}));
  // Bytes a file shrunk since fstat no longer holds stay zero: nodes without letters or links.
  const uint32_t blocks = dict->lastNode / kBlockNodes + 2;  // whole blocks, and one more
  dict->nodes.assign(size_t{blocks} * kBlockBytes, 0);
  ReadUpTo(file->fd, dict->nodes.data(), size_t{kNodeSize} * (dict->lastNode + 1), dict->base);
  // A node that ends every run after the last real one: a scan reaching it stops there as it
  // would at the end of the node area, whatever letter it looks for (no child, no word end).
  SerializeNode(Node{kNoChild, kLastInRun}, dict->nodes.data() + size_t{kNodeSize} * (dict->lastNode + 1));
  // A main dictionary from here on (the caller tells first from further ones), so that the
  // scan reads the node area just read instead of the file a node at a time.
  dict->kind = LexivSpell::Dictionary::Kind::FurtherMain;
  dict->ScanFirstLevels();
  return dict;
}

// Every dictionary of a main file, from the first header (at `position`) on: each node area is
// followed by the next header as long as more than 20 bytes of the file remain.
MainFile ReadMainFile(const std::shared_ptr<SharedFile>& file, const std::string& path, int64_t size,
                      int64_t position, DictionaryHeader header) {
  MainFile main_file;
  for (;;) {
    if (main_file.dictionaries.size() == kMaxDictionariesPerFile) {
      main_file.NoteDamage(position, "the dictionaries after the " + std::to_string(kMaxDictionariesPerFile) +
                                         "th, more than a dictionary file holds");
      break;
    }
    auto dict = ReadMainDictionary(file, size, position, header, main_file);
    dict->path = path;
    dict->kind = main_file.dictionaries.empty() ? LexivSpell::Dictionary::Kind::FirstMain
                                                : LexivSpell::Dictionary::Kind::FurtherMain;
    main_file.dictionaries.push_back(std::move(dict));
    const int64_t next = position + kHeaderSize + int64_t{kNodeSize} * std::max<int32_t>(header.capacity, 0);
    // A negative capacity gives no trustworthy place for a following dictionary.
    if (header.capacity < 0 || next + 20 >= size || !ReadHeader(file->fd, next, header)) break;
    position = next;
  }
  return main_file;
}

}  // namespace

Status LexivSpell::OpenDictionary(const std::string& path) {
  if (mainOpen_ || (!chain_.empty() && !chain_.front()->is_user()))
    return Status::Error(StatusCode::Refused, "A main dictionary is already open.");
  // A pipe, a device or a folder is refused at once: a dictionary is a plain file.
  Result<PlainFile> opened = OpenPlainFile(path);
  if (!opened.IsOk()) return opened.GetStatus();
  const int fd = opened.Value().Release();
  auto file = std::make_shared<SharedFile>(fd);
  const int64_t size = FileSize(fd);
  const int64_t position = SkipTextHeader(fd);
  DictionaryHeader header;
  if (size < 0 || position < 0 || !ReadHeader(fd, position, header)) return NotADictionary(path);
  if (header.kind == kKindUser)
    return Status::Error(StatusCode::Refused,
                         Quoted(path) + " holds a user dictionary, not a main dictionary.");

  MainFile main_file = ReadMainFile(file, path, size, position, header);
  // The first main dictionary goes in front of any user dictionary, the others after them all.
  for (size_t i = 0; i < main_file.dictionaries.size(); ++i) {
    if (i == 0)
      chain_.insert(chain_.begin(), std::move(main_file.dictionaries[i]));
    else
      chain_.push_back(std::move(main_file.dictionaries[i]));
  }
  IndexMainDictionaries();
  mainOpen_ = true;
  dictionaryName_ = path;
  if (!main_file.damage) return Status::Ok();
  const Damage& damage = *main_file.damage;
  return Status::Damaged("The dictionary " + Quoted(path) + " is damaged at byte " +
                             std::to_string(damage.offset) + "; left out: " + damage.dropped + ".",
                         damage);
}

void LexivSpell::IndexMainDictionaries() {
  // Where a lookup goes after the first two letters, over all main dictionaries of the chain.
  mainStarts_.assign(size_t{kAlphabetSize} * kAlphabetSize, 0);
  for (auto& dict : chain_) {
    if (dict->is_user()) continue;
    const auto index = static_cast<uint32_t>(mains_.size());
    mains_.push_back(dict.get());
    for (size_t cell = 0; cell < mainStarts_.size(); ++cell) {
      uint32_t& start = mainStarts_[cell];
      if (dict->twoLetterWords[cell / kAlphabetSize] >> (cell % kAlphabetSize) & 1) start |= kTwoLetterWord;
      if (dict->secondChildren[cell] == kNoChild) continue;
      if (start & 0xFFFF)
        start |= kSeveralMains;
      else
        start |= index << 16 | dict->secondChildren[cell];
    }
  }
}

Result<int16_t> LexivSpell::AppendUserDictionary(int fd, const std::string& path, int64_t header_offset) {
  auto dict = std::make_unique<Dictionary>();
  if (!ReadHeader(fd, header_offset, dict->header)) {
    close(fd);
    return NotADictionary(path);
  }
  dict->headerOffset = header_offset;
  dict->base = header_offset + kHeaderSize - kNodeSize;
  dict->file = std::make_shared<SharedFile>(fd);
  dict->path = path;
  dict->kind = Dictionary::Kind::User;
  dict->number = nextUserNumber_;
  nextUserNumber_ = nextUserNumber_ == 65534 ? 0 : nextUserNumber_ + 1;
  const auto number = static_cast<int16_t>(dict->number);
  chain_.push_back(std::move(dict));
  ++userDictionaries_;
  return number;
}

Result<int16_t> LexivSpell::OpenUserDictionary(const std::string& path) {
  Result<PlainFile> opened = OpenPlainFile(path, FileAccess::ReadWrite);
  if (!opened.IsOk()) return opened.GetStatus();
  const int fd = opened.Value().Release();
  const int64_t position = SkipTextHeader(fd);
  DictionaryHeader header;
  if (position < 0 || !ReadHeader(fd, position, header)) {
    close(fd);
    return NotADictionary(path);
  }
  if (header.kind != kKindUser) {
    close(fd);
    return Status::Error(StatusCode::Refused,
                         Quoted(path) + " holds a main dictionary, not a user dictionary.");
  }
  return AppendUserDictionary(fd, path, position);
}

Result<int16_t> LexivSpell::CreateUserDictionary(const std::string& path, std::vector<std::string>& words) {
  // O_EXCL: a user dictionary that another copy of the program has just created is never
  // truncated, so no added word is lost.
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    const int err = errno;
    return Status::Error(err == EEXIST ? StatusCode::Refused : StatusCode::IoError,
                         "Cannot create " + Quoted(path) + ": " + std::strerror(err));
  }
  std::string bytes = "USER DICTIONARY\r\n";
  bytes += "Dictionary format 1996 Lexivane Software, written by Inkwend\r\n";
  bytes += static_cast<char>(kTextHeaderEnd);
  const auto header_offset = static_cast<int32_t>(bytes.size());
  DictionaryHeader header;
  header.nodesUsed = 1;
  header.capacity = 500;
  header.wordCount = 1;
  header.kind = kKindUser;
  header.offset = header_offset;
  AppendHeader(bytes, header);
  AppendNode(bytes, Node{kNoChild, kLastInRun | kEndsWord});  // the word A
  for (int n = 2; n <= header.capacity; ++n) AppendNode(bytes, Node{kFreeSlot, kLastInRun | kEndsWord});
  const Status written = writer_->WriteAt(fd, path, 0, bytes);
  if (!written.IsOk()) {
    close(fd);
    unlink(path.c_str());
    return written;
  }
  const Result<int16_t> number = AppendUserDictionary(fd, path, header_offset);
  if (!number.IsOk()) {
    unlink(path.c_str());
    return number;
  }
  std::sort(words.begin(), words.end());
  for (const std::string& word : words) {
    const Status added = AddWord(word, number.Value());
    // A word too long for a user dictionary is left out; a file that cannot take the others
    // is not kept half made.
    if (added.IsOk() || added.Code() == StatusCode::Refused) continue;
    const auto it = std::find_if(chain_.begin(), chain_.end(), [&](const auto& dict) {
      return dict->is_user() && dict->number == number.Value();
    });
    if (it != chain_.end()) {
      chain_.erase(it);
      --userDictionaries_;
    }
    unlink(path.c_str());
    return added;
  }
  return number;
}

void LexivSpell::CloseDictionaries() {
  // Every dictionary closes, also user dictionaries opened while no main dictionary could be.
  chain_.clear();
  mains_.clear();
  mainStarts_.clear();
  userDictionaries_ = 0;
  mainOpen_ = false;
}

void LexivSpell::OpenMainIfNeeded() {
  if (!mainOpen_) OpenDictionary(dictionaryName_);
}

void LexivSpell::RefreshUserHeaders() {
  for (auto& dict : chain_)
    if (dict->is_user()) ReadHeader(dict->file->fd, dict->headerOffset, dict->header);
}

void LexivSpell::RefreshUserDictionaries() {
  if (userDictionaries_ == 0 || (passes_ > 0 && userLooked_)) return;
  for (auto& dict : chain_) {
    if (!dict->is_user()) continue;
    dict->snapshot.Refresh(dict->file->fd, dict->headerOffset);
    if (dict->snapshot.HasHeader()) dict->header = dict->snapshot.Header();
  }
  userLooked_ = passes_ > 0;
}

void LexivSpell::ForgetUserDictionaries() {
  for (auto& dict : chain_)
    if (dict->is_user()) dict->snapshot.Forget();
  userLooked_ = false;
}

LexivSpell::Pass::Pass(LexivSpell& spell) : spell_(spell) { ++spell_.passes_; }

LexivSpell::Pass::~Pass() {
  if (--spell_.passes_ == 0) spell_.userLooked_ = false;
}

bool LexivSpell::CheckInUserDictionary(const Dictionary& dict, const uint8_t* word, size_t length) {
  const uint8_t* const nodes = dict.snapshot.Nodes();
  const uint32_t last_node = dict.snapshot.LastNode();
  uint32_t run = 1;
  const size_t last = length - 1;
  for (size_t d = 0;; ++d) {
    const uint8_t code = LetterCode(word[d]);
    uint32_t next = 0;
    for (uint32_t n = run; n <= last_node; ++n) {
      const Node node = ParseNode(nodes + size_t{kNodeSize} * n);
      if (node.code() == code) {
        if (d == last) {
          if (node.ends_word()) return true;
        } else if (node.has_child()) {
          next = node.child;  // the first match with a child decides; no backtracking
          break;
        }
      }
      if (node.last_in_run()) break;
    }
    if (d == last || next == 0) return false;
    run = next;
  }
}

// The same search over a main dictionary from the third letter on, starting at `run`, written
// for speed: nodes are looked at in place, and the cache keeps account of the blocks a run scan
// reached once the scan is over.
bool LexivSpell::CheckInMainDictionary(Dictionary& dict, uint32_t run, const uint8_t* word, size_t length) {
  const uint8_t* const nodes = dict.nodes.data();
  const uint32_t last_node = dict.lastNode;
  const size_t last = length - 1;
  for (size_t d = 2;; ++d) {
    if (run == 0 || run > last_node) return false;
    const uint8_t code = LetterCode(word[d]);
    uint32_t n = run;
    const uint8_t* node = nodes + size_t{kNodeSize} * n;
    // The node after last_node ends every run (see OpenDictionary), so a scan needs no bounds
    // check of its own.
    if (d < last) {
      uint32_t child;
      for (;; ++n, node += kNodeSize) {
        const uint8_t flags = node[2];
        if ((flags & kCodeMask) == code) {
          child = node[0] | uint32_t{node[1]} << 8;
          if (child != kNoChild && child != kFreeSlot) break;  // the first such match decides
        }
        if (flags & kLastInRun) {
          dict.NoteScan(run, n);
          return false;
        }
      }
      dict.NoteScan(run, n);
      run = child;
    } else {
      for (;; ++n, node += kNodeSize) {
        const uint8_t flags = node[2];
        if ((flags & (kCodeMask | kEndsWord)) == (code | kEndsWord)) {
          dict.NoteScan(run, n);
          return true;
        }
        if (flags & kLastInRun) {
          dict.NoteScan(run, n);
          return false;
        }
      }
    }
  }
}

// The main dictionaries in one go: the first two levels are looked up in mainStarts_, and only
// where several dictionaries go on from the same two letters is each of them searched.
bool LexivSpell::CheckInMainDictionaries(const uint8_t* word, size_t length) {
  if (mainStarts_.empty()) return false;
  const size_t cell = size_t{LetterCode(word[0])} * kAlphabetSize + LetterCode(word[1]);
  const uint32_t start = mainStarts_[cell];
  if (length == 2) return start & kTwoLetterWord;
  if (start & kSeveralMains) {
    for (Dictionary* dict : mains_)
      if (CheckInMainDictionary(*dict, dict->secondChildren[cell], word, length)) return true;
    return false;
  }
  const uint32_t run = start & 0xFFFF;
  return run != kNoChild && CheckInMainDictionary(*mains_[start >> 16 & 0xFF], run, word, length);
}

bool LexivSpell::CheckInChain(std::string_view word) {
  // Letter codes are the same for both letter cases, so the word needs no upper-casing here.
  const auto* bytes = reinterpret_cast<const uint8_t*>(word.data());
  for (size_t length = word.size();; length -= 2) {
    if (length <= 1) return true;
    // Every dictionary is consulted until one accepts the word, so their order does not matter.
    if (CheckInMainDictionaries(bytes, length)) return true;
    if (userDictionaries_ > 0)
      for (auto& dict : chain_)
        if (dict->is_user() && CheckInUserDictionary(*dict, bytes, length)) return true;
    if (word[length - 2] != '\'' || UpperCase(static_cast<uint8_t>(word[length - 1])) != 'S') return false;
  }
}

bool LexivSpell::CheckWord(std::string_view word) {
  OpenMainIfNeeded();
  RefreshUserDictionaries();
  return CheckInChain(word);
}

LexivSpell::Dictionary* LexivSpell::FindUserDictionary(int16_t number) const {
  Dictionary* found = nullptr;
  if (number < 0) return found;
  for (const auto& dict : chain_)
    if (dict->is_user() && dict->number == number) found = dict.get();
  return found;
}

Status LexivSpell::AddWord(const std::string& word, int16_t number) {
  OpenMainIfNeeded();
  Dictionary* dict = FindUserDictionary(number);
  if (!dict)
    return Status::Error(StatusCode::NotFound,
                         "No user dictionary is open with the number " + std::to_string(number) + ".");
  FileLock lock(dict->file->fd);
  // Under the lock the headers are read as they are now, whatever was seen before.
  RefreshUserHeaders();
  ForgetUserDictionaries();
  const DictionaryHeader& h = dict->header;
  if (word.empty()) return Status::Error(StatusCode::Refused, "There is no word to add.");
  if (word.size() > kMaxWordLength)
    return Status::Error(StatusCode::Refused, "The word is longer than " + std::to_string(kMaxWordLength) +
                                                  " characters, the most a user dictionary takes.");
  if (h.nodesUsed < 0)
    return Status::Damaged("The user dictionary " + Quoted(dict->path) +
                               " is damaged: its header counts a negative number of letters.",
                           Damage{dict->headerOffset, "the word to add"});
  if (static_cast<int64_t>(word.size()) + h.nodesUsed > kMaxUserNodes)
    return Status::Error(StatusCode::Refused, "The user dictionary " + Quoted(dict->path) +
                                                  " is full: it takes no further words.");
  return AddToUserDictionary(*dict, UpperCase(word));
}

// The word goes in on a copy of the nodes in memory; then the file is grown, the nodes that
// changed are written in one piece and the header after them. A write that fails is undone
// with the copy, so the file and the engine stay as they were.
Status LexivSpell::AddToUserDictionary(Dictionary& dict, const std::string& upper) {
  const int fd = dict.file->fd;
  const int64_t size = FileSize(fd);
  const int64_t in_file = std::clamp<int64_t>((size - dict.base) / kNodeSize - 1, 0, kMaxNodeIndex);
  std::string bytes(size_t{kNodeSize} * static_cast<size_t>(in_file), '\0');
  if (size < 0 || !ReadAt(fd, bytes.data(), bytes.size(), dict.base + kNodeSize))
    return Status::Error("Cannot read " + Quoted(dict.path) + ". The word was not added.");
  UserNodes nodes(std::move(bytes));

  // Grow the file first to hold every node this word may need, so that a full disk stops the
  // addition before any node has moved.
  DictionaryHeader header = dict.header;
  const auto needed = static_cast<uint32_t>(header.nodesUsed + static_cast<int32_t>(upper.size()));
  const bool grows = nodes.Count() < needed;
  if (grows) {
    const uint32_t first = nodes.Count() + 1;
    nodes.GrowTo(needed);
    const Status grown =
        writer_->WriteAt(fd, dict.path, dict.base + int64_t{kNodeSize} * first, nodes.Bytes(first, needed));
    if (!grown.IsOk()) {
      const bool undone = writer_->Truncate(fd, dict.path, size).IsOk();
      return WordNotAdded(grown, undone);
    }
  }

  const UserNodes before = nodes;
  InsertWord(nodes, header, upper);
  ++header.wordCount;
  const uint32_t first = nodes.FirstChanged(), last = nodes.LastChanged();
  Status written = Status::Ok();
  if (first != 0)
    written =
        writer_->WriteAt(fd, dict.path, dict.base + int64_t{kNodeSize} * first, nodes.Bytes(first, last));
  bool header_tried = false;
  if (written.IsOk()) {
    header_tried = true;
    written = writer_->WriteAt(fd, dict.path, dict.headerOffset, HeaderBytes(header));
  }
  if (written.IsOk()) {
    dict.header = header;
    return Status::Ok();
  }
  bool undone = true;
  if (first != 0)
    undone &=
        writer_->WriteAt(fd, dict.path, dict.base + int64_t{kNodeSize} * first, before.Bytes(first, last))
            .IsOk();
  if (header_tried)
    undone &= writer_->WriteAt(fd, dict.path, dict.headerOffset, HeaderBytes(dict.header)).IsOk();
  if (grows) undone &= writer_->Truncate(fd, dict.path, size).IsOk();
  return WordNotAdded(written, undone);
}

namespace {

// State of one suggestion search.
struct SuggestSearch {
  SuggestSearch(size_t capacity, std::string_view typed_upper)
      : ranked(capacity, typed_upper), word(typed_upper) {}
  RankedList ranked;
  std::string word;  // the typed word in upper case
  PhoneticKey key{};
  std::string prefix;
  PhoneticKeyBuilder prefixKey;  // the key of `prefix`
  uint64_t budget = 0;           // node reads left; bounds the walk in a damaged dictionary
  // Words a few slips from the typed one, with what the slips cost, found before the walk. The
  // walk ranks them as it meets them (a one-letter word once in every pass, as any other word it
  // meets); those it does not meet are ranked after it.
  struct Near {
    int cost;
    bool ranked = false;
  };
  std::unordered_map<std::string, Near> near;
  std::vector<std::string> nearOrder;  // the words of `near` in the order they were found

  void Rank(const std::string& candidate) {
    const auto it = near.find(candidate);
    if (it == near.end()) {
      Rank(candidate, TypingCost(candidate, word, kNearCost));
      return;
    }
    it->second.ranked = true;
    Rank(candidate, it->second.cost);
  }
  void Rank(const std::string& candidate, int cost) {
    if (cost <= kNearCost) cost += UnlikelyWordCost(candidate, word);
    ranked.Add(candidate, CandidateRank(ScoreCandidate(candidate, word), cost));
  }
};

// Words within a few slips of the typed word, from every dictionary of the chain.
void FindNearWords(const std::vector<std::unique_ptr<LexivSpell::Dictionary>>& chain, SuggestSearch& search);

// Scores every word ending in this run and descends into the children whose prefix still
// agrees with the phonetic key of the typed word.
void Walk(LexivSpell::Dictionary& dict, uint32_t run, SuggestSearch& search);

}  // namespace

const std::vector<std::string>& LexivSpell::Suggest(const std::string& word) {
  OpenMainIfNeeded();
  RefreshUserDictionaries();
  suggestions_.clear();
  const std::string typed = word.substr(0, kMaxWordLength);
  const std::string upper = UpperCase(typed);
  if (upper.empty()) {
    lastSuggestReads_ = 0;
    return suggestions_;
  }
  SuggestSearch search(maxSuggestions_, upper);
  search.budget = kSuggestNodeBudget;
  search.key = MakePhoneticKey(upper);
  RankedList& ranked = search.ranked;
  FindNearWords(chain_, search);
  for (const char first : FirstLettersFor(static_cast<uint8_t>(upper[0]))) {
    search.key[0] = static_cast<uint8_t>(first);
    for (auto& dict : chain_) {
      search.prefix.clear();
      search.prefixKey = PhoneticKeyBuilder();
      Walk(*dict, 1, search);
    }
  }

  // Two words run together: both parts must be words. A one-letter part is only tried for A
  // and I, since every one-letter word checks as correct.
  const size_t len = upper.size();
  const size_t a = (upper[0] == 'A' || upper[0] == 'I') ? 1 : 2;
  const size_t b = (upper[len - 1] == 'A' || upper[len - 1] == 'I') ? len - 1 : len - 2;
  for (size_t d = a; len >= 2 && d <= b; ++d) {
    const std::string left = upper.substr(0, d), right = upper.substr(d);
    if (CheckInChain(left) && CheckInChain(right)) {
      const std::string candidate = left + " " + right;
      ranked.Add(candidate, ScoreSplit(candidate, upper));
    }
  }

  // Near words the phonetic walk did not meet.
  for (const std::string& text : search.nearOrder) {
    const SuggestSearch::Near& near = search.near.at(text);
    if (!near.ranked) search.Rank(text, near.cost);
  }

  for (const auto& entry : ranked.entries()) suggestions_.push_back(CopyLetterCase(typed, entry.text));
  lastSuggestReads_ = kSuggestNodeBudget - search.budget;
  return suggestions_;
}

namespace {

void FindNearWords(const std::vector<std::unique_ptr<LexivSpell::Dictionary>>& chain, SuggestSearch& search) {
  // A token that starts with a digit or a sign is not a slip of a word (5th, -ish): it is left
  // to the walk, which tries only its own first character.
  const auto first = static_cast<uint8_t>(search.word[0]);
  if ((first < 'A' || first > 'Z') && first < 0x80) return;
  // Short words have many neighbours one edit away already; long ones are only sure to find
  // their word a few edits away.
  const size_t length = search.word.size();
  const int max_edits = length <= 4 ? 1 : length <= 9 ? 2 : 3;
  std::vector<std::string> found;
  uint64_t budget = kNearSearchNodeBudget;
  for (const auto& dict : chain) {
    const NodeReader read = [&dict](uint32_t n, Node& node) { return dict->ReadNode(n, node); };
    spell::FindNearWords(read, search.word, max_edits, budget, found);
  }
  for (std::string& word : found)
    if (search.near.try_emplace(word, SuggestSearch::Near{TypingCost(word, search.word)}).second)
      search.nearOrder.push_back(std::move(word));
}

void Walk(LexivSpell::Dictionary& dict, uint32_t run, SuggestSearch& search) {
  std::string& prefix = search.prefix;
  const PhoneticKeyBuilder parent_key = search.prefixKey;
  Node node;
  for (uint32_t n = run; search.budget > 0 && dict.ReadNode(n, node); ++n) {
    --search.budget;
    const auto letter = DecodeLetter(node.flags);
    prefix.push_back(static_cast<char>(letter));
    if (node.ends_word()) search.Rank(prefix);
    if (node.has_child() && prefix.size() <= kMaxPrefix) {
      // The prefix was walked into only while its key agreed with the typed word's key, so
      // only the position this letter fills needs comparing.
      search.prefixKey = parent_key;
      const int filled = search.prefixKey.Add(letter);
      if (filled < 0 || search.prefixKey.key()[filled] == search.key[filled]) Walk(dict, node.child, search);
    }
    prefix.pop_back();
    if (node.last_in_run()) break;
  }
  search.prefixKey = parent_key;
}

}  // namespace

}  // namespace inkwend
