// Jobs run on worker threads and handed back in the order they were put
// in, so a writer can compress entries side by side and still write them
// one after another. At most `mostJobs` jobs and `mostBytes` of the
// caller's measure (what a job holds: its input or output) are held at once,
// though one job alone always fits. Each worker keeps a State of its own
// between jobs (a compressor and its buffers). A job put "on the caller"
// is not run by a worker: Take gives it back as it was put, for the caller
// to do in its turn (a file too large to hold in memory) while the workers
// run the jobs behind it. Window-free: built natively too.
#pragma once
#include <stddef.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

// One worker for each processor, at most `most`.
inline unsigned WorkerThreads(unsigned most) {
    unsigned count = std::thread::hardware_concurrency();
    if (count == 0) count = 1;
    return count < most ? count : most;
}

template <typename Job, typename State>
class OrderedWork {
public:
    // Runs one job; should look at `cancel` now and then and give up once it is set.
    using Run = std::function<void(State* state, Job* job, const std::atomic<bool>& cancel)>;

    // threads 0: each job runs on the caller's thread in Put.
    OrderedWork(Run run, unsigned threads, size_t mostJobs, size_t mostBytes)
        : run_(std::move(run)), mostJobs_(mostJobs == 0 ? 1 : mostJobs), mostBytes_(mostBytes) {
        for (unsigned i = 0; i < threads; ++i) {
            try {
                workers_.emplace_back(&OrderedWork::Work, this);
            } catch (const std::system_error&) {
                break;  // fewer workers, or none: Put runs the jobs
            }
        }
    }
    OrderedWork(const OrderedWork&) = delete;
    OrderedWork& operator=(const OrderedWork&) = delete;

    // Stops the workers at their next look at the cancel flag; jobs still held are dropped.
    ~OrderedWork() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
            cancel_ = true;
        }
        queued_.notify_all();
        for (std::thread& worker : workers_) worker.join();
    }

    unsigned Threads() const { return static_cast<unsigned>(workers_.size()); }

    size_t Held() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return slots_.size();
    }

    // No room for a job of that many bytes: Take the oldest first.
    bool Full(size_t bytes) const {
        std::lock_guard<std::mutex> lock(mutex_);
        if (slots_.empty()) return false;
        return slots_.size() >= mostJobs_ || heldBytes_ + bytes > mostBytes_;
    }

    void Put(std::unique_ptr<Job> job, size_t bytes, bool onCaller = false) {
        Slot slot;
        slot.job = std::move(job);
        slot.bytes = bytes;
        if (onCaller || workers_.empty()) {
            if (!onCaller) run_(&inline_, slot.job.get(), cancel_);
            slot.started = slot.done = true;
        }
        bool queued = !slot.started;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            heldBytes_ += slot.bytes;
            slots_.push_back(std::move(slot));
        }
        if (queued) queued_.notify_one();
    }

    // Waits at most that long for the oldest job: true once it is done or
    // none is held (the caller keeps its window answering in between).
    bool OldestReady(unsigned milliseconds) {
        std::unique_lock<std::mutex> lock(mutex_);
        return finished_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                  [this] { return slots_.empty() || slots_.front().done; });
    }

    // The oldest job once it is done (waits for it); nullptr when none is held.
    std::unique_ptr<Job> Take() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (slots_.empty()) return nullptr;
        finished_.wait(lock, [this] { return slots_.front().done; });
        std::unique_ptr<Job> job = std::move(slots_.front().job);
        heldBytes_ -= slots_.front().bytes;
        slots_.pop_front();
        return job;
    }

    // The workers give up their jobs at the next look; Take still hands them back.
    void Cancel() { cancel_ = true; }
    bool Cancelled() const { return cancel_; }

private:
    struct Slot {
        std::unique_ptr<Job> job;
        size_t bytes = 0;
        bool started = false;
        bool done = false;
    };

    void Work() {
        State state;  // kept between jobs
        for (;;) {
            Job* job = nullptr;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                queued_.wait(lock, [this, &job] {
                    if (stopping_) return true;
                    for (Slot& slot : slots_) {
                        if (!slot.started) {
                            slot.started = true;
                            job = slot.job.get();
                            return true;
                        }
                    }
                    return false;
                });
                if (job == nullptr) return;  // stopping
            }
            run_(&state, job, cancel_);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                for (Slot& slot : slots_) {
                    if (slot.job.get() == job) slot.done = true;
                }
            }
            finished_.notify_all();
        }
    }

    const Run run_;
    const size_t mostJobs_;
    const size_t mostBytes_;
    mutable std::mutex mutex_;
    std::condition_variable queued_;    // a job to start, or stopping
    std::condition_variable finished_;  // a job done
    std::deque<Slot> slots_;            // oldest first
    size_t heldBytes_ = 0;
    std::vector<std::thread> workers_;
    std::atomic<bool> cancel_{false};
    bool stopping_ = false;
    State inline_;  // without workers
};
