// The library's worker threads and the CPU level of the pixel loops.
#include "ImageCore.h"
#include "Parallel.h"
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace kximage {
namespace {

// Set on a thread while it runs slices of a job: a ParallelFor from there runs inline, since
// the pool is busy with the very job that asked.
thread_local bool t_inSlice = false;

class CWorkerPool
{
public:
    CWorkerPool()
    {
        unsigned n = std::max(1u, std::thread::hardware_concurrency());
        m_workers = (int)n - 1;   // the calling thread works too
        for (int i = 0; i < m_workers; ++i)
            std::thread([this] { WorkerLoop(); }).detach();
    }

    int ThreadCount() const { return m_workers + 1; }

    // False when a slice threw. Either way every thread is out of the job when it returns, so
    // the caller may free what the body uses.
    bool Run(int count, const std::function<void(int, int)>& body)
    {
        std::lock_guard<std::mutex> oneJobAtATime(m_runLock);
        // A few slices a thread, so a slow slice does not leave the others idle.
        int slices = std::min(count, ThreadCount() * 4);
        m_body = &body;
        m_count = count;
        m_slices = slices;
        m_failed.store(false);
        m_nextSlice.store(0);
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_pendingWorkers = m_workers;
            ++m_generation;
        }
        m_wake.notify_all();
        RunSlices();
        std::unique_lock<std::mutex> lock(m_lock);
        m_done.wait(lock, [this] { return m_pendingWorkers == 0; });
        m_body = nullptr;
        return !m_failed.load();
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
            int begin = (int)((long long)m_count * s / m_slices);
            int end = (int)((long long)m_count * (s + 1) / m_slices);
            if (begin >= end)
                continue;
            // An exception must neither end a worker nor leave this thread while the others
            // still run the body: it becomes the job's result.
            try {
                (*m_body)(begin, end);
            } catch (...) {
                m_failed.store(true);
            }
        }
    }

    void WorkerLoop()
    {
        unsigned seen = 0;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(m_lock);
                m_wake.wait(lock, [&] { return m_generation != seen; });
                seen = m_generation;
            }
            RunSlices();
            std::lock_guard<std::mutex> lock(m_lock);
            if (--m_pendingWorkers == 0)
                m_done.notify_all();
        }
    }

    int m_workers = 0;
    std::mutex m_runLock;
    std::mutex m_lock;
    std::condition_variable m_wake, m_done;
    unsigned m_generation = 0;
    int m_pendingWorkers = 0;
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
    return Pool().ThreadCount();
}

bool ParallelFor(int count, const std::function<void(int, int)>& body)
{
    if (count <= 0)
        return true;
    CWorkerPool* pool = &Pool();
    if (count == 1 || pool->ThreadCount() == 1 || t_inSlice) {
        try {
            body(0, count);
        } catch (...) {
            return false;
        }
        return true;
    }
    return pool->Run(count, body);
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

int KxWorkerCount()
{
    return kximage::WorkerCount();
}
