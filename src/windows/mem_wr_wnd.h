#pragma once
// The memory access window: reads and writes one 32-bit word of the DSP's memory. The address
// and data last shown are kept in the settings ("mem_addr", "mem_data") between uses; the device
// answers a read with message 1249, which this window receives while it is open.

#include <cstdint>
#include <memory>

#include "commands/device_link.h"
#include "windows/message_window.h"
#include "windows/settings.h"

namespace korvel {

class CMemWrWnd : public MessageWindow {
    Q_OBJECT
  public:
    // `link` and `settings` must outlive the window.
    CMemWrWnd(QWidget* owner, DeviceLink& link, Settings& settings);
    ~CMemWrWnd() override;

  protected:
    void InitWindow() override;
    void Notify(const ui::Notification& notification) override;
    void HandleMessage(Message& message) override;

  private:
    void Read();
    void Write();
    // The word typed into an edit; nullopt (after telling the user) when it does not fit.
    std::optional<uint32_t> Typed(const QString& editName);
    // Shows a word as "0x%08x" and stores it in the settings.
    void ShowAddress(uint32_t address);
    void ShowData(uint32_t data);
    void Tell(const char* key);

    DeviceLink& link_;
    Settings& settings_;
    std::shared_ptr<MessageTarget> reports_;
};

}  // namespace korvel
