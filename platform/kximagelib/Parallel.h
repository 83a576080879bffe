// The picture library's worker threads, for the pixel loops of the libraries above it.
#pragma once
#include "kximagelib.h"
#include <functional>

// Runs body(begin, end) over consecutive slices of [0, count) on the library's worker threads and
// the calling thread, and returns when every slice is done. One job runs at a time: a call made
// from inside a slice runs its whole range on that thread instead of waiting for the busy pool.
KXIMAGE_API void KxParallelFor(int count, const std::function<void(int begin, int end)>& body);

// The threads KxParallelFor spreads work over, the calling thread included.
KXIMAGE_API int KxWorkerCount();
