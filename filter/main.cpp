// quorvel-filter: files or standard input to standard output, or in place.
#include <csignal>
#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "filter/filter.h"
#include "platform/files.h"

int main(int argc, char** argv) {
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);  // a file size limit is a failed write with a message, as a full disk
#endif
  return qv::RunFilter(qv::files::ProgramArguments(argc, argv), {stdin, stdout, stderr}, qv::files::LocaleEncoding());
}
