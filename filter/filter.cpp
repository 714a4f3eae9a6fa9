// quorvel-filter: each input is read in pieces, its encoding decided from
// its first bytes, and each piece converted and written before the next is
// read, so that memory does not grow with the input. Pieces end after a line
// break where one is near, else where the rest of a long line cannot change
// what came before. Whole lines of Shift_JIS go through the fast loops; the
// rest through the character converter, which gives the same bytes.
#include "filter/filter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>

#include "convert/convert.h"
#include "convert/option_table.h"
#include "convert/quote_marks.h"
#include "convert/text_converter.h"
#include "context/messages.h"
#include "driver/switches.h"
#include "host/host_contract.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/owned.h"
#include "platform/text_encoding.h"

namespace qv {
namespace {

constexpr char kVersion[] = "quorvel-filter " QV_VERSION_TEXT "\n";  // the project's version, from CMake
constexpr std::string_view kEncodingOption = "--encoding=";
constexpr std::string_view kQuoteMarksOption = "--quote-marks=";
constexpr std::string_view kHostIniOption = "--host-ini=";
constexpr std::string_view kKeepOption = "--keep=";
constexpr std::string_view kStandardInput = "-";

// Bytes read before a piece is cut; a piece without a place to cut (a line
// that begins with more blanks) may grow to the whole buffer.
constexpr size_t kPiece = size_t{256} << 10;
constexpr size_t kBufferSize = size_t{2} << 20;
static_assert(kBufferSize >= kDetectAsciiLimit + kDetectWindow, "the look-ahead fits the buffer");
// The block the fast full-width loop needs for a piece, and the character
// converter's output, whichever is larger.
constexpr size_t kOutputSize = 4 * (kBufferSize + 1);

constexpr char kUsageHead[] =
    "使い方: quorvel-filter [スイッチ|オプション]... [--] [ファイル...]\n"
    "Usage:  quorvel-filter [SWITCHES|OPTIONS]... [--] [FILE...]\n"
    "\n"
    "テキストを全角/半角変換して標準出力に書きます (ファイルなし、または - は標準入力)。\n"
    "Converts text between full-width and half-width forms and writes it to standard\n"
    "output (no FILE, or -, is standard input). Shift_JIS (code page 932) or UTF-8.\n"
    "\n"
    "スイッチ / switches: /XAN, /X/A/N or /X /A /N. 大文字で有効、小文字で無効。\n"
    "Capital letter: on, small letter: off. Default: /XA (full-width to half-width, letters).\n";

constexpr char kUsageTail[] =
    "\n"
    "  --normalize            /M と /ANSPJK               /M with /ANSPJK (later switches may clear some)\n"
    "  --hiragana, --katakana /G, /C\n"
    "  --keep=CHARS           変換しない文字 (入力の文字コードで)  characters to leave alone, in the input's encoding\n"
    "  -i, --in-place         ファイルをその場で変換       convert each FILE in place\n"
    "  --encoding=auto|sjis|utf8 (--sjis, --utf8)   入出力の文字コード  text encoding\n"
    "  --quote-marks=CHARS    引用符 (入力の文字コードで)  quote marks, in the input's encoding\n"
    "  --host-ini=PATH        引用符を INI から読む        read them from section Option, key Inyouhu\n"
    "  -h, --help   -V, --version\n"
    "\n"
    "auto: BOM があるか、最初の非 ASCII バイトから 64 KiB が正しい UTF-8 なら UTF-8、\n"
    "そうでなければ Shift_JIS。ASCII だけならロケールの文字コード。\n"
    "auto: UTF-8 when the text starts with a byte-order mark or is valid UTF-8 for 64 KiB\n"
    "from its first non-ASCII byte, else Shift_JIS; ASCII alone: the locale's encoding.\n"
    "変換できない文字、不正なバイト、BOM はそのまま通ります。\n"
    "Characters it cannot convert, invalid bytes and byte-order marks pass unchanged.\n"
    "/ で始まり英字だけの引数はスイッチ。既存のファイルやフォルダ (で始まるもの) と\n"
    "紛らわしいときはエラー: ファイルなら ./ か -- を前に、スイッチなら分けて書く。\n"
    "An argument of / and letters only is switches; if it also names an existing file or\n"
    "folder (or starts with one) it is refused: write ./ or -- before a file, or the\n"
    "switches apart (/s /r /v).\n"
    "\n"
    "終了コード / exit: 0 ok, 1 読み書きの失敗 / read or write error, 2 引数の誤り / bad\n"
    "argument, 4 メモリ不足 / out of memory.\n";

// The usage: a line of each switch letter from the option table between the
// fixed parts.
std::string Usage() {
  std::string text = kUsageHead;
  for (const OptionEntry& entry : kOptionTable) {
    text.append("  ").append(1, entry.letter).append("  ").append(entry.japanese).append("\n     ");
    text.append(entry.english).append("\n");
  }
  return text + kUsageTail;
}

std::string FromCp932(const char* text) { return Cp932ToUtf8Lossy(text); }

// The run's private heap, destroyed with everything on it.
class PrivateHeap {
 public:
  PrivateHeap() : heap_(Mem().HeapCreate(win::kHeapNoSerialize, 0, 0)) {}
  uint8_t* Allocate(size_t bytes) const {
    return heap_ ? static_cast<uint8_t*>(Mem().HeapAlloc(heap_.get(), win::kHeapNoSerialize, bytes)) : nullptr;
  }

