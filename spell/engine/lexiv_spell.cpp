#include "spell/engine/lexiv_spell.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "spell/engine/dictionary_format.h"
#include "spell/engine/suggest_rules.h"
#include "spell/engine/windows1252.h"

namespace inkwend {

using namespace spell;

namespace {

// Child links are 16-bit, so no sound run reaches far beyond node 65535; reads past this index
// come from damaged files and end the run.
constexpr uint32_t kMaxNodeIndex = 65535 + 64;
// A file of tiny dictionaries must not make the engine allocate a cache for each of thousands.
constexpr int kMaxDictionariesPerFile = 256;
constexpr int kCacheSlots = 1024;
constexpr int kBlockNodes = 8;
constexpr int kBlockBytes = kBlockNodes * kNodeSize;
constexpr uint32_t kMoveBlockNodes = 2048;
// Flags of an entry of TLexivSpell::main_starts_, beside the run (bits 0-15) and the index of
// the main dictionary it lies in (bits 16-23).
constexpr uint32_t kTwoLetterWord = 1u << 24;  // the two letters are a word
constexpr uint32_t kSeveralMains = 1u << 25;   // words going on from them lie in several dictionaries
constexpr size_t kMaxPrefix = 40;

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

bool WriteAt(int fd, const void* buf, size_t size, int64_t offset) {
  if (offset < 0) return false;
  const auto* p = static_cast<const uint8_t*>(buf);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = pwrite(fd, p + done, size - done, offset + static_cast<int64_t>(done));
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

struct TLexivSpell::Dictionary {
  enum class Kind { kFirstMain, kFurtherMain, kUser };

  DictionaryHeader header;
  int64_t header_offset = 0;         // where the header was read; the stored offset field is not trusted
  int64_t base = 0;                  // file offset of the phantom node 0
  std::shared_ptr<SharedFile> file;  // further main dictionaries share the first one's file
  std::string path;
  Kind kind = Kind::kUser;
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
  uint32_t last_node = 0;
  std::unique_ptr<int64_t[]> cache_tags;
  // The outcome of the first two levels of the search, which every lookup of a word of two or
  // more letters goes through: for letter codes c1 c2, two_letter_words[c1] has bit c2 set when
  // the word c1 c2 is present, and second_children[c1 * 64 + c2] is the run where a longer word
  // starting with c1 c2 goes on (0: nowhere). Main files never change while open, so these runs
  // are scanned once at open instead of in every lookup.
  std::array<uint64_t, kAlphabetSize> two_letter_words{};
  std::vector<uint16_t> second_children;

  // User dictionaries: nodes 1, 2, ... (first_nodes of them) as read with the header at the
  // start of the current check or suggestion; 0 outside of one.
  static constexpr uint32_t kFirstPieceNodes = 32;
  uint8_t first_piece[kFirstPieceNodes * kNodeSize];
  uint32_t first_nodes = 0;

  bool is_user() const { return kind == Kind::kUser; }

  // The 8-node block holding node n (1 <= n <= last_node) of a main dictionary, through the
  // cache.
  const uint8_t* CachedBlock(uint32_t n) {
    const uint32_t first = n & ~uint32_t{kBlockNodes - 1};
    const int64_t block = base + int64_t{kNodeSize} * first;
    int64_t& tag = cache_tags[static_cast<size_t>((block >> 3) & (kCacheSlots - 1))];
    tag = block;  // on a miss the slot now holds this block; on a hit it already did
    return nodes.data() + size_t{kNodeSize} * first;
  }

  // Keeps the cache's account of a scan of the main dictionary nodes first … last, in order.
  void NoteScan(uint32_t first, uint32_t last) {
    last = std::min(last, last_node);
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
    uint64_t word_ends = 0;
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
        summary.word_ends |= later->word_ends;
        break;
      }
      if (node.has_child() && summary.children[node.code()] == kNoChild)
        summary.children[node.code()] = node.child;
      if (node.ends_word()) summary.word_ends |= uint64_t{1} << node.code();
      if (node.last_in_run()) break;
    }
    return summary;
  }

  void ScanFirstLevels() {
    const RunSummary first = SummariseRun(1, nullptr);
    second_children.assign(kAlphabetSize * kAlphabetSize, kNoChild);
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
      two_letter_words[c] = later.word_ends;
      std::copy(later.children.begin(), later.children.end(), second_children.begin() + c * kAlphabetSize);
    }
  }

