// The picture library's jobs as the control libraries reach them, through the exported form: a
// caller that went on after a failed job would hand out a half-made result as a whole one.
#include <Parallel.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <atomic>
#include <chrono>
#include <new>
#include <thread>
#include <vector>

namespace {

TEST(ParallelJobs, AThrowingSliceFailsTheJobOnly)
{
    EXPECT_FALSE(KxParallelFor(64, [](int begin, int) {
        if (begin == 0)
            throw std::bad_alloc();
    }));
    // Inside a slice a job runs inline on that thread and reports on its own; the outer job
    // whose slices all ended is whole.
    std::atomic<int> innerFailures{0};
    EXPECT_TRUE(KxParallelFor(8, [&](int, int) {
        if (!KxParallelFor(4, [](int, int) { throw std::bad_alloc(); }))
            ++innerFailures;
    }));
    EXPECT_GT(innerFailures.load(), 0);
    // And the pool works on afterwards, every index once.
    std::atomic<int> covered{0};
    EXPECT_TRUE(KxParallelFor(1000, [&](int begin, int end) { covered += end - begin; }));
    EXPECT_EQ(1000, covered.load());
}

// A job that has to be whole: the slices that failed on the workers (and those skipped after)
// are run again on the calling thread, each index once in the end.
TEST(ParallelJobs, AWholeJobFinishesWhatFailedOnTheCallingThread)
{
    if (KxWorkerCount() < 2)
        GTEST_SKIP() << "one thread: every job runs on the calling thread from the start";
    const int count = 1000;
    std::vector<int> runs(count, 0);
    std::atomic<int> started{0};
    // The first slice to start throws before it writes anything, wherever it runs.
    EXPECT_TRUE(KxParallelForAll(count, [&](int begin, int end) {
        if (started.fetch_add(1) == 0)
            throw std::bad_alloc();
        for (int i = begin; i < end; ++i)
            ++runs[i];
    }));
    EXPECT_EQ(std::vector<int>(count, 1), runs) << "every index written once";
    // A slice that fails on the calling thread too fails the job, and the pool works on.
    EXPECT_FALSE(KxParallelForAll(64, [](int begin, int end) {
        if (begin <= 10 && 10 < end)
            throw std::bad_alloc();
    }));
    std::atomic<int> covered{0};
    EXPECT_TRUE(KxParallelForAll(count, [&](int begin, int end) { covered += end - begin; }));
    EXPECT_EQ(count, covered.load());
}

// Jobs one after another with pauses between them shorter and longer than the time the threads
// wait awake for the next one: each job is whole, and the workers keep taking part, whether they
// were still awake or had gone to sleep (a lost wake-up would leave the calling thread alone).
TEST(ParallelJobs, BurstsAndPausesKeepTheWorkersInTheJobs)
{
    if (KxWorkerCount() < 2)
        GTEST_SKIP() << "one thread: every job runs on the calling thread from the start";
    const DWORD caller = GetCurrentThreadId();
    const int pausesUs[] = {0, 50, 2000, 0, 20000};
    int helped[5] = {};
    for (int round = 0; round < 40; ++round)
        for (int p = 0; p < 5; ++p) {
            if (pausesUs[p])
                std::this_thread::sleep_for(std::chrono::microseconds(pausesUs[p]));
            const int count = 64;
            std::vector<int> runs(count, 0);
            std::atomic<bool> elsewhere{false};
            ASSERT_TRUE(KxParallelForAll(count, [&](int begin, int end) {
                if (GetCurrentThreadId() != caller)
                    elsewhere = true;
                // Long enough that a woken worker arrives before the calling thread is through.
                Sleep(1);
                for (int i = begin; i < end; ++i)
                    ++runs[i];
            }));
            ASSERT_EQ(std::vector<int>(count, 1), runs) << "round " << round << ", pause " << pausesUs[p];
            helped[p] += elsewhere ? 1 : 0;
        }
    for (int p = 0; p < 5; ++p)
        EXPECT_GT(helped[p], 0) << "no worker took part in any job after a pause of " << pausesUs[p] << " us";
}

} // namespace
