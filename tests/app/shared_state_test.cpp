#include "app/shared_state.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/job_gate.h"

namespace {

using namespace std::chrono_literals;

std::atomic<bool> g_inJob{false};
std::atomic<bool> g_letGo{false};

void JobUsingState() {
  Shared().g_searchHtml = "page";
  g_inJob = true;
  while (!g_letGo) std::this_thread::sleep_for(1ms);
  Shared().g_finalLink = Shared().g_searchHtml;  // still there: not freed under the job
  g_inJob = false;
}

TEST(SharedStateTest, StartsEmptyAndIsFreedOnlyWhenNoJobRuns) {
  InitSharedState();
  SharedState& state = Shared();
  EXPECT_TRUE(state.g_searchHtml.empty());
  EXPECT_TRUE(state.g_pageCount.empty());
  EXPECT_TRUE(state.g_titles.empty());
  EXPECT_TRUE(state.g_sharers.empty());
  EXPECT_TRUE(state.g_dates.empty());
  EXPECT_EQ(state.g_prefixLength, 0);
  EXPECT_TRUE(state.g_finalLink.empty());

  JobGate gate;
  uint64_t ticket = gate.TakeTicket();
  std::thread job([&] { gate.RunInTurn(ticket, JobUsingState); });
  while (!g_inJob) std::this_thread::sleep_for(1ms);

  EXPECT_FALSE(FreeSharedStateWhenIdle(gate)) << "must not free what a running job uses";
  g_letGo = true;
  job.join();
  EXPECT_EQ(Shared().g_finalLink, "page");
  EXPECT_TRUE(FreeSharedStateWhenIdle(gate));
}

}  // namespace
