#pragma once
// One background sequence of the controller (read-all, scene load, profile upload ...). The
// thread is joined when the next one starts and when the object is destroyed, so no sequence
// can outlive the controller and the device link it uses.

#include <atomic>
#include <functional>
#include <thread>

namespace korvel {

class WorkerThread {
  public:
    WorkerThread() = default;
    ~WorkerThread() { Join(); }

    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts `body` unless a sequence is still running; false when refused. `finished` runs on
    // the worker after Running() turned false, so an owner waiting for the end can be woken.
    bool Start(std::function<void()> body, std::function<void()> finished = {}) {
        if (Running()) {
            return false;
        }
        Join();
        running_.store(true);
        thread_ = std::thread([this, body = std::move(body), finished = std::move(finished)] {
            body();
            running_.store(false);
            if (finished) {
                finished();
            }
        });
        return true;
    }

    bool Running() const { return running_.load(); }

    void Join() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }

  private:
    std::atomic<bool> running_{false};
    std::thread thread_;
};

}  // namespace korvel
