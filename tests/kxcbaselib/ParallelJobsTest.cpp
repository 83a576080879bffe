// The picture library's jobs as the control libraries reach them, through the exported form: a
// caller that went on after a failed job would hand out a half-made result as a whole one.
#include <Parallel.h>
#include <gtest/gtest.h>
#include <atomic>
#include <new>

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

} // namespace
