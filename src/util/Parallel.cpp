#include "util/Parallel.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
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
    std::condition_variable changed;
    std::vector<char> ready(window, 0);
    std::size_t next = 0;      // the next item to produce
    std::size_t committed = 0; // items committed so far
    bool stopped = false;
    std::exception_ptr error;

    // Called with the lock held: runs f without it; when f throws, keeps the
    // first error, stops the work and returns false.
    auto unlocked = [&](std::unique_lock<std::mutex>& lock, auto&& f) {
        lock.unlock();
        try {
            f();
        } catch (...) {
            lock.lock();
            if (!error) {
                error = std::current_exception();
            }
            stopped = true;
            changed.notify_all();
            return false;
        }
        lock.lock();
        return true;
    };
    // Called with the lock held: produces the next item if the window and
    // keepGoing allow; false when there is none to produce now.
    auto produceNext = [&](std::unique_lock<std::mutex>& lock) {
        if (stopped || next >= count || next >= committed + window) {
            return false;
        }
        // Asked under the lock: a stop request is a quick look at a flag.
        if (keepGoing && !keepGoing()) {
            stopped = true;
            changed.notify_all();
            return false;
        }
        const std::size_t item = next++;
        if (!unlocked(lock, [&] { produce(item, item % window); })) {
            return false;
        }
        ready[item % window] = 1;
        changed.notify_all();
        return true;
    };
    // The other threads only produce.
    auto work = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return stopped || next >= count || next < committed + window; });
            if (stopped || next >= count) {
                return;
            }
            produceNext(lock);
        }
    };
    // The calling thread commits every item, in order, as soon as it is
    // ready, and produces in between: what the commits change (often the
    // large results of the whole run) stays in the cache of one core.
    auto commitAll = [&] {
        std::unique_lock lock(mutex);
        while (!stopped && committed < count) {
            if (ready[committed % window] == 0) {
                if (!produceNext(lock)) {
                    changed.wait(lock, [&] { return stopped || ready[committed % window] != 0; });
                }
                continue;
            }
            const std::size_t c = committed;
            if (!unlocked(lock, [&] { commit(c, c % window); })) {
                break;
            }
            ready[c % window] = 0;
            ++committed;
            changed.notify_all();
        }
        // Whatever ended the commits ends the producing too.
        stopped = stopped || committed < count;
        changed.notify_all();
    };

    std::vector<std::thread> pool;
    for (unsigned int t = 1; t < threads; ++t) {
        pool.emplace_back(work);
    }
    commitAll();
    for (std::thread& t : pool) {
        t.join();
    }
    if (error) {
        std::rethrow_exception(error);
    }
    return committed == count;
}
