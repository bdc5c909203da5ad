#include "app/job_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "app/job_thread.h"

namespace {

using namespace std::chrono_literals;

// Job routines take no arguments, so what they see goes through globals.
struct Recorder {
  std::mutex mutex;
  std::vector<int> order;
  std::atomic<int> active{0};
  std::atomic<int> maxActive{0};
  std::atomic<int> finished{0};

  void Reset() {
    std::lock_guard lock(mutex);
    order.clear();
    active = 0;
    maxActive = 0;
    finished = 0;
  }
  void Run(int id) {
    int now = ++active;
    int seen = maxActive.load();
    while (now > seen && !maxActive.compare_exchange_weak(seen, now)) {
    }
    {
      std::lock_guard lock(mutex);
      order.push_back(id);
    }
    std::this_thread::sleep_for(1ms);  // long enough for an overlapping job to show
    --active;
    ++finished;
  }
};

Recorder g_recorder;
std::atomic<bool> g_release{false};
std::atomic<bool> g_entered{false};

void JobA() { g_recorder.Run(0); }
void JobB() { g_recorder.Run(1); }
void JobC() { g_recorder.Run(2); }
void BlockingJob() {
  g_entered = true;
  while (!g_release) std::this_thread::sleep_for(1ms);
  g_recorder.Run(9);
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

class JobGateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_recorder.Reset();
    g_release = false;
    g_entered = false;
  }
};

TEST_F(JobGateTest, RunsInTicketOrderWhateverOrderTheThreadsStart) {
  JobGate gate;
  JobRoutine jobs[] = {JobA, JobB, JobC};
  uint64_t tickets[3];
  for (int i = 0; i < 3; ++i) tickets[i] = gate.TakeTicket();
  std::vector<std::thread> threads;
  for (int i = 2; i >= 0; --i) {
    threads.emplace_back([&, i] { EXPECT_TRUE(gate.RunInTurn(tickets[i], jobs[i])); });
    std::this_thread::sleep_for(5ms);
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(g_recorder.order, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(g_recorder.maxActive, 1);
}

TEST_F(JobGateTest, AbandonedTicketsDoNotHoldUpTheLine) {
  JobGate gate;
  uint64_t first = gate.TakeTicket();
  uint64_t second = gate.TakeTicket();
  uint64_t third = gate.TakeTicket();
  uint64_t fourth = gate.TakeTicket();
  gate.Abandon(first);  // its turn now
  gate.Abandon(third);  // still waiting in line
  std::thread runSecond([&] { gate.RunInTurn(second, JobA); });
  std::thread runFourth([&] { gate.RunInTurn(fourth, JobB); });
  runSecond.join();
  runFourth.join();
  EXPECT_EQ(g_recorder.order, (std::vector<int>{0, 1}));
}

TEST_F(JobGateTest, CloseWaitsForNoJobAndStopsTheLine) {
  JobGate gate;
  uint64_t running = gate.TakeTicket();
  uint64_t queued = gate.TakeTicket();
  std::atomic<bool> queuedResult{true};
  std::thread blocker([&] { gate.RunInTurn(running, BlockingJob); });
  std::thread waiter([&] { queuedResult = gate.RunInTurn(queued, JobA); });
  ASSERT_TRUE(WaitFor([] { return g_entered.load(); }));

  // A running job keeps the gate open, and the answer comes at once.
  EXPECT_FALSE(gate.CloseIfIdle());

  g_release = true;
  ASSERT_TRUE(WaitFor([] { return g_recorder.finished >= 1; }));
  // The queued job may or may not have run by now; wait until the gate is idle and closes.
  ASSERT_TRUE(WaitFor([&] { return gate.CloseIfIdle(); }));
  blocker.join();
  waiter.join();
  uint64_t late = gate.TakeTicket();
  EXPECT_FALSE(gate.RunInTurn(late, JobC)) << "no job runs after the gate closed";
  for (int id : g_recorder.order) EXPECT_NE(id, 2);
}

TEST_F(JobGateTest, ManyQuickStartsRunOneAfterAnotherInPressOrder) {
  JobGate gate;
  JobRoutine jobs[] = {JobA, JobB, JobC};
  std::vector<int> pressed;
  for (int i = 0; i < 60; ++i) {
    StartJobThread(jobs[i % 3], gate);
    pressed.push_back(i % 3);
  }
  ASSERT_TRUE(WaitFor([] { return g_recorder.finished == 60; }));
  EXPECT_EQ(g_recorder.maxActive, 1);
  std::lock_guard lock(g_recorder.mutex);
  EXPECT_EQ(g_recorder.order, pressed);
}

TEST_F(JobGateTest, StartReturnsBeforeTheJobEnds) {
  JobGate gate;
  StartJobThread(BlockingJob, gate);
  // The caller (the UI thread) is back while the job still waits.
  ASSERT_TRUE(WaitFor([] { return g_entered.load(); }));
  EXPECT_EQ(g_recorder.finished, 0);
  g_release = true;
  ASSERT_TRUE(WaitFor([] { return g_recorder.finished == 1; }));
}

}  // namespace