 private:
  UniqueHeap heap_;
};

enum class EncodingChoice : uint8_t { kAuto, kShiftJis, kUtf8 };

struct Settings {
  ConversionOptions options;
  EncodingChoice encoding = EncodingChoice::kAuto;
  bool help = false;
  bool version = false;
  bool inPlace = false;
  std::optional<std::string> marks;  // --quote-marks, as given
  std::optional<std::string> hostIni;
  std::optional<std::string> keep;  // --keep, as given
  std::vector<std::string> files;  // "-": standard input
};

// Whether `arg` is a slash and letters, any number of times: /XA, /x/K.
bool LooksLikeSwitches(std::string_view arg) {
  if (arg.size() < 2 || arg[0] != '/') return false;
  for (size_t i = 1; i < arg.size(); ++i) {
    const char c = arg[i];
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (!letter && !(c == '/' && arg[i - 1] != '/' && i + 1 < arg.size())) return false;
  }
  return true;
}

bool AllSwitchLetters(std::string_view arg) {
  ConversionOptions scratch;
  return std::all_of(arg.begin(), arg.end(), [&](char c) { return c == '/' || SetSwitchLetter(c, scratch, nullptr); });
}

// Whether the argument names something that exists, or begins with the name
// of something that exists (/srv of /srv/data).
bool NamesExisting(const std::string& arg) {
  if (files::KindOf(arg) != files::PathKind::kNone) return true;
  const size_t slash = arg.find('/', 1);
  return slash != std::string::npos && files::KindOf(arg.substr(0, slash)) != files::PathKind::kNone;
}

std::optional<EncodingChoice> ParseEncoding(std::string value) {
  for (char& c : value) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (value == "auto") return EncodingChoice::kAuto;
  if (value == "sjis" || value == "shift_jis" || value == "cp932") return EncodingChoice::kShiftJis;
  if (value == "utf8" || value == "utf-8") return EncodingChoice::kUtf8;
  return std::nullopt;
}

class Filter {
 public:
  Filter(const FilterStreams& io, Encoding signless) : io_(io), signless_(signless) {}

  int Run(const std::vector<std::string>& args);

 private:
  void Say(std::string_view text) const {
    std::string line = "quorvel-filter: ";
    line.append(text).append("\n");
    files::WriteText(io_.err, line);
  }
  // A bad argument, with where to read more.
  void BadArgument(std::string_view japanese, std::string_view english) {
    ++bad_;
    Say(std::string(japanese) + " (" + std::string(english) + "; 使い方/usage: quorvel-filter --help)");
  }
  void UnknownArgument(int index, const std::string& arg) {
    char message[kMessageBufferSize];
    FormatBadArgument(message, sizeof message, index, "\x01");
    std::string text = FromCp932(message);
    if (const size_t at = text.find('\x01'); at != std::string::npos) text.replace(at, 1, arg);
    BadArgument(text, "argument " + std::to_string(index) + " is not understood");
  }

  void Parse(const std::vector<std::string>& args);
  int LoadHostMarks();
  std::string MarksFor(Encoding e) const;

  // Converts `in` to `out`, or into the replacement of a file; false after
  // telling the user (result_ says how bad).
  bool ConvertInput(std::FILE* in, const std::string& name, files::Replacement* replacement);
  bool Emit(const uint8_t* data, size_t n, files::Replacement* replacement, const std::string& name);
  // Standard output failed: nothing more can be written. A reader that went
  // away ends the process quietly, as a filter's does.
  bool OutputFailed() {
    if (files::IsClosedPipe(io_.out, errno)) files::ExitForClosedPipe();
    Say("標準出力に書けませんでした (cannot write standard output: " + files::ErrorText(errno) + ")");
    outputFailed_ = true;
    return false;
  }

