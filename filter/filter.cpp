// quorvel-filter: the conversion engine on streams. Its memory comes from
// one private heap, released whole when the run ends.
#include "filter/filter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#include "context/argument_list.h"
#include "convert/convert.h"
#include "convert/quote_marks.h"
#include "driver/switches.h"
#include "host/host_contract.h"
#include "platform/platform.h"
#include "platform/text_encoding.h"

namespace qv {
namespace {

constexpr char kVersion[] = "quorvel-filter " QV_VERSION_TEXT "\n";  // the project's version, from CMake
constexpr std::string_view kQuoteMarksOption = "--quote-marks=";
constexpr std::string_view kHostIniOption = "--host-ini=";

// Messages in code page 932, shown as UTF-8.
constexpr char kMsgReadFailed[] =
    "\x95W\x8F\x80\x93\xFC\x97\xCD\x82\xF0\x93\xC7\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81\x42";  // 標準入力を読めませんでした。
constexpr char kMsgWriteFailed[] =
    "\x95W\x8F\x80\x8Fo\x97\xCD\x82\xC9\x8F\x91\x82\xAF\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81\x42";  // 標準出力に書けませんでした。
constexpr char kMsgTooLarge[] =
    "\x83\x65\x83L\x83X\x83g\x82\xAA\x91\xE5\x82\xAB\x82\xB7\x82\xAC\x82\xDC\x82\xB7\x81\x42";  // テキストが大きすぎます。
constexpr char kMsgOutOfMemory[] =
    "\x83\x81\x83\x82\x83\x8A\x82\xAA\x91\xAB\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42";  // メモリが足りません。
constexpr char kMsgUnmappable[] =
    "\x83R\x81\x5B\x83h\x83y\x81\x5B\x83W 932 \x82\xC9\x82\xC8\x82\xA2\x95\xB6\x8E\x9A\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB7";  // コードページ 932 にない文字があります

// Usage, kept as UTF-8 source text: it is only ever printed to a terminal.
constexpr char kUsage[] =
    "使い方: quorvel-filter [/スイッチ...] [--quote-marks=BYTES | --host-ini=PATH] [--utf8] < 入力 > 出力\n"
    "Usage:  quorvel-filter [/SWITCHES...] [--quote-marks=BYTES | --host-ini=PATH] [--utf8] < in > out\n"
    "\n"
    "標準入力を全角/半角変換して標準出力に書きます。大文字で有効、小文字で無効。\n"
    "Converts standard input between full-width and half-width forms (code page 932).\n"
    "Capital letter: on, small letter: off. Default: /XA (full-width to half-width, letters).\n"
    "\n"
    "  X  全角→半角 (x: 半角→全角)          full-width to half-width (x: half-width to full-width)\n"
    "  A  英字                               letters\n"
    "  N  数字                               digits\n"
    "  S  空白                               space\n"
    "  P  記号                               ASCII punctuation\n"
    "  J  日本語の記号                       Japanese punctuation\n"
    "  K  カタカナ                           katakana\n"
    "  L  引用行も変換                       convert quoted lines too\n"
    "  U  半角空白を _ に                    half-width spaces become _\n"
    "  R  戻せない変換も行う                 irreversible mappings too\n"
    "  T  ひらがなをカタカナと同様に         hiragana like katakana\n"
    "  V  濁点・半濁点を結合しない           do not join sound marks\n"
    "  D  無視 (ダイアログはありません)      ignored (there is no dialog)\n"
    "\n"
    "  --quote-marks=BYTES  引用符の一覧 (空: なし)   quote marks, verbatim (empty: none)\n"
    "  --host-ini=PATH      引用符を INI から読む      read them from section Option, key Inyouhu\n"
    "  --utf8               入出力は UTF-8            input and output are UTF-8\n"
    "  --help, --version\n"
    "\n"
    "NUL バイトはそのまま通り、その後は新しいテキストとして変換します。\n"
    "NUL bytes pass through; the bytes after each are converted as a new text.\n"
    "終了コード / exit: 0 ok, 1 read/write error, 2 bad argument, 3 not in code page 932, 4 too large.\n";

void Say(std::FILE* err, const char* cp932, const char* english) {
  std::fprintf(err, "quorvel-filter: %s (%s)\n", Cp932ToUtf8Lossy(cp932).c_str(), english);
}

struct BadArguments {
  std::FILE* err;
  int count = 0;
};

void ReportBadArgument(void* context, int32_t index, const char* argument) {
  auto& bad = *static_cast<BadArguments*>(context);
  ++bad.count;
  char message[kMessageBufferSize];
#ifdef _WIN32
  FormatBadArgument(message, sizeof message, index, argument);
  std::fprintf(bad.err, "quorvel-filter: %s\n", Cp932ToUtf8Lossy(message).c_str());
#else
  // The argument came in the terminal's own encoding: it goes back out as it
  // came, whole, inside the message's text.
  FormatBadArgument(message, sizeof message, index, "\x01");
  std::string text = Cp932ToUtf8Lossy(message);
  if (const size_t at = text.find('\x01'); at != std::string::npos) text.replace(at, 1, argument);
  std::fprintf(bad.err, "quorvel-filter: %s\n", text.c_str());
#endif
}

struct FilterSettings {
  ConversionOptions options;
  bool utf8 = false;
  bool help = false;
  bool version = false;
  std::string marks = kDefaultQuoteMarks;
  const char* hostIni = nullptr;
};

void LoadFromHostIni(void* context, char* buffer, size_t size) {
  Os().GetPrivateProfileStringA(host::kOptionSection, host::kQuoteMarkKey, kDefaultQuoteMarks, buffer,
                                static_cast<uint32_t>(size), static_cast<const char*>(context));
}

// Switch groups go through the tool's own splitting and parsing, as one
// command line, so that indexes in messages count them as the tool does.
// 0, or an exit code after telling the user.
int ParseArguments(int argc, char** argv, std::FILE* err, FilterSettings& s) {
  std::string line = "quorvel-filter";
  BadArguments bad{err};
  int index = 0;  // of the switch groups, for messages about long options
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!arg.starts_with("--")) {
      line += ' ';
      line += arg;
      ++index;
      continue;
    }
    if (arg == "--help") {
      s.help = true;
    } else if (arg == "--version") {
      s.version = true;
    } else if (arg == "--utf8") {
      s.utf8 = true;
    } else if (arg.starts_with(kQuoteMarksOption)) {
      s.marks = std::string(arg.substr(kQuoteMarksOption.size()));
      s.hostIni = nullptr;
    } else if (arg.starts_with(kHostIniOption) && arg.size() > kHostIniOption.size()) {
      s.hostIni = argv[i] + kHostIniOption.size();
    } else {
      ReportBadArgument(&bad, index + 1, argv[i]);
    }
  }
  ArgumentList arguments;
  arguments.ConstructFrom(line.c_str());
  uint8_t showDialog = 0;  // accepted and ignored; the options start at their defaults
  if (arguments.argv == nullptr) {
    arguments.Destroy();
    Say(err, kMsgOutOfMemory, "out of memory");
    return kFilterTooLarge;
  }
  ApplySwitchArguments(arguments, s.options, showDialog, ReportBadArgument, &bad);
  arguments.Destroy();
  FixUpOptions(s.options);
  return bad.count == 0 ? kFilterOk : kFilterUsage;
}

