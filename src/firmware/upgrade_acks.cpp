// The upgrade acknowledgements: how each reply of the device moves the upgrade state. They run
// on the thread that reads the device, inside ReadHIDData.

#include "commands/command_ids.h"
#include "firmware/upgrade_procedure.h"
#include "log/log.h"

namespace korvel {

namespace {

bool IsMcuEnter(uint8_t id) {
    return id == mcu::MCU_ENTER_UPG_MODE || id == mcu::BL_ENTER_UPG_MODE;
}
bool IsMcuStart(uint8_t id) {
    return id == mcu::MCU_UPG_START || id == mcu::BL_UPG_START;
}
bool IsMcuData(uint8_t id) {
    return id == mcu::MCU_UPG_DATA || id == mcu::BL_UPG_DATA;
}
bool IsMcuFinish(uint8_t id) {
    return id == mcu::MCU_UPG_FINISH || id == mcu::BL_UPG_FINISH;
}

}  // namespace

void FirmwareUpgrader::HandleAck(uint8_t mcmd, std::span<const uint8_t> payload) {
    // Command identifier, OP_ACK, status; anything shorter or of another operation is not an
    // upgrade acknowledgement.
    if (payload.size() < 3 || payload[1] != OP_ACK) {
        return;
    }
    const uint8_t id = payload[0];
    const uint8_t status = payload[2];
    const bool ready = status == ACK_READY;
    const bool notReady = status == ACK_NOT_READY;
    const int state = state_.load();
    auto moveTo = [this](int next) {
        WriteLogTimeStamp();
        state_ = next;
    };

    if (mcmd == MCMD_MCU) {
        if (IsMcuEnter(id) && ready) {
            moveTo(UPG_START);
        } else if (IsMcuStart(id)) {
            moveTo(ready ? UPG_READY : UPG_NOT_READY);
            WriteLog(ready ? "MCU_UPG_START: ACK_READY\n\n" : "MCU_UPG_START: ACK_NOT_READY\n\n");
        } else if (IsMcuData(id) && state == UPG_WAITING_BIN_DATA_ACK && ready) {
            moveTo(UPG_READY);
            WriteLog("MCU UPG_WAITING_BIN_DATA_ACK: ACK_READY\n\n");
        } else if (IsMcuData(id) && state == UPG_WAITING_BIN_DATA_ACK && notReady) {
            phase_ = 1;  // wait for a further reply; the block is not sent again
            WriteLog("MCU !!!!! NOT_READY !!!!!!\n\n");
        } else if (IsMcuFinish(id) && state == UPG_FINISH && ready) {
            WriteLog("MCU UPG_FINISH: ACK_READY\n\n");
        }
        return;
    }
    if (mcmd != MCMD_FLASH) {
        return;
    }
    if (id == flash::FLASH_UPG_START && ready && state == UPG_START) {
        moveTo(UPG_READY);
        WriteLog("FLASH UPG_START: ACK_READY\n\n");
    } else if (id == flash::FLASH_UPG_START && notReady) {
        moveTo(UPG_NOT_READY);
        WriteLog("FLASH UPG_START: ACK_NOT_READY\n\n");
    } else if (id == flash::FLASH_UPG_DATA && state == UPG_WAITING_BIN_DATA_ACK && ready) {
        moveTo(UPG_READY);
        WriteLog("UPG_WAITING_BIN_DATA_ACK: ACK_READY\n\n");
    } else if (id == flash::FLASH_UPG_DATA && state == UPG_WAITING_BIN_DATA_ACK && notReady) {
        phase_ = 1;
        WriteLog("!!!!! NOT_READY !!!!!!\n\n");
    } else if (id == flash::FLASH_UPG_FINISH && state == UPG_FINISH && ready) {
        WriteLog("UPG_FINISH: ACK_READY\n");
    }
}

}  // namespace korvel