  const FilterStreams& io_;
  Encoding signless_;
  Settings s_;
  int bad_ = 0;
  int result_ = kFilterOk;
  std::string hostMarks_;  // code page 932, from --host-ini
  PrivateHeap heap_;
  uint8_t* buffer_ = nullptr;
  uint8_t* output_ = nullptr;
  // Of the input under way: the bytes converted so far, and whether the
  // converted text differs from them so far.
  uint64_t consumed_ = 0;
  bool changed_ = false;
  bool outputFailed_ = false;
  bool usageFailed_ = false;  // an argument that does not fit an input
};

void Filter::Parse(const std::vector<std::string>& args) {
  bool options = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const int index = static_cast<int>(i) + 1;
    if (!options || arg == kStandardInput) {
      s_.files.push_back(arg);
    } else if (arg == "--") {
      options = false;
    } else if (arg == "-h" || arg == "--help") {
      s_.help = true;
    } else if (arg == "-V" || arg == "--version") {
      s_.version = true;
    } else if (arg == "-i" || arg == "--in-place") {
      s_.inPlace = true;
    } else if (arg == "--utf8") {
      s_.encoding = EncodingChoice::kUtf8;
    } else if (arg == "--sjis") {
      s_.encoding = EncodingChoice::kShiftJis;
    } else if (arg.starts_with(kEncodingOption)) {
      if (const auto choice = ParseEncoding(arg.substr(kEncodingOption.size()))) {
        s_.encoding = *choice;
      } else {
        BadArgument("'" + arg + "': 文字コードは auto, sjis, utf8 のどれかです",
                    "the encoding is one of auto, sjis, utf8");
      }
    } else if (arg == "--normalize") {
      // The mixed direction with every class; switches after it may clear some.
      ConversionOptions& o = s_.options;
      o.Normalize = o.ProcessAlphabet = o.ProcessNumber = o.ProcessSpace = 1;
      o.ProcessPunct = o.ProcessJPPunct = o.ProcessKatakana = 1;
    } else if (arg == "--hiragana" || arg == "--katakana") {
      SetSwitchLetter(arg == "--hiragana" ? 'G' : 'C', s_.options, nullptr);
    } else if (arg.starts_with(kKeepOption)) {
      if (arg.size() == kKeepOption.size()) {
        BadArgument("--keep= に残す文字がありません", "--keep= names no characters to keep");
      }
      s_.keep = arg.substr(kKeepOption.size());
    } else if (arg.starts_with(kQuoteMarksOption)) {
      s_.marks = arg.substr(kQuoteMarksOption.size());
      s_.hostIni.reset();
    } else if (arg.starts_with(kHostIniOption) && arg.size() > kHostIniOption.size()) {
      s_.hostIni = arg.substr(kHostIniOption.size());
      s_.marks.reset();
    } else if (arg[0] == '-') {  // "-" alone was taken above
      UnknownArgument(index, arg);
    } else if (LooksLikeSwitches(arg) && NamesExisting(arg) && AllSwitchLetters(arg)) {
      BadArgument("'" + arg + "' はスイッチにもファイル名にも読めます。ファイルなら ./ か -- を前に、スイッチなら分けて書いてください",
                  "'" + arg + "' reads as switches and as a path: write ./ or -- before a file, or the switches apart");
    } else if (LooksLikeSwitches(arg) && !NamesExisting(arg)) {
      bool known = true;  // D is accepted and ignored: there is no dialog
      for (const char c : arg) known = (c == '/' || SetSwitchLetter(c, s_.options, nullptr)) && known;
      if (!known) UnknownArgument(index, arg);
    } else {
      s_.files.push_back(arg);
    }
  }
  FixUpOptions(s_.options);
  if (s_.inPlace && bad_ == 0 && !s_.help && !s_.version) {
    if (s_.files.empty() || std::find(s_.files.begin(), s_.files.end(), kStandardInput) != s_.files.end()) {
      BadArgument("-i にはファイル名が要ります (標準入力は置き換えられません)",
                  "--in-place needs file names; standard input cannot be replaced");
    }
  }
  if (s_.files.empty()) s_.files.emplace_back(kStandardInput);
}

// The quote marks of --host-ini: a file that cannot be read is a bad
// argument, a missing key gives the default marks, as the tool reads them.
int Filter::LoadHostMarks() {
  if (!s_.hostIni) return kFilterOk;
  const std::string& path = *s_.hostIni;
  std::string error;
  std::FILE* f = files::KindOf(path) == files::PathKind::kFile ? files::OpenForReading(path, error) : nullptr;
  if (f == nullptr && error.empty()) error = files::KindOf(path) == files::PathKind::kNone ? "no such file" : "not a file";
  std::string data;
  if (f != nullptr) {
    char chunk[4096];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, f)) > 0;) data.append(chunk, got);
    if (std::ferror(f)) error = files::ErrorText(errno);
    std::fclose(f);
  }
  if (!error.empty()) {
    BadArgument("--host-ini: '" + path + "' を読めませんでした", "cannot read '" + path + "': " + error);
    return kFilterUsage;
  }
  hostMarks_ = portable::IniLookup(data, host::kOptionSection, host::kQuoteMarkKey).value_or(kDefaultQuoteMarks);
  return kFilterOk;
}