// The run's private heap, destroyed with everything on it.
class PrivateHeap {
 public:
  PrivateHeap() : handle_(Os().HeapCreate(win::kHeapNoSerialize, 0, 0)) {}
  ~PrivateHeap() {
    if (handle_ != nullptr) Os().HeapDestroy(handle_);
  }
  PrivateHeap(const PrivateHeap&) = delete;
  PrivateHeap& operator=(const PrivateHeap&) = delete;
  HeapHandle handle() const { return handle_; }

 private:
  HeapHandle handle_;
};

// A growing byte buffer on the run's heap; room past `size` is untouched, so
// it costs no resident memory.
struct Buffer {
  HeapHandle heap;
  char* data = nullptr;
  size_t size = 0;
  size_t capacity = 0;

  bool Reserve(size_t bytes) {
    if (bytes <= capacity) return true;
    void* moved = data == nullptr ? Os().HeapAlloc(heap, win::kHeapNoSerialize, bytes)
                                  : Os().HeapReAlloc(heap, win::kHeapNoSerialize, data, bytes);
    if (moved == nullptr) return false;
    data = static_cast<char*>(moved);
    capacity = bytes;
    return true;
  }
};

struct Filter {
  const FilterStreams& io;
  size_t blockLimit;
  HeapHandle heap;

