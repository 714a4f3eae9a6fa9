#include "platform/platform.h"

namespace qv {
namespace {
Platform* g_override = nullptr;
}

Platform& Os() { return g_override != nullptr ? *g_override : NativePlatform(); }

void SetPlatformForTesting(Platform* platform) { g_override = platform; }

}  // namespace qv