std::string Filter::MarksFor(Encoding e) const {
  std::string given;
  if (s_.marks && files::ArgumentText(*s_.marks, e, given)) return given;
  if (s_.marks) return {};  // marks the encoding cannot hold match nothing
  const std::string marks = s_.hostIni ? hostMarks_ : kDefaultQuoteMarks;  // code page 932
  return e == Encoding::kShiftJis ? marks : Cp932ToUtf8Lossy(marks);
}

// Writes converted bytes (data[0, n), the conversion of the input bytes just
// before consumed_): to the output, or to the replacement once they differ
// from the file's own.
bool Filter::Emit(const uint8_t* data, size_t n, files::Replacement* replacement, const std::string& name) {
  if (replacement == nullptr) {
    if (n != 0 && std::fwrite(data, 1, n, io_.out) != n) return OutputFailed();
    return true;
  }
  std::string error;
  if (replacement->Write(data, n, error)) return true;
  Say("'" + name + "' を書き換えられませんでした。元のままです (cannot convert '" + name + "' in place, left as it was: " +
      error + ")");
  return false;
}

bool Filter::ConvertInput(std::FILE* in, const std::string& name, files::Replacement* replacement) {
  const auto readFailed = [&] {
    const std::string error = files::ErrorText(errno);
    Say(name == kStandardInput ? "標準入力を読めませんでした (cannot read standard input: " + error + ")"
                               : "'" + name + "' を読めませんでした (cannot read '" + name + "': " + error + ")");
    return false;
  };
  size_t size = 0;
  bool eof = false;
  const auto readMore = [&](size_t upTo) {
    while (!eof && size < upTo) {
      const size_t got = std::fread(buffer_ + size, 1, upTo - size, in);
      size += got;
      if (got == 0) {
        if (std::ferror(in)) return false;
        eof = true;
      }
    }
    return true;
  };

  // The encoding, from the look-ahead where it is not given.
  Encoding encoding = s_.encoding == EncodingChoice::kUtf8 ? Encoding::kUtf8 : Encoding::kShiftJis;
  if (s_.encoding == EncodingChoice::kAuto) {
    Detection detected = Detection::kUndecided;
    for (size_t want = 4096; detected == Detection::kUndecided; want = std::min(kBufferSize, want * 4)) {
      if (!readMore(want)) return readFailed();
      detected = DetectEncoding(buffer_, size, eof);
    }
    encoding = detected == Detection::kUtf8 ? Encoding::kUtf8 : detected == Detection::kNoSign ? signless_ : Encoding::kShiftJis;
  }
  const std::string marks = MarksFor(encoding);
  std::string keep;
  if ((s_.keep && !files::ArgumentText(*s_.keep, encoding, keep)) ||
      !IsWellFormed(encoding, reinterpret_cast<const uint8_t*>(keep.data()), keep.size())) {
    const char* which = encoding == Encoding::kUtf8 ? "UTF-8" : "Shift_JIS";
    BadArgument("--keep: '" + *s_.keep + "' は " + which + " の文字として読めません ('" + name + "')",
                "the characters to keep are not " + std::string(which) + " as '" + name + "' is");
    usageFailed_ = true;
    return false;
  }
  const TextConverter converter(s_.options, encoding, marks, keep);
  QuoteMarkList fastMarks;  // for the Shift_JIS loops
  fastMarks.Set(marks);
  const bool fast = encoding == Encoding::kShiftJis && FastLoopsCover(s_.options, keep);
  const bool inPlace = ConvertsInPlace(s_.options);
  const bool underbars = ReplacesSpaces(s_.options, keep);

  LinePosition at = LinePosition::kLineStart;
  consumed_ = 0;
  changed_ = false;
  for (;;) {
    if (!readMore(std::max(size, kPiece))) return readFailed();
    if (eof && size == 0) return true;
    size_t n = eof ? size : SafeCut(encoding, buffer_, size, at);
    if (n == 0) {
      // No place to cut yet: more of the line, or, with the buffer full, a
      // cut that no longer waits for the line's first character.
      if (size < kBufferSize) {
        if (!readMore(std::min(kBufferSize, size + kPiece))) return readFailed();
        continue;
      }
      n = SafeCut(encoding, buffer_, size, at, true);
      if (n == 0) n = size;
    }
    size_t produced;
    const uint8_t last = buffer_[n - 1];
    if (fast && at == LinePosition::kLineStart && (n == size || last == '\n' || last == '\r' || last == 0)) {
      // Whole lines (or texts): the fast loops, on a NUL-terminated copy.
      std::memcpy(output_, buffer_, n);
      output_[n] = 0;
      auto* text = reinterpret_cast<char*>(output_);
      if (inPlace) {
        ConvertTextsToHalf(s_.options, fastMarks, text, n, &produced);
      } else {
        ConvertTextsToFullInBlock(s_.options, fastMarks, text, n, &produced);
      }
    } else {
      produced = converter.Convert(buffer_, n, output_, at);
    }
    if (underbars) ReplaceSpacesWithUnderbars(reinterpret_cast<char*>(output_), produced);

    if (replacement != nullptr && !changed_ &&
        (produced != n || std::memcmp(output_, buffer_, n) != 0)) {
      // The first change: from here on the file is written anew.
      std::string error;
      if (!replacement->Start(consumed_, error)) {
        Say("'" + name + "' の一時ファイルを作れませんでした。元のままです (cannot make a temporary file for '" + name +
            "', left as it was: " + error + ")");
        return false;
      }
      changed_ = true;
    }
    if ((replacement == nullptr || changed_) && !Emit(output_, produced, replacement, name)) return false;
    consumed_ += n;
    std::memmove(buffer_, buffer_ + n, size - n);
    size -= n;
  }
}

