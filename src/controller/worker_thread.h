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

    // Starts `body` unless a sequence is still running; false when refused.
    bool Start(std::function<void()> body) {
        if (Running()) {
            return false;
        }
        Join();
        running_.store(true);
        thread_ = std::thread([this, body = std::move(body)] {
            body();
            running_.store(false);
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
