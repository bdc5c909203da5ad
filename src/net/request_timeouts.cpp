#include "net/request_timeouts.h"

#include <atomic>

namespace {
std::atomic<int> g_connectMs{RequestTimeouts{}.connectMs};
std::atomic<int> g_stallMs{RequestTimeouts{}.stallMs};
std::atomic<bool> g_setByTest{false};
}  // namespace

RequestTimeouts CurrentRequestTimeouts() { return {g_connectMs.load(), g_stallMs.load(), g_setByTest.load()}; }

void SetRequestTimeouts(const RequestTimeouts& timeouts) {
  g_connectMs = timeouts.connectMs;
  g_stallMs = timeouts.stallMs;
  g_setByTest = true;
}