int Filter::Run(const std::vector<std::string>& args) {
  Parse(args);
  if (bad_ != 0) return kFilterUsage;
  if (s_.help || s_.version) {
    return files::WriteText(io_.out, s_.help ? Usage() : std::string(kVersion)) || OutputFailed() ? kFilterOk
                                                                                        : kFilterFailed;
  }
  if (const int failed = LoadHostMarks()) return failed;
  buffer_ = heap_.Allocate(kBufferSize);
  output_ = heap_.Allocate(kOutputSize);
  if (buffer_ == nullptr || output_ == nullptr) {
    Say(FromCp932(kMsgOutOfMemory) + " (out of memory)");
    return kFilterOutOfMemory;
  }
  for (const std::string& name : s_.files) {
    if (s_.inPlace) {
      files::Replacement replacement(name);
      std::string error;
      std::FILE* in = replacement.Open(error);
      if (in == nullptr) {
        Say("'" + name + "' を開けませんでした (cannot open '" + name + "': " + error + ")");
        result_ = kFilterFailed;
        continue;
      }
      if (!ConvertInput(in, name, &replacement)) {
        result_ = kFilterFailed;
        continue;
      }
      if (changed_ && !replacement.Commit(error)) {
        Say("'" + name + "' を置き換えられませんでした。元のままです (cannot replace '" + name + "', left as it was: " +
            error + ")");
        result_ = kFilterFailed;
      }
      continue;
    }
    if (name == kStandardInput) {
      if (!ConvertInput(io_.in, name, nullptr)) result_ = kFilterFailed;
    } else {
      std::string error;
      std::FILE* in = files::OpenForReading(name, error);
      if (in == nullptr) {
        Say("'" + name + "' を開けませんでした (cannot open '" + name + "': " + error + ")");
        result_ = kFilterFailed;
        continue;
      }
      if (!ConvertInput(in, name, nullptr)) result_ = kFilterFailed;
      std::fclose(in);
    }
    if (outputFailed_ || (std::fflush(io_.out) != 0 && !OutputFailed())) return kFilterFailed;
  }
  return usageFailed_ ? kFilterUsage : result_;
}

}  // namespace

int RunFilter(const std::vector<std::string>& args, const FilterStreams& io, Encoding signless) {
  Filter filter(io, signless);
  return filter.Run(args);
}

}  // namespace qv
