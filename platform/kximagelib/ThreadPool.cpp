// The library's worker threads and the CPU level of the pixel loops.
#include "ImageCore.h"
#include "Parallel.h"
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <immintrin.h>
#include <mutex>
#include <thread>
#include <vector>

namespace kximage {
namespace {

// Set on a thread while it runs slices of a job: a ParallelFor from there runs inline, since
// the pool is busy with the very job that asked.
thread_local bool t_inSlice = false;

// How long a worker spins after a job for the next one before it sleeps: the jobs of one step of
// the caller follow each other closely, and a sleeping worker's wake-up can take longer than a
// small job. Bounded, so an idle pool soon costs nothing. (The calling thread does not spin for
// the workers still in its job: on a busy machine it would take the core a preempted one needs.)
const std::chrono::microseconds kSpinFor(300);

// Spins until done() or kSpinFor has passed; true when done().
template <class Done>
bool SpinUntil(Done done)
{
    const auto until = std::chrono::steady_clock::now() + kSpinFor;
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (done())
                return true;
            _mm_pause();
        }
        if (std::chrono::steady_clock::now() >= until)
            return done();
    }
}

class CWorkerPool
{
public:
    CWorkerPool()
    {
        const unsigned n = std::max(1u, std::thread::hardware_concurrency());
        m_sliceDone.assign(n * kSlicesAThread, 0);
        // The calling thread works too. A worker that cannot be started (the process is out of
        // threads or memory) is done without: the pool runs with those that started.
        for (unsigned i = 0; i + 1 < n; ++i) {
            try {
                std::thread([this] { WorkerLoop(); }).detach();
            } catch (...) {
                break;
            }
            ++m_workers;
        }
    }

    int ThreadCount() const { return m_workers + 1; }

    // False when a slice threw. Either way every thread is out of the job when it returns, so
    // the caller may free what the body uses. With bRetry the slices that did not run to their
    // end are run once more on the calling thread first, and only a second failure is reported.
    bool Run(int count, const std::function<void(int, int)>& body, bool bRetry)
    {
        std::lock_guard<std::mutex> oneJobAtATime(m_runLock);
        // A few slices a thread, so a slow slice does not leave the others idle.
        int slices = std::min(count, ThreadCount() * kSlicesAThread);
        std::fill(m_sliceDone.begin(), m_sliceDone.begin() + slices, 0);
        m_body = &body;
        m_count = count;
        m_slices = slices;
        m_failed.store(false);
        m_nextSlice.store(0);
        int sleepers;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_open = true;
            m_generation.store(m_generation.load() + 1);
            sleepers = m_sleepers;
        }
        // Workers still spinning from the last job see the new one without being woken.
        if (sleepers)
            m_wake.notify_all();
        RunSlices();
        // Closed to workers that have not joined yet: this thread waits only for those running
        // slices, not for one the system has not scheduled since it was woken (on a busy machine
        // that wait is a whole time slice, far longer than a small job).
        std::unique_lock<std::mutex> lock(m_lock);
        m_open = false;
        if (m_activeWorkers != 0) {
            m_callerWaiting = true;
            m_done.wait(lock, [this] { return m_activeWorkers == 0; });
            m_callerWaiting = false;
        }
        lock.unlock();
        bool ok = !m_failed.load();
        if (!ok && bRetry)
            ok = RetryUnfinished();
        m_body = nullptr;
        return ok;
    }

