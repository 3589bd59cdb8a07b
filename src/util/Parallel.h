#pragma once
// Work spread over threads with results that do not depend on how many: items
// are produced in any order on any thread, but committed one at a time in
// order of their number, so everything a commit changes sees the same
// sequence as on one thread.

#include <cstddef>
#include <functional>

// The number of threads a request stands for: 0 means every core.
unsigned int ThreadCount(unsigned int requested);

// Produces items 0 .. count-1 on up to `threads` threads (one: all in the
// calling thread) and commits each in order. At most `window` items are
// produced ahead of the last commit, and item i uses slot i % window, so the
// caller can keep one buffer per slot. keepGoing, when given, is asked before
// each item is started: once it returns false no item starts, and items
// already produced may stay uncommitted. The first exception thrown by a
// produce or commit stops the work and is rethrown once every thread has
// ended. Returns whether every item was committed.
bool RunInOrder(std::size_t count, unsigned int threads, std::size_t window,
                const std::function<void(std::size_t item, std::size_t slot)>& produce,
                const std::function<void(std::size_t item, std::size_t slot)>& commit,
                const std::function<bool()>& keepGoing = {});
