// The worker threads of the picture library (built into this test from their source, as they
// are not exported): a slice that throws ends neither a worker nor the job while others still
// run it; the job reports the failure once every thread is out of it.
#include "ImageCore.h"
#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <new>
#include <thread>
#include <vector>

namespace {

using kximage::ParallelFor;

// Counts the threads inside the body, also on the way out by an exception.
struct Inside
{
    explicit Inside(std::atomic<int>& n) : m_n(n) { ++m_n; }
    ~Inside() { --m_n; }
    std::atomic<int>& m_n;
};

TEST(ThreadPool, ThrowingSlicesFailTheJobAndLeaveThePoolWorking)
{
    std::atomic<int> inside{0};
    for (int round = 0; round < 3; ++round) {
        // Every slice throws: on the calling thread and on the workers alike.
        EXPECT_FALSE(ParallelFor(1000, [&](int, int) {
            Inside in(inside);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            throw std::bad_alloc();
        })) << round;
        EXPECT_EQ(0, inside.load()) << "a thread is still in the job after it returned";
    }
    // One slice of many fails: the job fails, no slice runs twice.
    std::vector<std::atomic<int>> runs(1000);
    EXPECT_FALSE(ParallelFor(1000, [&](int begin, int end) {
        Inside in(inside);
        for (int i = begin; i < end; ++i)
            ++runs[i];
        if (begin <= 500 && 500 < end)
            throw std::bad_alloc();
    }));
    EXPECT_EQ(0, inside.load());
    for (int i = 0; i < 1000; ++i)
        EXPECT_LE(runs[i].load(), 1) << i;
    // A job of one slice runs on the calling thread alone, and fails the same way.
    EXPECT_FALSE(ParallelFor(1, [](int, int) { throw std::bad_alloc(); }));
    // Afterwards whole jobs still cover every index exactly once.
    std::vector<std::atomic<int>> counts(1000);
    EXPECT_TRUE(ParallelFor(1000, [&](int begin, int end) {
        for (int i = begin; i < end; ++i)
            ++counts[i];
    }));
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(1, counts[i].load()) << i;
    EXPECT_TRUE(ParallelFor(0, [](int, int) { throw std::bad_alloc(); })) << "nothing to do is no failure";
}

} // namespace
