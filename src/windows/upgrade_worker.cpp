#include "windows/upgrade_worker.h"

#include "commands/report_records.h"
#include "log/log.h"

namespace korvel {

bool UpgradeWorker::Start(const std::string& path, int stageMessage) {
    if (running_.load()) {
        return false;
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    stop_ = false;
    running_ = true;
    thread_ = std::thread([this, path, stageMessage] { Run(path, stageMessage); });
    return true;
}

void UpgradeWorker::Stop() {
    stop_ = true;
    upgrader_.Stop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void UpgradeWorker::Post(int id, int64_t wParam) {
    Message m;
    m.id = id;
    m.wParam = wParam;
    target_->PostMessage(std::move(m));
}

void UpgradeWorker::Run(std::string path, int stageMessage) {
    WriteLog("UpgradeWorker start %s\n", path.c_str());
    const int started = upgrader_.UpgradeStart(path);
    if (started != kUpgResultOk) {
        running_ = false;  // before the post: the window may start the next run at once
        Post(kMsgUpgradeLoadFailed, started);
        return;
    }
    if (stop_.load()) {
        upgrader_.Stop();  // a stop that came before UpgradeStart cleared the upgrader's flag
    }
    if (stageMessage != 0) {
        Post(stageMessage);
    }
    // A stopped upgrade ends through UpgradeStep as well (as a failure, with the reboot a flash
    // transfer needs), so the device is never left mid-transfer by the program.
    int shown = -1;
    int step = 0;
    do {
        step = upgrader_.UpgradeStep();
        if (step <= 100 && step != shown) {
            shown = step;
            Post(kMsgUpgradeProgress, step);
        }
    } while (step <= 100);
    WriteLog("UpgradeWorker end %d\n", step);
    running_ = false;
    Post(step == kUpgradeSucceeded ? kMsgUpgradeSuccess : kMsgUpgradeFailure);
}

}  // namespace korvel