private:
    void RunSlices()
    {
        const bool outer = t_inSlice;
        t_inSlice = true;
        struct Restore { bool v; ~Restore() { t_inSlice = v; } } restore{outer};
        for (;;) {
            int s = m_nextSlice.fetch_add(1);
            if (s >= m_slices)
                return;
            // Once a slice has failed the result is lost anyway; the rest are only counted off.
            if (m_failed.load(std::memory_order_relaxed))
                continue;
            int begin = SliceBegin(s), end = SliceBegin(s + 1);
            if (begin >= end) {
                m_sliceDone[s] = 1;
                continue;
            }
            // An exception must neither end a worker nor leave this thread while the others
            // still run the body: it becomes the job's result.
            try {
                (*m_body)(begin, end);
                m_sliceDone[s] = 1;
            } catch (...) {
                m_failed.store(true);
            }
        }
    }

    int SliceBegin(int s) const { return (int)((long long)m_count * s / m_slices); }

    // The slices that threw or were skipped, one after another on the calling thread, which now
    // has the job to itself; a job the body starts from here runs inline, as from any slice.
    bool RetryUnfinished()
    {
        const bool outer = t_inSlice;
        t_inSlice = true;
        struct Restore { bool v; ~Restore() { t_inSlice = v; } } restore{outer};
        for (int s = 0; s < m_slices; ++s) {
            if (m_sliceDone[s])
                continue;
            try {
                (*m_body)(SliceBegin(s), SliceBegin(s + 1));
            } catch (...) {
                return false;
            }
        }
        return true;
    }

    void WorkerLoop()
    {
        unsigned seen = 0;
        for (;;) {
            SpinUntil([&] { return m_generation.load() != seen; });
            {
                std::unique_lock<std::mutex> lock(m_lock);
                if (m_generation.load() == seen) {
                    ++m_sleepers;
                    m_wake.wait(lock, [&] { return m_generation.load() != seen; });
                    --m_sleepers;
                }
                seen = m_generation.load();
                if (!m_open)
                    continue;   // woken too late: the job was finished without this thread
                ++m_activeWorkers;
            }
            RunSlices();
            std::lock_guard<std::mutex> lock(m_lock);
            if (--m_activeWorkers == 0 && m_callerWaiting)
                m_done.notify_all();
        }
    }

    static const int kSlicesAThread = 4;
    int m_workers = 0;
    std::vector<char> m_sliceDone;   // slice s ran to its end; each written by the thread that ran it
    std::mutex m_runLock;
    std::mutex m_lock;
    std::condition_variable m_wake, m_done;
    // Written under m_lock; atomic so that a spinning thread may read it without. The rest are
    // read and written under m_lock only.
    std::atomic<unsigned> m_generation{0};
    bool m_open = false;             // workers may still join the current job
    int m_activeWorkers = 0;         // workers in the current job's slices
    int m_sleepers = 0;              // workers asleep on m_wake
    bool m_callerWaiting = false;    // the calling thread is asleep on m_done
    const std::function<void(int, int)>* m_body = nullptr;
    int m_count = 0, m_slices = 0;
    std::atomic<int> m_nextSlice{0};
    std::atomic<bool> m_failed{false};
};

// Never destroyed: the workers are detached and end with the process, so nothing has to be
// joined while the loader lock is held at unload.
CWorkerPool& Pool()
{
    static CWorkerPool* pool = new CWorkerPool;
    return *pool;
}

} // namespace

int WorkerCount()
{
    try {
        return Pool().ThreadCount();
    } catch (...) {
        return 1;
    }
}

namespace {

bool RunJob(int count, const std::function<void(int, int)>& body, bool bRetry)
{
    if (count <= 0)
        return true;
    // Without a pool (it could not even be made) the job runs here, as a job of one slice does.
    CWorkerPool* pool = nullptr;
    try {
        pool = &Pool();
    } catch (...) {
    }
    if (!pool || count == 1 || pool->ThreadCount() == 1 || t_inSlice) {
        try {
            body(0, count);
        } catch (...) {
            return false;
        }
        return true;
    }
    return pool->Run(count, body, bRetry);
}

} // namespace

bool ParallelFor(int count, const std::function<void(int, int)>& body)
{
    return RunJob(count, body, false);
}

CpuLevel GetCpuLevel()
{
    static const CpuLevel level = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx2"))
            return CPU_AVX2;
        if (__builtin_cpu_supports("sse4.1"))
            return CPU_SSE41;
        return CPU_GENERIC;
    }();
    return level;
}

} // namespace kximage

bool KxParallelFor(int count, const std::function<void(int, int)>& body)
{
    return kximage::ParallelFor(count, body);
}

bool KxParallelForAll(int count, const std::function<void(int, int)>& body)
{
    return kximage::RunJob(count, body, true);
}

int KxWorkerCount()
{
    return kximage::WorkerCount();
}

bool KxCpuHasAvx2()
{
    return kximage::GetCpuLevel() == kximage::CPU_AVX2;
}