  // Reads up to `count` nodes of a user dictionary, from node `first` on, into `bytes`; the
  // number of whole nodes the file held.
  uint32_t ReadUserNodes(uint32_t first, uint32_t count, uint8_t* bytes) {
    if (first == 0 || first > kMaxNodeIndex) return 0;
    count = std::min(count, kMaxNodeIndex - first + 1);
    ssize_t got;
    do {
      got = pread(file->fd, bytes, size_t{count} * kNodeSize, base + int64_t{kNodeSize} * first);
    } while (got < 0 && errno == EINTR);
    return got > 0 ? static_cast<uint32_t>(got) / kNodeSize : 0;
  }

  bool ReadNode(uint32_t n, Node& node) {
    if (n == 0 || n > kMaxNodeIndex) return false;
    if (!is_user()) {
      if (n > last_node) return false;
      node = ParseNode(CachedBlock(n) + kNodeSize * (n & (kBlockNodes - 1)));
      return true;
    }
    uint8_t b[kNodeSize];
    if (!ReadAt(file->fd, b, kNodeSize, base + int64_t{kNodeSize} * n)) return false;
    node = ParseNode(b);
    return true;
  }

  bool WriteNode(uint32_t n, const Node& node) {
    uint8_t b[kNodeSize];
    SerializeNode(node, b);
    return WriteAt(file->fd, b, kNodeSize, base + int64_t{kNodeSize} * n);
  }

  bool ReadNodes(uint32_t first, uint32_t count, std::vector<uint8_t>& bytes) {
    bytes.resize(size_t{count} * kNodeSize);
    return ReadAt(file->fd, bytes.data(), bytes.size(), base + int64_t{kNodeSize} * first);
  }

  bool WriteNodes(uint32_t first, const std::vector<uint8_t>& bytes) {
    return WriteAt(file->fd, bytes.data(), bytes.size(), base + int64_t{kNodeSize} * first);
  }

  void WriteHeader() {
    uint8_t b[kHeaderSize];
    SerializeHeader(header, b);
    WriteAt(file->fd, b, kHeaderSize, header_offset);
  }
};

TLexivSpell::TLexivSpell() = default;

TLexivSpell::~TLexivSpell() { CloseDictionaries(); }

bool TLexivSpell::OpenDictionary(const std::string& path) {
  if (main_open_) return false;
  if (!chain_.empty() && !chain_.front()->is_user()) return false;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  auto file = std::make_shared<SharedFile>(fd);
  const int64_t size = FileSize(fd);
  int64_t position = SkipTextHeader(fd);
  DictionaryHeader header;
  if (size < 0 || position < 0 || !ReadHeader(fd, position, header) || header.kind == kKindUser) return false;

  for (int count = 0; count < kMaxDictionariesPerFile; ++count) {
    auto dict = std::make_unique<Dictionary>();
    dict->header = header;
    dict->header_offset = position;
    dict->base = position + kHeaderSize - kNodeSize;
    dict->file = file;
    dict->path = path;
    dict->kind = count == 0 ? Dictionary::Kind::kFirstMain : Dictionary::Kind::kFurtherMain;
    dict->cache_tags = std::make_unique<int64_t[]>(kCacheSlots);
    std::fill_n(dict->cache_tags.get(), kCacheSlots, int64_t{-1});
    const int64_t capacity = std::max<int32_t>(header.capacity, 0);
    const int64_t in_file = std::max<int64_t>((size - dict->base) / kNodeSize - 1, 0);
    dict->last_node = static_cast<uint32_t>(std::min<int64_t>({capacity, in_file, kMaxNodeIndex}));
    // Bytes a file shrunk since fstat no longer holds stay zero: nodes without letters or links.
    const uint32_t blocks = dict->last_node / kBlockNodes + 2;  // whole blocks, and one more
    dict->nodes.assign(size_t{blocks} * kBlockBytes, 0);
    ReadUpTo(fd, dict->nodes.data(), size_t{kNodeSize} * (dict->last_node + 1), dict->base);
    // A node that ends every run after the last real one: a scan reaching it stops there as it
    // would at the end of the node area, whatever letter it looks for (no child, no word end).
    SerializeNode(Node{kNoChild, kLastInRun}, dict->nodes.data() + size_t{kNodeSize} * (dict->last_node + 1));
    const int64_t next = dict->base + kNodeSize * (capacity + 1);
    dict->ScanFirstLevels();
    if (count == 0)
      chain_.insert(chain_.begin(), std::move(dict));
    else
      chain_.push_back(std::move(dict));
    // A negative capacity gives no trustworthy place for a following dictionary.
    if (header.capacity < 0 || next + 20 >= size || !ReadHeader(fd, next, header)) break;
    position = next;
  }
  // Where a lookup goes after the first two letters, over all main dictionaries of the chain.
  main_starts_.assign(kAlphabetSize * kAlphabetSize, 0);
  for (auto& dict : chain_) {
    if (dict->is_user()) continue;
    const auto index = static_cast<uint32_t>(mains_.size());
    mains_.push_back(dict.get());
    for (size_t cell = 0; cell < main_starts_.size(); ++cell) {
      uint32_t& start = main_starts_[cell];
      if (dict->two_letter_words[cell / kAlphabetSize] >> (cell % kAlphabetSize) & 1) start |= kTwoLetterWord;
      if (dict->second_children[cell] == kNoChild) continue;
      if (start & 0xFFFF)
        start |= kSeveralMains;
      else
        start |= index << 16 | dict->second_children[cell];
    }
  }
  main_open_ = true;
  dictionary_name_ = path;
  return true;
}

