#include "util/Parallel.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

unsigned int ThreadCount(unsigned int requested)
{
    if (requested > 0) {
        return requested;
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

bool RunInOrder(std::size_t count, unsigned int threads, std::size_t window,
                const std::function<void(std::size_t, std::size_t)>& produce,
                const std::function<void(std::size_t, std::size_t)>& commit,
                const std::function<bool()>& keepGoing)
{
    window = std::max<std::size_t>(1, window);
    threads = static_cast<unsigned int>(std::min<std::size_t>(std::max(1u, threads), std::max<std::size_t>(1, count)));
    if (threads == 1) {
        for (std::size_t i = 0; i < count; ++i) {
            if (keepGoing && !keepGoing()) {
                return false;
            }
            produce(i, i % window);
            commit(i, i % window);
        }
        return true;
    }

    std::mutex mutex;
    std::condition_variable slotFreed;
    std::vector<char> ready(window, 0);
    std::size_t next = 0;      // the next item to produce
    std::size_t committed = 0; // items committed so far
    bool committing = false;   // a thread is committing
    bool stopped = false;
    std::exception_ptr error;

    // Called with the lock held: keeps the first error and stops the work.
    auto fail = [&](std::exception_ptr e) {
        if (!error) {
            error = std::move(e);
        }
        stopped = true;
        slotFreed.notify_all();
    };
    auto work = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            slotFreed.wait(lock, [&] { return stopped || next >= count || next < committed + window; });
            if (stopped || next >= count) {
                return;
            }
            // Asked under the lock: a stop request is a quick look at a flag.
            if (keepGoing && !keepGoing()) {
                stopped = true;
                slotFreed.notify_all();
                return;
            }
            const std::size_t item = next++;
            lock.unlock();
            try {
                produce(item, item % window);
            } catch (...) {
                lock.lock();
                fail(std::current_exception());
                return;
            }
            lock.lock();
            ready[item % window] = 1;
            // One thread at a time commits whatever is ready in order; items
            // that become ready meanwhile are picked up before it lets go.
            if (committing) {
                continue;
            }
            committing = true;
            while (!stopped && committed < count && ready[committed % window] != 0) {
                const std::size_t c = committed;
                lock.unlock();
                try {
                    commit(c, c % window);
                } catch (...) {
                    lock.lock();
                    fail(std::current_exception());
                    break;
                }
                lock.lock();
                ready[c % window] = 0;
                ++committed;
                slotFreed.notify_all();
            }
            committing = false;
            slotFreed.notify_all();
        }
    };

    std::vector<std::thread> pool;
    for (unsigned int t = 1; t < threads; ++t) {
        pool.emplace_back(work);
    }
    work();
    for (std::thread& t : pool) {
        t.join();
    }
    if (error) {
        std::rethrow_exception(error);
    }
    return committed == count;
}
