// The filter's files on POSIX systems.
#include <fcntl.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"

namespace qv::files {
namespace {

// The temporary file of the replacement under way, for the signal handler:
// a signal that ends the process must not leave it behind.
char g_temp[PATH_MAX + 32];
volatile sig_atomic_t g_tempSet = 0;
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void RemoveTempAndDie(int sig) {
  if (g_tempSet != 0) unlink(g_temp);
  std::signal(sig, SIG_DFL);
  raise(sig);
}

void InstallCleanup() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (const int sig : kCleanupSignals) {
    struct sigaction old = {};
    // A signal the caller chose to ignore (nohup) stays ignored.
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    struct sigaction action = {};
    action.sa_handler = RemoveTempAndDie;
    sigemptyset(&action.sa_mask);
    sigaction(sig, &action, nullptr);
  }
}

// Blocks the cleanup signals while the temporary file and its record change.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (const int sig : kCleanupSignals) sigaddset(&set, sig);
    sigprocmask(SIG_BLOCK, &set, &old_);
  }
  ~SignalsHeld() { sigprocmask(SIG_SETMASK, &old_, nullptr); }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t old_;
};

// A file descriptor, closed when it goes.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { Reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes it; false when the close reports a failure (a delayed write error).
  bool Reset(int fd = -1) {
    const bool ok = fd_ < 0 || close(fd_) == 0;
    fd_ = fd;
    return ok;
  }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const char* data, size_t n) {
  while (n > 0) {
    const ssize_t wrote = write(fd, data, n);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    data += wrote;
    n -= static_cast<size_t>(wrote);
  }
  return true;
}

std::string Folder(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

bool ArgumentText(const std::string& argument, Encoding, std::string& text) {
  text = argument;
  return true;
}

Encoding LocaleEncoding() {
  const char* previous = std::setlocale(LC_CTYPE, nullptr);
  const std::string saved = previous != nullptr ? previous : "C";
  std::setlocale(LC_CTYPE, "");
  const std::string codeset = nl_langinfo(CODESET);
  std::setlocale(LC_CTYPE, saved.c_str());
  return codeset == "UTF-8" || codeset == "utf8" ? Encoding::kUtf8 : Encoding::kShiftJis;
}

PathKind KindOf(const std::string& path) {
  struct stat st = {};
  if (stat(path.c_str(), &st) == 0) {
    return S_ISREG(st.st_mode) ? PathKind::kFile : S_ISDIR(st.st_mode) ? PathKind::kDirectory : PathKind::kOther;
  }
  const int error = errno;
  if (lstat(path.c_str(), &st) == 0) return PathKind::kOther;  // a link that leads nowhere
  return error == ENOENT || error == ENOTDIR ? PathKind::kNone : PathKind::kOther;
}

std::FILE* OpenForReading(const std::string& path, std::string& error) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    error = ErrorText(errno);
    return nullptr;
  }
  struct stat st = {};
  if (fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
    std::fclose(f);
    error = ErrorText(EISDIR);
    return nullptr;
  }
  return f;
}

std::string ErrorText(int errnum) { return std::strerror(errnum); }

bool WriteText(std::FILE* stream, std::string_view utf8) {
  return std::fwrite(utf8.data(), 1, utf8.size(), stream) == utf8.size() && std::fflush(stream) == 0;
}

bool IsClosedPipe(std::FILE*, int errnum) { return errnum == EPIPE; }

void ExitForClosedPipe() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGPIPE);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  std::signal(SIGPIPE, SIG_DFL);
  raise(SIGPIPE);
  std::_Exit(1);
}

struct Replacement::State {
  std::string target;  // the path with every link resolved
  std::FILE* input = nullptr;
  struct stat original = {};
  std::string temp;
  Descriptor tempFd;
  bool committed = false;

  ~State() {
    if (input != nullptr) std::fclose(input);
    if (!temp.empty() && !committed) {
      const SignalsHeld held;
      g_tempSet = 0;
      tempFd.Reset();
      unlink(temp.c_str());
    }
  }
};

Replacement::Replacement(std::string path) : path_(std::move(path)), state_(std::make_unique<State>()) {}
Replacement::~Replacement() = default;

std::FILE* Replacement::Open(std::string& error) {
  State& s = *state_;
  char* resolved = realpath(path_.c_str(), nullptr);
  if (resolved == nullptr) {
    error = ErrorText(errno);
    return nullptr;
  }
  s.target = resolved;
  std::free(resolved);
  Descriptor fd(open(s.target.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0 || fstat(fd.get(), &s.original) != 0) {
    error = ErrorText(errno);
    return nullptr;
  }
  if (!S_ISREG(s.original.st_mode)) {
    error = "not a regular file";
    return nullptr;
  }
  s.input = fdopen(fd.get(), "rb");
  if (s.input == nullptr) {
    error = ErrorText(errno);
    return nullptr;
  }
  fd.Release();
  return s.input;
}

bool Replacement::Start(uint64_t unchanged, std::string& error) {
  State& s = *state_;
  const size_t slash = s.target.rfind('/');
  std::string name = s.target.substr(0, slash + 1) + "." + s.target.substr(slash + 1) + ".XXXXXX";
  InstallCleanup();
  {
    const SignalsHeld held;
    // Exclusive: never a name that someone else placed there.
    const int fd = name.size() < sizeof g_temp ? mkostemp(name.data(), O_CLOEXEC) : (errno = ENAMETOOLONG, -1);
    if (fd < 0) {
      error = ErrorText(errno);
      return false;
    }
    s.tempFd.Reset(fd);
    s.temp = name;
    std::memcpy(g_temp, name.c_str(), name.size() + 1);
    g_tempSet = 1;
  }
  // The file's mode and, where allowed, its owner.
  if (fchmod(s.tempFd.get(), s.original.st_mode & 07777) != 0) {
    error = ErrorText(errno);
    return false;
  }
  if (fchown(s.tempFd.get(), s.original.st_uid, s.original.st_gid) != 0) {
    // Not allowed to give it away: at least no set-id bits for a new owner.
    fchmod(s.tempFd.get(), s.original.st_mode & 0777);
  }
  char chunk[1 << 16];
  for (uint64_t at = 0; at < unchanged;) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(sizeof chunk, unchanged - at));
    const ssize_t got = pread(fileno(s.input), chunk, want, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      error = got == 0 ? "the file became shorter while it was read" : ErrorText(errno);
      return false;
    }
    if (!Write(chunk, static_cast<size_t>(got), error)) return false;
    at += static_cast<uint64_t>(got);
  }
  return true;
}

bool Replacement::Write(const void* data, size_t n, std::string& error) {
  if (!WriteAll(state_->tempFd.get(), static_cast<const char*>(data), n)) {
    error = ErrorText(errno);
    return false;
  }
  return true;
}

bool Replacement::Commit(std::string& error) {
  State& s = *state_;
  if (fsync(s.tempFd.get()) != 0 || !s.tempFd.Reset()) {
    error = ErrorText(errno);
    return false;
  }
  {
    const SignalsHeld held;
    if (rename(s.temp.c_str(), s.target.c_str()) != 0) {
      error = ErrorText(errno);
      return false;
    }
    s.committed = true;
    g_tempSet = 0;
  }
  // The rename itself on disk too.
  const Descriptor folder(open(Folder(s.target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) fsync(folder.get());
  return true;
}

}  // namespace qv::files
