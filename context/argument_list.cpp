#include "context/argument_list.h"

#include <cstring>
#include <utility>

#include "convert/sjis.h"

namespace qv {
namespace {

constexpr int32_t kArgvStep = 32;  // entries added at a time

bool IsBlank(unsigned char b) { return b == ' ' || b == '\t'; }

enum class State { BetweenArguments, Unquoted, Quoted };

}  // namespace

// The splitting state of one construction.
class ArgumentList::Splitter {
 public:
  Splitter(ArgumentList& list, const unsigned char* line, int32_t capacity)
      : list_(list), line_(line), capacity_(capacity) {}

  void Run() {
    list_.argv_[0] = list_.charBuffer_;
    list_.argc_ = 1;
    while (line_[read_] != 0) {
      if (state_ == State::BetweenArguments) {
        empty_ = true;
        while (IsBlank(line_[read_])) ++read_;
        if (line_[read_] == 0) break;
        state_ = State::Unquoted;
      }
      if (!Step()) {  // argv could not grow: keep what was ended so far
        list_.incomplete_ = true;
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
    list_.charBuffer_[write_++] = static_cast<char>(b);
    empty_ = false;
  }

  bool EndArgument() {
    list_.charBuffer_[write_++] = '\0';
    if (list_.argc_ + 1 >= capacity_) {
      const int32_t grown = capacity_ + kArgvStep;
      void* moved = Mem().HeapReAlloc(list_.heap_.get(), win::kHeapNoSerialize, list_.argv_,
                                     static_cast<size_t>(grown) * sizeof(char*));
      if (moved == nullptr) return false;
      list_.argv_ = static_cast<char**>(moved);
      capacity_ = grown;
    }
    list_.argv_[list_.argc_++] = list_.charBuffer_ + write_;
    empty_ = true;
    return true;
  }

  void Finish() {
    list_.charBuffer_[write_] = '\0';
    if (empty_) --list_.argc_;
    list_.argv_[list_.argc_] = nullptr;
  }

  ArgumentList& list_;
  const unsigned char* line_;
  int32_t capacity_;
  size_t read_ = 0;
  size_t write_ = 0;
  State state_ = State::BetweenArguments;
  bool empty_ = true;
};

ArgumentList ArgumentList::OfProcess() { return ArgumentList(Sys().GetCommandLineA()); }

ArgumentList::ArgumentList(const char* commandLine) : heap_(Mem().HeapCreate(win::kHeapNoSerialize, 0, 0)) {
  if (!heap_) return;
  const char* line = commandLine != nullptr ? commandLine : "";
  const size_t length = std::strlen(line);
  if (length > (SIZE_MAX - 1) / 2) return;
  charBuffer_ = static_cast<char*>(Mem().HeapAlloc(heap_.get(), win::kHeapNoSerialize, 2 * length + 1));
  if (charBuffer_ == nullptr) return;
  argv_ = static_cast<char**>(Mem().HeapAlloc(heap_.get(), win::kHeapNoSerialize, kArgvStep * sizeof(char*)));
  if (argv_ == nullptr) {
    charBuffer_ = nullptr;  // released with the heap
    return;
  }
  Splitter(*this, reinterpret_cast<const unsigned char*>(line), kArgvStep).Run();
}

ArgumentList::ArgumentList(ArgumentList&& other) noexcept
    : heap_(std::move(other.heap_)),
      argc_(std::exchange(other.argc_, 0)),
      argv_(std::exchange(other.argv_, nullptr)),
      charBuffer_(std::exchange(other.charBuffer_, nullptr)),
      incomplete_(std::exchange(other.incomplete_, false)) {}

ArgumentList& ArgumentList::operator=(ArgumentList&& other) noexcept {
  if (this != &other) {
    heap_ = std::move(other.heap_);
    argc_ = std::exchange(other.argc_, 0);
    argv_ = std::exchange(other.argv_, nullptr);
    charBuffer_ = std::exchange(other.charBuffer_, nullptr);
    incomplete_ = std::exchange(other.incomplete_, false);
  }
  return *this;
}

}  // namespace qv
