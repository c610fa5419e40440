#pragma once
// The update windows' worker thread: runs UpgradeStart and then UpgradeStep until the upgrade
// ends, and reports by posting messages to its window: 1258 (start failed, wParam = result),
// optionally a stage message once the transfer runs, 1255 for every new progress value, then
// 1256 (success) or 1257 (failure, also when stopped).

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "commands/message_target.h"
#include "firmware/upgrade_procedure.h"

namespace korvel {

class UpgradeWorker {
  public:
    UpgradeWorker(FirmwareUpgrader& upgrader, std::shared_ptr<MessageTarget> target)
        : upgrader_(upgrader), target_(std::move(target)) {}
    ~UpgradeWorker() { Stop(); }  // stops and joins a running upgrade

    UpgradeWorker(const UpgradeWorker&) = delete;
    UpgradeWorker& operator=(const UpgradeWorker&) = delete;

    // Starts the worker for `path` unless one still runs; `stageMessage` (0 for none) is posted
    // once the transfer has started.
    bool Start(const std::string& path, int stageMessage = 0);
    // Sets the stop flag, cuts the upgrader's waits short and joins the thread.
    void Stop();
    bool Running() const { return running_.load(); }

  private:
    void Run(std::string path, int stageMessage);
    void Post(int id, int64_t wParam = 0);

    FirmwareUpgrader& upgrader_;
    std::shared_ptr<MessageTarget> target_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
};

}  // namespace korvel