int16_t TLexivSpell::AppendUserDictionary(int fd, const std::string& path, int64_t header_offset) {
  auto dict = std::make_unique<Dictionary>();
  if (!ReadHeader(fd, header_offset, dict->header)) {
    close(fd);
    return -1;
  }
  dict->header_offset = header_offset;
  dict->base = header_offset + kHeaderSize - kNodeSize;
  dict->file = std::make_shared<SharedFile>(fd);
  dict->path = path;
  dict->kind = Dictionary::Kind::kUser;
  dict->number = next_user_number_;
  next_user_number_ = next_user_number_ == 65534 ? 0 : next_user_number_ + 1;
  const auto number = static_cast<int16_t>(dict->number);
  chain_.push_back(std::move(dict));
  ++user_dictionaries_;
  return number;
}

int16_t TLexivSpell::OpenUserDictionary(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return -1;
  const int64_t position = SkipTextHeader(fd);
  DictionaryHeader header;
  if (position < 0 || !ReadHeader(fd, position, header)) {
    close(fd);
    return -1;
  }
  if (header.kind != kKindUser) {
    close(fd);
    return 0;
  }
  return AppendUserDictionary(fd, path, position);
}

int16_t TLexivSpell::CreateUserDictionary(const std::string& path, std::vector<std::string>& words) {
  // O_EXCL: a user dictionary that another copy of the program has just created is never
  // truncated, so no added word is lost.
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  std::string bytes = "USER DICTIONARY\r\n";
  bytes += "Dictionary format 1996 Lexivane Software, written by Inkwend\r\n";
  bytes += static_cast<char>(kTextHeaderEnd);
  const auto header_offset = static_cast<int32_t>(bytes.size());
  DictionaryHeader header;
  header.nodes_used = 1;
  header.capacity = 500;
  header.word_count = 1;
  header.kind = kKindUser;
  header.offset = header_offset;
  AppendHeader(bytes, header);
  AppendNode(bytes, Node{kNoChild, kLastInRun | kEndsWord});  // the word A
  for (int n = 2; n <= header.capacity; ++n) AppendNode(bytes, Node{kFreeSlot, kLastInRun | kEndsWord});
  if (!WriteAt(fd, bytes.data(), bytes.size(), 0)) {
    close(fd);
    unlink(path.c_str());
    return -1;
  }
  const int16_t number = AppendUserDictionary(fd, path, header_offset);
  if (number < 0) return number;
  std::sort(words.begin(), words.end());
  for (const std::string& word : words) AddWord(word, number);
  return number;
}

void TLexivSpell::CloseDictionaries() {
  // Every dictionary closes, also user dictionaries opened while no main dictionary could be.
  chain_.clear();
  mains_.clear();
  main_starts_.clear();
  user_dictionaries_ = 0;
  main_open_ = false;
}

void TLexivSpell::OpenMainIfNeeded() {
  if (!main_open_) OpenDictionary(dictionary_name_);
}

