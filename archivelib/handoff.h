// Items handed from one producing thread to one consuming thread, at most
// so many items and bytes ahead, so a reading thread can decode the next
// entries while the caller's thread is still creating the files of the
// last ones. Window-free: built natively too.
#pragma once
#include <stddef.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

template <typename T>
class Handoff {
public:
    enum class Got { Item, Nothing, Finished };  // Nothing: the wait ran out first

    Handoff(size_t maxItems, size_t maxBytes) : maxItems_(maxItems), maxBytes_(maxBytes) {}
    Handoff(const Handoff&) = delete;
    Handoff& operator=(const Handoff&) = delete;

    // Producer: waits for room; false once the consumer has closed, when the
    // item is dropped and the producer should stop. One item bigger than the
    // byte limit still goes through once the queue is empty.
    bool Put(T item, size_t bytes) {
        std::unique_lock<std::mutex> lock(mutex_);
        room_.wait(lock, [&] { return closed_ || HasRoomFor(bytes); });
        if (closed_) return false;
        items_.emplace_back(std::move(item), bytes);
        bytes_ += bytes;
        ready_.notify_one();
        return true;
    }

    // Producer: nothing more comes; what is held is still taken.
    void Finish() {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
        ready_.notify_one();
    }

    // Consumer: the oldest item, waiting at most that long for one.
    Got Take(T* item, unsigned milliseconds) {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return finished_ || !items_.empty(); });
        if (items_.empty()) return finished_ ? Got::Finished : Got::Nothing;
        *item = std::move(items_.front().first);
        bytes_ -= items_.front().second;
        items_.pop_front();
        room_.notify_one();
        return Got::Item;
    }

    // Consumer: takes nothing more; a waiting Put returns false at once and
    // what is held is dropped.
    void Close() {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        items_.clear();
        bytes_ = 0;
        room_.notify_all();
    }

private:
    bool HasRoomFor(size_t bytes) const {
        if (items_.empty()) return true;
        return items_.size() < maxItems_ && bytes_ + bytes <= maxBytes_;
    }

    const size_t maxItems_;
    const size_t maxBytes_;
    std::mutex mutex_;
    std::condition_variable room_;
    std::condition_variable ready_;
    std::deque<std::pair<T, size_t>> items_;
    size_t bytes_ = 0;
    bool finished_ = false;
    bool closed_ = false;
};
