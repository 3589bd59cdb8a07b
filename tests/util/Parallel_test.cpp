#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "util/Console.h"
#include "util/Parallel.h"

TEST(RunInOrder, CommitsEveryItemInOrderWithinTheWindow)
{
    for (const unsigned threads : {1u, 2u, 7u}) {
        SCOPED_TRACE(threads);
        constexpr std::size_t kCount = 500;
        constexpr std::size_t kWindow = 3;
        std::vector<std::size_t> slots(kWindow, kCount);
        std::vector<std::size_t> committed;
        std::atomic<std::size_t> ahead{0};
        std::atomic<std::size_t> mostAhead{0};
        auto produce = [&](std::size_t item, std::size_t slot) {
            const std::size_t now = ++ahead;
            std::size_t seen = mostAhead.load();
            while (now > seen && !mostAhead.compare_exchange_weak(seen, now)) {
            }
            // Uneven work, so that items finish out of order.
            if (item % 7 == 0) {
                std::this_thread::yield();
            }
            slots[slot] = item;
        };
        auto commit = [&](std::size_t item, std::size_t slot) {
            EXPECT_EQ(slots[slot], item) << "the slot still holds its own item";
            committed.push_back(item);
            --ahead;
        };
        EXPECT_TRUE(RunInOrder(kCount, threads, kWindow, produce, commit));
        ASSERT_EQ(committed.size(), kCount);
        for (std::size_t i = 0; i < kCount; ++i) {
            ASSERT_EQ(committed[i], i);
        }
        EXPECT_LE(mostAhead.load(), kWindow);
    }
}

TEST(RunInOrder, StopsWhenAskedAndPassesOnTheFirstError)
{
    for (const unsigned threads : {1u, 3u}) {
        SCOPED_TRACE(threads);
        std::atomic<int> started{0};
        std::size_t committed = 0;
        const bool all = RunInOrder(
            1000, threads, 4, [&](std::size_t, std::size_t) { ++started; },
            [&](std::size_t, std::size_t) { ++committed; }, [&] { return started.load() < 10; });
        EXPECT_FALSE(all);
        EXPECT_LE(started.load(), 10 + static_cast<int>(threads));
        EXPECT_LE(committed, static_cast<std::size_t>(started.load()));

        std::atomic<int> afterError{0};
        auto produce = [&](std::size_t item, std::size_t) {
            if (item == 20) {
                throw std::runtime_error("item 20");
            }
            if (item > 40) {
                ++afterError;
            }
        };
        EXPECT_THROW(RunInOrder(1000, threads, 4, produce, [](std::size_t, std::size_t) {}), std::runtime_error);
        EXPECT_EQ(afterError.load(), 0) << "the window keeps later items from starting";
    }
    EXPECT_TRUE(RunInOrder(0, 4, 4, [](std::size_t, std::size_t) { FAIL(); }, [](std::size_t, std::size_t) {}));
}

TEST(ConsoleCapture, KeepsAThreadsTextForLater)
{
    ConsoleRecorder console;
    std::string early;
    std::thread other([&] {
        const ConsoleCapture capture(early);
        ConsolePrint("first %d\n", 1);
    });
    other.join();
    ConsolePrint("second\n");
    {
        std::string nested;
        const ConsoleCapture capture(nested);
        ConsolePrint("held");
        EXPECT_EQ(nested, "held");
    }
    ConsolePrint("%s", early.c_str());
    EXPECT_EQ(console.text, "second\nfirst 1\n");
}
