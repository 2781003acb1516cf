// Jobs run on worker threads come back in the order they were put in,
// never more held than the limits allow; jobs left to the caller come back
// unrun; a cancel stops a long job at its next look.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "base/ordered_work.h"

namespace {
struct Job {
    int number = 0;
    bool run = false;
    bool spin = false;  // runs until cancelled
    int runner = -1;    // which worker's state ran it
};
struct State {
    static std::atomic<int> made;
    int id = made++;
};
std::atomic<int> State::made{0};

void RunJob(State* state, Job* job, const std::atomic<bool>& cancel) {
    while (job->spin && !cancel) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // Later jobs finish first now and then, so only the order of handing back keeps them in line.
    if (job->number % 7 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    job->runner = state->id;
    job->run = true;
}
}  // namespace

TEST(OrderedWork, JobsComeBackInOrderWithinTheLimits) {
    struct Case {
        const char* name;
        unsigned threads;
        size_t mostJobs, mostBytes;
    };
    const Case cases[] = {
        {"on the caller", 0, 4, 1000},
        {"one worker", 1, 2, 1000},
        {"three workers, by jobs", 3, 6, 1000},
        {"three workers, by bytes", 3, 100, 25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OrderedWork<Job, State> work(RunJob, c.threads, c.mostJobs, c.mostBytes);
        EXPECT_EQ(c.threads, work.Threads());
        int next = 0;
        auto takeOldest = [&] {
            std::unique_ptr<Job> job = work.Take();
            ASSERT_TRUE(job);
            EXPECT_EQ(next, job->number);
            // Every tenth job is the caller's: it comes back as it went in.
            EXPECT_EQ(job->number % 10 != 0, job->run);
            ++next;
        };
        for (int i = 0; i < 200; ++i) {
            size_t bytes = static_cast<size_t>(i % 9);
            while (work.Full(bytes)) takeOldest();
            std::unique_ptr<Job> job(new Job());
            job->number = i;
            work.Put(std::move(job), bytes, i % 10 == 0);
            EXPECT_LE(work.Held(), c.mostJobs);
        }
        while (work.Held() > 0) takeOldest();
        EXPECT_EQ(200, next);
        EXPECT_EQ(nullptr, work.Take());
    }
}

TEST(OrderedWork, CancelStopsAJobAtItsNextLook) {
    OrderedWork<Job, State> work(RunJob, 2, 4, 1000);
    std::unique_ptr<Job> job(new Job());
    job->spin = true;
    work.Put(std::move(job), 1);
    EXPECT_FALSE(work.OldestReady(20));
    auto start = std::chrono::steady_clock::now();
    work.Cancel();
    std::unique_ptr<Job> back = work.Take();
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->run);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}
