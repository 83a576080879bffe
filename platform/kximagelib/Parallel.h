// The picture library's worker threads and CPU level, for the pixel loops of the libraries above it.
#pragma once
#include "kximagelib.h"
#include <functional>

// Runs body(begin, end) over consecutive slices of [0, count) on the library's worker threads and
// the calling thread, and returns when every thread is out of the job. One job runs at a time: a
// call made from inside a slice runs its whole range on that thread instead of waiting for the
// busy pool. true when every slice ran to its end; false when a slice threw (std::bad_alloc of a
// scratch buffer, say): the exception is caught, the slices not yet started are skipped, and what
// the job was to produce is incomplete, so the caller reports its own failure.
KXIMAGE_API bool KxParallelFor(int count, const std::function<void(int begin, int end)>& body);

// The same for a job that has to be done whole: the slices that did not run to their end on the
// worker threads (one threw, and those not yet started were skipped) are run once more, one after
// another, on the calling thread. So a slice must leave nothing half-done when it throws: it takes
// its scratch memory before it changes anything, and what it adds to shared totals it adds last.
// false only when a slice failed on the calling thread as well (or the job ran there from the
// start and failed): what the job was to produce is then incomplete. A body that takes no memory
// and cannot throw always completes.
KXIMAGE_API bool KxParallelForAll(int count, const std::function<void(int begin, int end)>& body);

// The threads KxParallelFor spreads work over, the calling thread included.
KXIMAGE_API int KxWorkerCount();

// Whether this CPU (and the system) runs AVX2 code: the pixel loops of the libraries above pick
// their kernels by it, as the picture library's own do. The libraries are built for any x86-64.
KXIMAGE_API bool KxCpuHasAvx2();