void TLexivSpell::RefreshUserHeaders(bool with_first_nodes) {
  if (user_dictionaries_ == 0) return;
  for (auto& dict : chain_) {
    if (!dict->is_user()) continue;
    dict->first_nodes = 0;
    if (!with_first_nodes) {
      ReadHeader(dict->file->fd, dict->header_offset, dict->header);
      continue;
    }
    // Node 1 follows the header directly: one read brings both.
    uint8_t bytes[kHeaderSize + sizeof dict->first_piece];
    ssize_t got;
    do {
      got = pread(dict->file->fd, bytes, sizeof bytes, dict->header_offset);
    } while (got < 0 && errno == EINTR);
    if (got < kHeaderSize) continue;
    dict->header = ParseHeader(bytes);
    dict->first_nodes = static_cast<uint32_t>(got - kHeaderSize) / kNodeSize;
    std::memcpy(dict->first_piece, bytes + kHeaderSize, size_t{dict->first_nodes} * kNodeSize);
  }
}

bool TLexivSpell::CheckInUserDictionary(Dictionary& dict, const uint8_t* word, size_t length) {
  // Nodes are read from the file afresh for every operation, a piece of a run at a time: one
  // read call per piece instead of one per node. The first piece of the first run came with the
  // header, read at the start of this operation.
  constexpr uint32_t kPiece = Dictionary::kFirstPieceNodes;
  uint8_t piece[kPiece * kNodeSize];
  uint32_t run = 1;
  const size_t last = length - 1;
  for (size_t d = 0;; ++d) {
    const uint8_t code = LetterCode(word[d]);
    uint32_t next = 0;
    bool run_over = false;
    for (uint32_t n = run; !run_over && next == 0;) {
      const bool first_piece = n == 1 && dict.first_nodes > 0;
      if (first_piece) std::memcpy(piece, dict.first_piece, size_t{dict.first_nodes} * kNodeSize);
      const uint32_t got = first_piece ? dict.first_nodes : dict.ReadUserNodes(n, kPiece, piece);
      if (got == 0) break;  // past the end of the file
      for (uint32_t k = 0; k < got; ++k) {
        const Node node = ParseNode(piece + kNodeSize * k);
        if (node.code() == code) {
          if (d == last) {
            if (node.ends_word()) return true;
          } else if (node.has_child()) {
            next = node.child;  // the first match with a child decides; no backtracking
            break;
          }
        }
        if (node.last_in_run()) {
          run_over = true;
          break;
        }
      }
      if (got < kPiece) break;  // the file ends within this piece
      n += got;
    }
    if (d == last || next == 0) return false;
    run = next;
  }
}

