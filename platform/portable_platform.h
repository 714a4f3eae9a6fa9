// Hooks of the portable stand-in that a portable program's entry needs.
#pragma once

namespace qv::portable {

// The stand-in has no process command line of its own: the entry hands in
// its arguments, joined so that the tool's splitting rules give them back.
void SetCommandLine(int argc, const char* const* argv);

}  // namespace qv::portable
