// Process entry of the tool: one run, then the process ends with its result.
#include "driver/run.h"
#include "platform/platform.h"
#ifndef _WIN32
#include "platform/portable_platform.h"
#endif

int main(int argc, char** argv) {
#ifndef _WIN32
  qv::portable::SetCommandLine(argc, argv);
#else
  (void)argc;
  (void)argv;
#endif
  qv::Sys().ExitProcess(qv::Run(qv::Sys().GetModuleHandleA(nullptr)));
}