  // Room for at least `room` bytes past `size`, growing at least twofold;
  // false after telling the user.
  bool MakeRoom(Buffer& b, size_t room) const {
    if (b.capacity - b.size >= room) return true;
    if (b.size > SIZE_MAX / 2 - room || !b.Reserve(std::max(2 * b.size, b.size + room))) {
      Say(io.err, kMsgOutOfMemory, "out of memory");
      return false;
    }
    return true;
  }

  // Fills in[size, end) from the input as far as it goes; false on a read
  // error (reported). *eof is set at the end of the input.
  bool ReadMore(Buffer& in, size_t end, bool* eof) const {
    in.size += std::fread(in.data + in.size, 1, end - in.size, io.in);
    if (std::ferror(io.in)) {
      Say(io.err, kMsgReadFailed, std::strerror(errno));
      return false;
    }
    *eof = std::feof(io.in) != 0;
    return true;
  }

  // Reads all of the input; 0 or an exit code.
  int ReadAll(Buffer& in) const {
    for (;;) {
      if (!MakeRoom(in, 1 << 20)) return kFilterTooLarge;
      bool eof = false;
      if (!ReadMore(in, in.capacity, &eof)) return kFilterIo;
      if (eof) return kFilterOk;
    }
  }

  // Writes and flushes; 0, or an exit code after telling the user.
  int WriteAll(const char* data, size_t size) const {
    if ((size != 0 && std::fwrite(data, 1, size, io.out) != size) || std::fflush(io.out) != 0 ||
        std::ferror(io.out)) {
      Say(io.err, kMsgWriteFailed, std::strerror(errno));
      return kFilterIo;
    }
    return kFilterOk;
  }

  // The block a text of n bytes needs in the direction (the engine takes
  // NUL-terminated texts with 32-bit positions), or 0 after telling the user
  // that it is too large.
  size_t CheckedBlock(size_t n, bool toHalf) const {
    size_t bytes = n + 1;
    if ((toHalf ? n >= UINT32_MAX : !FullBlockSize(n, &bytes)) || bytes > blockLimit) {
      Say(io.err, kMsgTooLarge, "text too large");
      return 0;
    }
    return bytes;
  }

  // Exit 3 after telling the user which byte has no counterpart.
  int Unmappable(const char* which, size_t offset, const char* reason) const {
    char english[96];
    std::snprintf(english, sizeof english, "%s byte offset %zu %s", which, offset, reason);
    Say(io.err, kMsgUnmappable, english);
    return kFilterUnmappable;
  }

  int ConvertStream(const ConversionOptions& o, QuoteMarkList& marks) const;
  int ConvertUtf8(const ConversionOptions& o, QuoteMarkList& marks, const Buffer& raw) const;
};

// Converts text[0, n) (text[n] is 0; NULs inside end texts) in the block
// CheckedBlock(n) gave: n + 1 bytes for full-width to half-width (in place),
// FullBlockSize(n) for the other direction.
size_t ConvertTexts(const ConversionOptions& o, QuoteMarkList& marks, char* text, size_t n) {
  size_t produced = 0;
  if (o.ExchangeZenHan == 1) {
    ConvertTextsToHalf(o, marks, text, n, &produced);
  } else {
    ConvertTextsToFullInBlock(o, marks, text, n, &produced);
  }
  if (o.ReplaceSpaceToUnderbar) ReplaceSpacesWithUnderbars(text, produced);
  return produced;
}

