// Items handed from one producing thread to one consuming thread, at most
// so many items and bytes ahead, so a reading thread can decode the next
// entries while the caller's thread is still creating the files of the
// last ones. Items travel in batches: under Wine every wait and wake-up of a
// thread is a round trip through the Wine server, too dear for each of
// thousands of small items. Window-free: built natively too.
#pragma once
#include <stddef.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

template <typename T>
class Handoff {
public:
    enum class Got { Item, Nothing, Finished };  // Nothing: the wait ran out first

    struct Limits {
        // Held between the threads. The consumer takes all that is held at
        // once, so with the producer's batch up to twice this and a batch is
        // in memory.
        size_t items;
        size_t bytes;
        size_t batchItems;  // a batch goes over once it is this big
        size_t batchBytes;
    };

    explicit Handoff(const Limits& limits) : limits_(limits) {}
    Handoff(const Handoff&) = delete;
    Handoff& operator=(const Handoff&) = delete;

    // Producer: false once the consumer has closed, when the item is dropped
    // and the producer should stop. Waits for room when the batch goes over;
    // one batch bigger than the limits still goes once nothing is held.
    bool Put(T item, size_t bytes) {
        if (closed_) return false;
        batch_.emplace_back(std::move(item), bytes);
        batchBytes_ += bytes;
        if (batch_.size() < limits_.batchItems && batchBytes_ < limits_.batchBytes) return true;
        return Flush();
    }

    // Producer: hands over what is batched now, for a pause in the producing.
    bool Flush() {
        if (batch_.empty()) return !closed_;
        std::unique_lock<std::mutex> lock(mutex_);
        room_.wait(lock, [&] { return closed_ || HasRoom(); });
        if (closed_) {
            batch_.clear();
            batchBytes_ = 0;
            return false;
        }
        for (auto& entry : batch_) held_.push_back(std::move(entry));
        bytes_ += batchBytes_;
        batch_.clear();
        batchBytes_ = 0;
        ready_.notify_one();
        return true;
    }

    // Producer: nothing more comes; what is batched and held is still taken.
    void Finish() {
        Flush();
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
        ready_.notify_one();
    }

    // Consumer: the oldest item, waiting at most that long for one.
    Got Take(T* item, unsigned milliseconds) {
        if (taken_.empty()) {
            std::unique_lock<std::mutex> lock(mutex_);
            ready_.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return finished_ || !held_.empty(); });
            if (held_.empty()) return finished_ ? Got::Finished : Got::Nothing;
            taken_.swap(held_);
            bytes_ = 0;
            room_.notify_one();
        }
        *item = std::move(taken_.front().first);
        taken_.pop_front();
        return Got::Item;
    }

    // Consumer: takes nothing more; a waiting producer is let go at once and
    // what is held is dropped.
    void Close() {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        held_.clear();
        taken_.clear();
        bytes_ = 0;
        room_.notify_all();
    }

private:
    using Entries = std::deque<std::pair<T, size_t>>;

    bool HasRoom() const {
        if (held_.empty()) return true;
        return held_.size() + batch_.size() <= limits_.items && bytes_ + batchBytes_ <= limits_.bytes;
    }

    const Limits limits_;
    std::mutex mutex_;
    std::condition_variable room_;
    std::condition_variable ready_;
    Entries held_;  // handed over, not yet taken
    size_t bytes_ = 0;
    bool finished_ = false;
    std::atomic<bool> closed_{false};
    Entries batch_;  // the producer's own
    size_t batchBytes_ = 0;
    Entries taken_;  // the consumer's own
};
