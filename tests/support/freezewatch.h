// A bound on how long one step of a test may hold up its thread. A step that waits for ever in
// a system call (opening a pipe nobody writes into) or loops without end (reading /dev/zero)
// cannot be timed out from its own thread: a watcher thread ends the test program instead, with
// a message naming the step, so the fault shows as a failure within the bound, not as a hang.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace vrx::test {

class FreezeWatch {
public:
    explicit FreezeWatch(std::string step,
                         std::chrono::milliseconds limit = std::chrono::seconds(2))
        : step_(std::move(step)), watcher_([this, limit] { Watch(limit); }) {}
    ~FreezeWatch() {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        watcher_.join();
    }
    FreezeWatch(const FreezeWatch&) = delete;
    FreezeWatch& operator=(const FreezeWatch&) = delete;

private:
    void Watch(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        if (wake_.wait_for(lock, limit, [this] { return done_; })) return;
        std::fprintf(stderr, "FAIL! froze for more than %lld ms: %s\n",
                     static_cast<long long>(limit.count()), step_.c_str());
        std::fflush(stderr);
        std::_Exit(1);
    }

    std::string step_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread watcher_; // last: it starts once everything it reads is there
};

} // namespace vrx::test
