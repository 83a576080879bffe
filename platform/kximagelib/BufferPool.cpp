// The library's reuse of freed memory. A fresh page faults when it is first written, and on this
// kind of machine that costs far more than the work done in it: some 200 ms for the 72 MB of a
// 24-megapixel picture, natively and under Wine alike, against 4 ms for copying one. Pictures,
// file data and encoded strips of one size are made and dropped over and over (copies, turns,
// the adjustment sequence, a folder of photographs), so freed buffers are kept and handed out
// again.
#include "ImageCore.h"
#include <malloc.h>
#include <mutex>
#include <vector>

namespace kximage {
namespace {

// Rows start on cache lines, so the pixel loops' vector loads never straddle one needlessly.
const size_t ALIGNMENT = 64;
// Below this a fresh buffer costs too little to keep.
const size_t SMALLEST_KEPT = 64 << 10;
// From this size on, a buffer is a full-size picture: kept by exact size, two at a time.
const size_t LARGE = 4 << 20;

// Full-size pictures. Two are kept, so an operation that reads one full-size picture while it
// writes another (a turn of a copy, a resize into a picture of the same size) finds both buffers
// without a fault. A request of any other large size releases them first, so keeping them never
// raises the peak that request needs.
class CLargeBuffers
{
public:
    BYTE* Take(size_t size)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_count > 0 && m_size == size)
            return m_bits[--m_count];
        ReleaseAll();
        return (BYTE*)_aligned_malloc(size, ALIGNMENT);
    }

    void Give(BYTE* bits, size_t size)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_count > 0 && m_size != size)
            ReleaseAll();
        if (m_count == KEPT)
            _aligned_free(m_bits[--m_count]);
        m_bits[m_count++] = bits;
        m_size = size;
    }

private:
    void ReleaseAll()
    {
        while (m_count > 0)
            _aligned_free(m_bits[--m_count]);
    }

    static const int KEPT = 2;
    std::mutex m_lock;
    BYTE* m_bits[KEPT] = {};
    int m_count = 0;
    size_t m_size = 0;
};

// Smaller working memory: thumbnails, previews, file data, encoded strips. Kept up to a total, and
// handed out for any request they hold without being more than twice too large; the oldest go
// first when the total is reached.
class CWorkBuffers
{
public:
    BYTE* Take(size_t size, size_t* capacity)
    {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            size_t best = m_kept.size();
            for (size_t i = 0; i < m_kept.size(); ++i)
                if (m_kept[i].capacity >= size && m_kept[i].capacity / 2 <= size &&
                    (best == m_kept.size() || m_kept[i].capacity < m_kept[best].capacity))
                    best = i;
            if (best < m_kept.size()) {
                const Kept found = m_kept[best];
                m_kept.erase(m_kept.begin() + best);
                m_total -= found.capacity;
                *capacity = found.capacity;
                return found.bits;
            }
        }
        *capacity = size;
        return (BYTE*)_aligned_malloc(size ? size : 1, ALIGNMENT);
    }

    void Give(BYTE* bits, size_t capacity)
    {
        if (capacity < SMALLEST_KEPT || capacity > TOTAL / 2) {
            _aligned_free(bits);
            return;
        }
        std::lock_guard<std::mutex> lock(m_lock);
        while (!m_kept.empty() && (m_total + capacity > TOTAL || m_kept.size() == COUNT)) {
            _aligned_free(m_kept.front().bits);
            m_total -= m_kept.front().capacity;
            m_kept.erase(m_kept.begin());
        }
        m_kept.push_back(Kept{bits, capacity});
        m_total += capacity;
    }

private:
    struct Kept
    {
        BYTE* bits;
        size_t capacity;
    };
    static const size_t TOTAL = 96 << 20;
    static const size_t COUNT = 32;
    std::mutex m_lock;
    std::vector<Kept> m_kept;
    size_t m_total = 0;
};

// Never destroyed, like the worker pool: pictures may be freed during process exit.
CLargeBuffers& Large()
{
    static CLargeBuffers* large = new CLargeBuffers;
    return *large;
}

CWorkBuffers& Work()
{
    static CWorkBuffers* work = new CWorkBuffers;
    return *work;
}

} // namespace

BYTE* TakePixels(size_t size)
{
    size_t capacity;
    return size >= LARGE ? Large().Take(size) : Work().Take(size, &capacity);
}

void GivePixels(BYTE* bits, size_t size)
{
    if (!bits)
        return;
    if (size >= LARGE)
        Large().Give(bits, size);
    else
        Work().Give(bits, size);
}

CWorkBuffer::CWorkBuffer(size_t size)
{
    m_bits = Work().Take(size, &m_capacity);
}

CWorkBuffer::~CWorkBuffer()
{
    if (m_bits)
        Work().Give(m_bits, m_capacity);
}

bool CWorkBuffer::Grow(size_t size, size_t keep)
{
    if (size <= m_capacity && m_bits)
        return true;
    size_t capacity;
    BYTE* bits = Work().Take(size, &capacity);
    if (!bits)
        return false;
    if (m_bits) {
        memcpy(bits, m_bits, keep < m_capacity ? keep : m_capacity);
        Work().Give(m_bits, m_capacity);
    }
    m_bits = bits;
    m_capacity = capacity;
    return true;
}

} // namespace kximage
