// The picture library's worker threads, for the pixel loops of the libraries above it.
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

// The threads KxParallelFor spreads work over, the calling thread included.
KXIMAGE_API int KxWorkerCount();
