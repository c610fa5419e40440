#pragma once
// Posting decoded reports to the windows. A MessageTarget is whatever receives the posts: the
// GUI wraps a window and turns each Message into a Qt event, the CLI and the tests use
// MessageQueue below. PostMessage is called on the thread that read the reply, so every
// implementation must be safe to call from any thread.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <variant>

#include "commands/report_records.h"

namespace korvel {

using ReportRecord =
    std::variant<std::monostate, ChannelIntReport, ChannelFloatReport, FilterReport, EqBandReport,
                 MixReport, LinkReport, LockReport, InputRangeReport, InputMixTrimReport,
                 NoiseReport, QFactorReport, CompressorReport, InputDistortReport,
                 OutputDistortReport, SpeakerDistanceReport, MixType2Report, SpeakerConfigReport,
                 IrcChannelReport, IrcEqBandReport, IrcSpectrumReport, MemDataReport,
                 SceneNameReport, HandshakeReport, FlashVersionReport, PasswordReport,
                 McuItem41Report, SceneValidReport>;

// One posted window message: `id` is the message number (kMsg...), `wParam` its first parameter,
// `value` the single value carried in the second parameter when there is no record.
struct Message {
    int id = 0;
    int64_t wParam = 0;
    int64_t value = 0;
    ReportRecord record;
};

class MessageTarget {
  public:
    virtual ~MessageTarget() = default;
    // Thread-safe by contract; must not call back into the DeviceLink that posts.
    virtual void PostMessage(Message m) = 0;
};

// A thread-safe FIFO of messages for the command-line tool and the tests.
class MessageQueue : public MessageTarget {
  public:
    void PostMessage(Message m) override {
        {
            std::lock_guard lock(mutex_);
            messages_.push_back(std::move(m));
        }
        ready_.notify_one();
    }

    // The oldest message, waiting up to `timeout` for one to arrive.
    std::optional<Message> Take(std::chrono::milliseconds timeout = std::chrono::milliseconds(0)) {
        std::unique_lock lock(mutex_);
        if (!ready_.wait_for(lock, timeout, [this] { return !messages_.empty(); })) {
            return std::nullopt;
        }
        Message m = std::move(messages_.front());
        messages_.pop_front();
        return m;
    }

    size_t Size() const {
        std::lock_guard lock(mutex_);
        return messages_.size();
    }

    void Clear() {
        std::lock_guard lock(mutex_);
        messages_.clear();
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Message> messages_;
};

}  // namespace korvel
