#include "windows/mem_wr_wnd.h"

#include "controller/tool_values.h"
#include "log/log.h"
#include "windows/msg_wnd.h"
#include "windows/tool_skin.h"
#include "windows/window_resources.h"

namespace korvel {

namespace {

const QString kAddrKey = QStringLiteral("mem_addr");
const QString kDataKey = QStringLiteral("mem_data");
const QString kAddrEdit = QStringLiteral("addr_edit");
const QString kDataEdit = QStringLiteral("data_edit");

// The settings keep the words as signed decimal integers.
int Stored(uint32_t word) {
    return static_cast<int>(word);
}

uint32_t Word(int stored) {
    return static_cast<uint32_t>(stored);
}

}  // namespace

CMemWrWnd::CMemWrWnd(QWidget* owner, DeviceLink& link, Settings& settings)
    : MessageWindow(owner, QStringLiteral("memwrwnd"), WindowLayout("XML_MEM_WR")),
      link_(link),
      settings_(settings) {
    setProperty("windowClass", QStringLiteral("MemWrWnd"));
}

CMemWrWnd::~CMemWrWnd() {
    if (reports_) {
        link_.SetMemoryTarget(nullptr);
    }
}

void CMemWrWnd::InitWindow() {
    ApplyToolSkin(*this);
    reports_ = MessageTargetForThreads();
    link_.SetMemoryTarget(reports_.get());
    ShowAddress(Word(settings_.ReadInt(kAddrKey, 0)));
    ShowData(Word(settings_.ReadInt(kDataKey, 0)));
}

void CMemWrWnd::Notify(const ui::Notification& notification) {
    if (notification.type != ui::notify::kClick) {
        return;
    }
    if (notification.name == QLatin1String("read_btn")) {
        Read();
    } else if (notification.name == QLatin1String("write_btn")) {
        Write();
    } else if (notification.name == QLatin1String("closebtn")) {
        Close(0);
    }
}

std::optional<uint32_t> CMemWrWnd::Typed(const QString& editName) {
    const std::optional<uint32_t> word = ParseMemWord(Text(editName).trimmed().toStdString());
    if (!word) {
        Tell("${mem_too_large}");
    }
    return word;
}

void CMemWrWnd::Read() {
    const std::optional<uint32_t> address = Typed(kAddrEdit);
    if (!address) {
        return;
    }
    ShowAddress(*address);
    WriteLog("read_btn read dsp mem, addr(0x%08x)\n", *address);
    if (!link_.Get_MemData(*address)) {
        Tell("${mem_read_fail}");
    }
}

void CMemWrWnd::Write() {
    const std::optional<uint32_t> address = Typed(kAddrEdit);
    if (!address) {
        return;
    }
    const std::optional<uint32_t> data = Typed(kDataEdit);
    if (!data) {
        return;
    }
    ShowAddress(*address);
    ShowData(*data);
    WriteLog("write_btn write dsp mem, addr(0x%08x), data(0x%08x)\n", *address, *data);
    if (!link_.Set_MemData(*address, *data, false)) {
        Tell("${mem_write_fail}");
    }
}

void CMemWrWnd::HandleMessage(Message& message) {
    const auto* word = std::get_if<MemDataReport>(&message.record);
    if (message.id != kMsgMemData || word == nullptr) {
        return;
    }
    WriteLog("mem data = addr(0x%08x), data(0x%08x)\n", word->address, word->data);
    ShowAddress(word->address);
    ShowData(word->data);
}

void CMemWrWnd::ShowAddress(uint32_t address) {
    SetText(kAddrEdit, QString::fromStdString(MemWordText(address)));
    settings_.WriteInt(kAddrKey, Stored(address));
}

void CMemWrWnd::ShowData(uint32_t data) {
    SetText(kDataEdit, QString::fromStdString(MemWordText(data)));
    settings_.WriteInt(kDataKey, Stored(data));
}

void CMemWrWnd::Tell(const char* key) {
    CMsgWnd::ShowMessage(this, QStringLiteral("${tips}"), QString::fromLatin1(key),
                         {QStringLiteral("${confirm}")}, 1);
}

}  // namespace korvel
