#include "context/argument_list.h"

#include <cstring>

#include "convert/sjis.h"

namespace qv {
namespace {

constexpr int32_t kArgvStep = 32;  // entries added at a time

bool IsBlank(unsigned char b) { return b == ' ' || b == '\t'; }

enum class State { BetweenArguments, Unquoted, Quoted };

// The splitting state of one construction.
class Splitter {
 public:
  Splitter(ArgumentList& list, const unsigned char* line, int32_t capacity)
      : list_(list), line_(line), capacity_(capacity) {}

  void Run() {
    list_.argv[0] = list_.charBuffer;
    list_.argc = 1;
    while (line_[read_] != 0) {
      if (state_ == State::BetweenArguments) {
        empty_ = true;
        while (IsBlank(line_[read_])) ++read_;
        if (line_[read_] == 0) break;
        state_ = State::Unquoted;
      }
      if (!Step()) {  // argv could not grow: keep what was ended so far
        list_.incomplete = true;
        return;
      }
    }
    Finish();
  }

 private:
  // One rule of the splitting; false when splitting has to stop at once.
  bool Step() {
    const unsigned char b = line_[read_];
    const unsigned char next = line_[read_ + 1];
    if (sjis::IsLead(b) && sjis::IsTrail(next)) {
      Store(b);
      Store(next);
      read_ += 2;
      return true;
    }
    if (IsBlank(b)) {
      size_t ahead = read_;
      while (IsBlank(line_[ahead])) ++ahead;
      if (line_[ahead] == 0) {
        read_ = ahead;  // trailing blanks are never stored
        return true;
      }
      ++read_;
      if (state_ == State::Quoted) {
        Store(b);
        return true;
      }
      state_ = State::BetweenArguments;
      return EndArgument();
    }
    if (b == '"') {
      state_ = state_ == State::Quoted ? State::Unquoted : State::Quoted;
      ++read_;
      return true;
    }
    if (b == '/') {
      ++read_;
      if (!empty_ && !EndArgument()) return false;
      Store(b);
      return true;
    }
    if (b == '\\' && state_ == State::Quoted && (next == '\\' || next == '"')) {
      Store(next);
      read_ += 2;
      return true;
    }
    Store(b);
    ++read_;
    return true;
  }

  void Store(unsigned char b) {
    list_.charBuffer[write_++] = static_cast<char>(b);
    empty_ = false;
  }

  bool EndArgument() {
    list_.charBuffer[write_++] = '\0';
    if (list_.argc + 1 >= capacity_) {
      const int32_t grown = capacity_ + kArgvStep;
      void* moved = Mem().HeapReAlloc(list_.privateHeap, win::kHeapNoSerialize, list_.argv,
                                     static_cast<size_t>(grown) * sizeof(char*));
      if (moved == nullptr) return false;
      list_.argv = static_cast<char**>(moved);
      capacity_ = grown;
    }
    list_.argv[list_.argc++] = list_.charBuffer + write_;
    empty_ = true;
    return true;
  }

  void Finish() {
    list_.charBuffer[write_] = '\0';
    if (empty_) --list_.argc;
    list_.argv[list_.argc] = nullptr;
  }

  ArgumentList& list_;
  const unsigned char* line_;
  int32_t capacity_;
  size_t read_ = 0;
  size_t write_ = 0;
  State state_ = State::BetweenArguments;
  bool empty_ = true;
};

}  // namespace

void ArgumentList::Construct() { ConstructFrom(Sys().GetCommandLineA()); }

void ArgumentList::ConstructFrom(const char* commandLine) {
  argc = 0;
  argv = nullptr;
  charBuffer = nullptr;
  incomplete = false;
  privateHeap = Mem().HeapCreate(win::kHeapNoSerialize, 0, 0);
  if (privateHeap == nullptr) return;

  const char* line = commandLine != nullptr ? commandLine : "";
  const size_t length = std::strlen(line);
  if (length > (SIZE_MAX - 1) / 2) return;
  charBuffer = static_cast<char*>(Mem().HeapAlloc(privateHeap, win::kHeapNoSerialize, 2 * length + 1));
  if (charBuffer == nullptr) return;
  argv = static_cast<char**>(Mem().HeapAlloc(privateHeap, win::kHeapNoSerialize, kArgvStep * sizeof(char*)));
  if (argv == nullptr) {
    charBuffer = nullptr;  // released with the heap
    return;
  }
  Splitter(*this, reinterpret_cast<const unsigned char*>(line), kArgvStep).Run();
}

void ArgumentList::Destroy() {
  Mem().HeapDestroy(privateHeap);
  argv = nullptr;
  charBuffer = nullptr;
  privateHeap = nullptr;
}

}  // namespace qv
