// Items handed between two threads: all of them, in order, never more held
// than the limits allow, and a consumer that closes early never leaves the
// producer waiting.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "base/handoff.h"

namespace {
using Queue = Handoff<std::string>;

// Takes until the producer finishes, waiting as long as it takes.
Queue::Got TakeWaiting(Queue* queue, std::string* item) {
    for (;;) {
        Queue::Got got = queue->Take(item, 1000);
        if (got != Queue::Got::Nothing) return got;
    }
}

TEST(Handoff, EveryItemArrivesInOrderWithinTheLimits) {
    struct Case {
        const char* name;
        Queue::Limits limits;
        size_t count;
    };
    const Case cases[] = {
        {"item limit", {3, 1 << 20, 1, 1 << 20}, 2000},
        {"byte limit", {1000, 100, 1000, 1}, 2000},
        {"one at a time", {1, 1 << 20, 1, 1}, 500},
        {"batches", {40, 1 << 20, 16, 1 << 20}, 2000},
        {"batches by bytes", {1000, 400, 1000, 100}, 2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Queue queue(c.limits);
        std::atomic<long> lastPut(-1);
        std::atomic<size_t> bytesPut(0);
        std::thread producer([&] {
            for (size_t i = 0; i < c.count; ++i) {
                std::string item = std::to_string(i) + std::string(i % 37, 'x');
                size_t size = item.size();
                ASSERT_TRUE(queue.Put(std::move(item), size));
                bytesPut += size;
                lastPut = static_cast<long>(i);
            }
            queue.Finish();
        });
        // What the producer has put and we have not taken is held: what we
        // took at once (at most the limits), what is held (as much) and the
        // producer's batch (its last item may take it past its bytes).
        const size_t maxItems = 2 * c.limits.items + c.limits.batchItems;
        const size_t maxBytes = 2 * c.limits.bytes + c.limits.batchBytes + 4 + 36;
        size_t taken = 0, bytesTaken = 0;
        std::string item;
        for (;;) {
            // (Signed: the item the producer is still returning from may be taken already.)
            EXPECT_LE(lastPut + 1 - static_cast<long>(taken), static_cast<long>(maxItems));
            EXPECT_LE(static_cast<long>(bytesPut) - static_cast<long>(bytesTaken), static_cast<long>(maxBytes));
            if (TakeWaiting(&queue, &item) == Queue::Got::Finished) break;
            std::string expected = std::to_string(taken) + std::string(taken % 37, 'x');
            ASSERT_EQ(item, expected);
            bytesTaken += item.size();
            ++taken;
        }
        producer.join();
        EXPECT_EQ(taken, c.count);
    }
}

// A batch that is not full yet waits at the producer until it fills, is
// flushed or the producer finishes.
TEST(Handoff, ABatchGoesOverWhenFullFlushedOrFinished) {
    Queue queue({100, 1 << 20, 3, 1 << 20});
    std::string item;
    ASSERT_TRUE(queue.Put("a", 1));
    ASSERT_TRUE(queue.Put("b", 1));
    EXPECT_EQ(queue.Take(&item, 0), Queue::Got::Nothing);
    ASSERT_TRUE(queue.Put("c", 1));  // full
    EXPECT_EQ(queue.Take(&item, 0), Queue::Got::Item);
    EXPECT_EQ(item, "a");
    ASSERT_TRUE(queue.Put("d", 1));
    EXPECT_EQ(queue.Take(&item, 0), Queue::Got::Item);
    EXPECT_EQ(item, "b");
    EXPECT_EQ(queue.Take(&item, 0), Queue::Got::Item);
    EXPECT_EQ(item, "c");
    EXPECT_EQ(queue.Take(&item, 0), Queue::Got::Nothing);
    ASSERT_TRUE(queue.Flush());
    EXPECT_EQ(queue.Take(&item, 0), Queue::Got::Item);
    EXPECT_EQ(item, "d");
    ASSERT_TRUE(queue.Put("e", 1));
    queue.Finish();
    EXPECT_EQ(queue.Take(&item, 0), Queue::Got::Item);
    EXPECT_EQ(item, "e");
    EXPECT_EQ(queue.Take(&item, 0), Queue::Got::Finished);
}

TEST(Handoff, AnItemBiggerThanTheByteLimitPassesAlone) {
    Queue queue({10, 4, 10, 4});
    ASSERT_TRUE(queue.Put("a big item", 10));  // nothing is held: no wait
    queue.Finish();
    std::string item;
    EXPECT_EQ(queue.Take(&item, 0), Queue::Got::Item);
    EXPECT_EQ(item, "a big item");
    EXPECT_EQ(queue.Take(&item, 0), Queue::Got::Finished);
}

TEST(Handoff, TakeWaitsOnlyAsLongAsAsked) {
    Queue queue({4, 100, 1, 1});
    std::string item = "untouched";
    EXPECT_EQ(queue.Take(&item, 10), Queue::Got::Nothing);
    EXPECT_EQ(item, "untouched");
}

TEST(Handoff, ClosingReleasesAWaitingProducerAndDropsWhatIsHeld) {
    auto counted = std::make_shared<int>(0);
    Handoff<std::shared_ptr<int>> queue({2, 1 << 20, 1, 1 << 20});
    std::atomic<int> refused(0);
    std::atomic<int> put(0);
    std::thread producer([&] {
        // Far more than fit: the producer waits until the queue is closed.
        for (int i = 0; i < 100; ++i) {
            if (!queue.Put(counted, 1)) {
                ++refused;
                return;
            }
            ++put;
        }
    });
    std::shared_ptr<int> item;
    ASSERT_EQ(queue.Take(&item, 5000), decltype(queue)::Got::Item);
    item.reset();
    queue.Close();
    producer.join();  // hangs here if Close does not wake the producer
    EXPECT_EQ(refused, 1);
    EXPECT_LT(put, 100);
    EXPECT_EQ(counted.use_count(), 1);  // what was held is gone
    EXPECT_EQ(queue.Take(&item, 0), decltype(queue)::Got::Nothing);
}
}  // namespace