// The same search over a main dictionary from the third letter on, starting at `run`, written
// for speed: nodes are looked at in place, and the cache keeps account of the blocks a run scan
// reached once the scan is over.
bool TLexivSpell::CheckInMainDictionary(Dictionary& dict, uint32_t run, const uint8_t* word, size_t length) {
  const uint8_t* const nodes = dict.nodes.data();
  const uint32_t last_node = dict.last_node;
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

// The main dictionaries in one go: the first two levels are looked up in main_starts_, and only
// where several dictionaries go on from the same two letters is each of them searched.
bool TLexivSpell::CheckInMainDictionaries(const uint8_t* word, size_t length) {
  if (main_starts_.empty()) return false;
  const size_t cell = size_t{LetterCode(word[0])} * kAlphabetSize + LetterCode(word[1]);
  const uint32_t start = main_starts_[cell];
  if (length == 2) return start & kTwoLetterWord;
  if (start & kSeveralMains) {
    for (Dictionary* dict : mains_)
      if (CheckInMainDictionary(*dict, dict->second_children[cell], word, length)) return true;
    return false;
  }
  const uint32_t run = start & 0xFFFF;
  return run != kNoChild && CheckInMainDictionary(*mains_[start >> 16 & 0xFF], run, word, length);
}

bool TLexivSpell::CheckInChain(std::string_view word) {
  // Letter codes are the same for both letter cases, so the word needs no upper-casing here.
  const auto* bytes = reinterpret_cast<const uint8_t*>(word.data());
  for (size_t length = word.size();; length -= 2) {
    if (length <= 1) return true;
    // Every dictionary is consulted until one accepts the word, so their order does not matter.
    if (CheckInMainDictionaries(bytes, length)) return true;
    if (user_dictionaries_ > 0)
      for (auto& dict : chain_)
        if (dict->is_user() && CheckInUserDictionary(*dict, bytes, length)) return true;
    if (word[length - 2] != '\'' || UpperCase(static_cast<uint8_t>(word[length - 1])) != 'S') return false;
  }
}

bool TLexivSpell::CheckWord(std::string_view word) {
  OpenMainIfNeeded();
  RefreshUserHeaders(true);
  return CheckInChain(word);
}

bool TLexivSpell::AddWord(const std::string& word, int16_t number) {
  OpenMainIfNeeded();
  if (number < 0) return false;
  Dictionary* dict = nullptr;
  for (auto& d : chain_)
    if (d->is_user() && d->number == number) dict = d.get();
  if (!dict) return false;
  FileLock lock(dict->file->fd);
  RefreshUserHeaders(false);
  const DictionaryHeader& h = dict->header;
  if (word.empty() || word.size() > kMaxWordLength || h.nodes_used < 0 ||
      static_cast<int64_t>(word.size()) + h.nodes_used > kMaxUserNodes)
    return true;
  // A word that found no room on the disk leaves the file, counter included, as it was.
  if (InsertWord(*dict, UpperCase(word))) {
    ++dict->header.word_count;
    dict->WriteHeader();
  }
  return true;
}

bool TLexivSpell::InsertWord(Dictionary& dict, const std::string& upper) {
  DictionaryHeader& h = dict.header;
  const auto length = static_cast<uint32_t>(upper.size());

  // Grow the file first to hold every node this word may need, so that a full disk stops the
  // insertion before any node has moved rather than half-way through.
  {
    const uint32_t needed = static_cast<uint32_t>(h.nodes_used) + length;
    const int64_t end = dict.base + int64_t{kNodeSize} * (needed + 1);
    const int64_t size = FileSize(dict.file->fd);
    if (size < 0) return false;
    if (size < end) {
      std::string tail;
      const int64_t first = std::max<int64_t>((size - dict.base) / kNodeSize, 1);
      for (int64_t n = first; n <= needed; ++n) AppendNode(tail, Node{kFreeSlot, kLastInRun | kEndsWord});
      // Free slots that a partial write leaves past the used nodes do no harm.
      if (!WriteAt(dict.file->fd, tail.data(), tail.size(), dict.base + kNodeSize * first)) return false;
    }
  }

  // Puts the characters upper[from..] as a new chain at index p (see docs/formats/dictionary.md).
  auto place_chain = [&](uint32_t p, size_t from) {
    auto used = static_cast<uint32_t>(h.nodes_used);
    auto shift = [p](std::vector<uint8_t>& bytes) {
      bool changed = false;
      for (size_t off = 0; off < bytes.size(); off += kNodeSize) {
        Node node = ParseNode(&bytes[off]);
        if (node.child > p && node.child != kFreeSlot && node.child != 0xFFFF) {
          ++node.child;
          SerializeNode(node, &bytes[off]);
          changed = true;
        }
      }
      return changed;
    };
    std::vector<uint8_t> block;
    if (p <= used) {
      // Move nodes p..used up by one, from the end backwards, a block at a time.
      for (uint32_t hi = used; hi >= p;) {
        const uint32_t lo = hi - p + 1 > kMoveBlockNodes ? hi - kMoveBlockNodes + 1 : p;
        if (!dict.ReadNodes(lo, hi - lo + 1, block)) return;
        shift(block);
        if (!dict.WriteNodes(lo + 1, block)) return;
        if (lo == p) break;
        hi = lo - 1;
      }
      for (uint32_t lo = 1; lo < p; lo += kMoveBlockNodes) {
        const uint32_t count = std::min(kMoveBlockNodes, p - lo);
        if (!dict.ReadNodes(lo, count, block)) return;
        if (shift(block)) dict.WriteNodes(lo, block);
      }
    }
    ++used;
    const size_t k = upper.size() - from;
    uint32_t last = p;
    dict.WriteNode(p, Node{static_cast<uint16_t>(used + 1), LetterCode(static_cast<uint8_t>(upper[from]))});
    for (size_t i = from + 1; i < upper.size(); ++i) {
      ++used;
      last = used;
      dict.WriteNode(used,
                     Node{static_cast<uint16_t>(used + 1),
                          static_cast<uint8_t>(LetterCode(static_cast<uint8_t>(upper[i])) | kLastInRun)});
    }
    Node tail;
    if (dict.ReadNode(last, tail)) {
      tail.child = kNoChild;
      tail.flags |= kEndsWord;
      if (k > 1) tail.flags |= kLastInRun;
      dict.WriteNode(last, tail);
    }
    h.nodes_used = static_cast<int32_t>(used);
  };

  uint32_t run = 1;
  Node node;
  for (size_t pos = 0; pos < upper.size();) {
    // Letters are compared by code, as CheckWord compares them, so that a character outside the
    // alphabet finds the A it counts as instead of adding a duplicate A to the run.
    const uint8_t code = LetterCode(static_cast<uint8_t>(upper[pos]));
    uint32_t found = 0;
    for (uint32_t n = run; dict.ReadNode(n, node); ++n) {
      if (node.code() == code) {
        found = n;
        break;
      }
      if (node.last_in_run()) break;
    }
    if (found == 0) {
      place_chain(run, pos);  // the new node becomes the head of this run
      return true;
    }
    ++pos;
    if (pos == upper.size()) {
      node.flags |= kEndsWord;
      dict.WriteNode(found, node);
      return true;
    }
    if (node.has_child()) {
      run = node.child;
      continue;
    }
    const uint32_t p = static_cast<uint32_t>(h.nodes_used) + 1;
    place_chain(p, pos);
    if (dict.ReadNode(found, node)) {
      node.child = static_cast<uint16_t>(p);
      dict.WriteNode(found, node);
    }
    if (dict.ReadNode(p, node)) {
      node.flags |= kLastInRun;  // the only child of its parent
      dict.WriteNode(p, node);
    }
    return true;
  }
  return true;
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
  PhoneticKeyBuilder prefix_key;  // the key of `prefix`
  uint64_t budget = 0;            // node reads left; bounds the walk in a damaged dictionary
};

// Scores every word ending in this run and descends into the children whose prefix still
// agrees with the phonetic key of the typed word.
void Walk(TLexivSpell::Dictionary& dict, uint32_t run, SuggestSearch& search);

}  // namespace