// Bytes read and converted at a time: the pieces stay in the cache, and the
// memory needed does not grow with the input.
constexpr size_t kPiece = size_t{256} << 10;

// The byte path, piece by piece: each piece ends after a line feed or NUL
// (where converting apart changes nothing), or at the end of the input; a
// line longer than a piece makes the piece grow until it ends.
int Filter::ConvertStream(const ConversionOptions& o, QuoteMarkList& marks) const {
  const bool toHalf = o.ExchangeZenHan == 1;
  Buffer in{heap};
  Buffer block{heap};  // the full-width direction's enlarged block
  if (!MakeRoom(in, kPiece + 1)) return kFilterTooLarge;  // a piece and the NUL after it
  bool eof = false;
  while (!eof) {
    // A line longer than what is left: room for half a piece more at least.
    if (!MakeRoom(in, kPiece / 2 + 1)) return kFilterTooLarge;
    if (!ReadMore(in, in.capacity - 1, &eof)) return kFilterIo;  // the last byte stays for the NUL
    const size_t n = eof ? in.size : IndependentPrefix(in.data, in.size);
    if (n == 0 && !eof) continue;  // a line longer than the buffer: read on
    const size_t bytes = CheckedBlock(n, toHalf);
    if (bytes == 0) return kFilterTooLarge;
    char* text = in.data;
    const char kept = in.data[n];
    if (!toHalf) {
      if (!block.Reserve(bytes)) {
        Say(io.err, kMsgOutOfMemory, "out of memory");
        return kFilterTooLarge;
      }
      std::memcpy(block.data, in.data, n);
      text = block.data;
    }
    text[n] = '\0';
    if (const int failed = WriteAll(text, ConvertTexts(o, marks, text, n))) return failed;
    // The rest, a line begun but not ended, moves to the front.
    if (toHalf) in.data[n] = kept;
    std::memmove(in.data, in.data + n, in.size - n);
    in.size -= n;
  }
  return kFilterOk;  // the last piece, however short, was written and flushed
}

int Filter::ConvertUtf8(const ConversionOptions& o, QuoteMarkList& marks, const Buffer& raw) const {
  std::string text;
  size_t offset = 0;
  if (!Utf8ToCp932(std::string_view(raw.data, raw.size), text, &offset)) {
    return Unmappable("input", offset, "cannot be held in code page 932");
  }
  const size_t n = text.size();
  const size_t bytes = CheckedBlock(n, o.ExchangeZenHan == 1);
  if (bytes == 0) return kFilterTooLarge;
  text.resize(bytes);  // zero-filled past n
  const size_t produced = ConvertTexts(o, marks, text.data(), n);
  std::string out;
  if (!Cp932ToUtf8(std::string_view(text.data(), produced), out, &offset)) {
    return Unmappable("converted", offset, "has no UTF-8 form");
  }
  return WriteAll(out.data(), out.size());
}

}  // namespace

int RunFilter(int argc, char** argv, const FilterStreams& io, size_t blockLimit) {
  FilterSettings s;
  if (const int failed = ParseArguments(argc, argv, io.err, s)) return failed;
  const PrivateHeap heap;
  const Filter filter{io, blockLimit, heap.handle()};
  if (s.help || s.version) {
    const std::string_view text = s.help ? std::string_view(kUsage) : std::string_view(kVersion);
    return filter.WriteAll(text.data(), text.size());
  }
  if (heap.handle() == nullptr) {
    Say(io.err, kMsgOutOfMemory, "out of memory");
    return kFilterTooLarge;
  }
  QuoteMarkList marks;
  if (s.hostIni != nullptr) {
    marks.SetLoader(LoadFromHostIni, const_cast<char*>(s.hostIni));
  } else {
    marks.Set(s.marks);
  }
  if (!s.utf8) return filter.ConvertStream(s.options, marks);
  Buffer in{heap.handle()};
  if (const int failed = filter.ReadAll(in)) return failed;
  return filter.ConvertUtf8(s.options, marks, in);
}

}  // namespace qv