const std::vector<std::string>& TLexivSpell::Suggest(const std::string& word) {
  OpenMainIfNeeded();
  RefreshUserHeaders(true);
  suggestions_.clear();
  const std::string typed = word.substr(0, kMaxWordLength);
  const std::string upper = UpperCase(typed);
  if (upper.empty()) {
    last_suggest_reads_ = 0;
    return suggestions_;
  }
  SuggestSearch search(max_suggestions_, upper);
  search.budget = kSuggestNodeBudget;
  search.key = MakePhoneticKey(upper);
  RankedList& ranked = search.ranked;
  for (const char first : FirstLettersFor(static_cast<uint8_t>(upper[0]))) {
    search.key[0] = static_cast<uint8_t>(first);
    for (auto& dict : chain_) {
      search.prefix.clear();
      search.prefix_key = PhoneticKeyBuilder();
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

  for (const auto& entry : ranked.entries()) suggestions_.push_back(CopyLetterCase(typed, entry.text));
  last_suggest_reads_ = kSuggestNodeBudget - search.budget;
  return suggestions_;
}

namespace {

void Walk(TLexivSpell::Dictionary& dict, uint32_t run, SuggestSearch& search) {
  std::string& prefix = search.prefix;
  const PhoneticKeyBuilder parent_key = search.prefix_key;
  Node node;
  for (uint32_t n = run; search.budget > 0 && dict.ReadNode(n, node); ++n) {
    --search.budget;
    const auto letter = DecodeLetter(node.flags);
    prefix.push_back(static_cast<char>(letter));
    if (node.ends_word()) search.ranked.Add(prefix, ScoreCandidate(prefix, search.word));
    if (node.has_child() && prefix.size() <= kMaxPrefix) {
      // The prefix was walked into only while its key agreed with the typed word's key, so
      // only the position this letter fills needs comparing.
      search.prefix_key = parent_key;
      const int filled = search.prefix_key.Add(letter);
      if (filled < 0 || search.prefix_key.key()[filled] == search.key[filled]) Walk(dict, node.child, search);
    }
    prefix.pop_back();
    if (node.last_in_run()) break;
  }
  search.prefix_key = parent_key;
}

}  // namespace

}  // namespace inkwend
