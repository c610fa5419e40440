// Speaker roles of the output channels: the output menu, assigning a role with its default
// crossover, and the role icons.

#include <algorithm>

#include "controller/equalizer_manager.h"
#include "log/log.h"
#include "model/speaker_roles.h"

namespace korvel {

namespace {

// The menu's group entries (text only), in menu order.
constexpr std::string_view kMenuGroups[] = {
    "output_menu_front",  "output_menu_front_left", "output_menu_front_right",
    "output_menu_rear",   "output_menu_rear_left",  "output_menu_rear_right",
    "output_menu_center", "output_menu_subwoof",
};

}  // namespace

OutputMenuState EqualizerManager::OutputMenu(int channel) const {
    OutputMenuState menu;
    menu.channel = IsChannel(channel) ? channel : -1;
    for (std::string_view group : kMenuGroups) {
        OutputMenuItem item;
        item.name = group;
        item.shortKey = RoleShortName(group);
        menu.items.push_back(item);
    }
    for (const RoleInfo& info : RoleTable()) {
        OutputMenuItem item;
        item.name = info.itemName;
        item.shortKey = info.shortKey;
        item.role = info.role;
        for (int ch = 0; ch < kChannelSlots; ++ch) {
            item.checked = item.checked || RoleOf(ch) == info.role;
        }
        menu.items.push_back(item);
    }
    return menu;
}

void EqualizerManager::SetSubMenu(int channel) {
    WriteLog("on %s\n", "EqualizerManager::SetSubMenu");
    if (!IsChannel(channel)) {
        return;
    }
    menuChannel_ = channel;
    view_.ShowOutputMenu(OutputMenu(channel));
}

void EqualizerManager::AssignRole(int channel, int role) {
    SceneRecord& live = model_.live;
    const int normalised = NormaliseRole(role);
    live.outputs[Index(channel)] = normalised;
    Channel(channel).crossover = RoleDefaultCrossover(normalised);
    if (channel == CurrentChannel()) {
        Refresh(RefreshWhat::kCrossover, channel);
    }
    const uint8_t type = static_cast<uint8_t>(normalised);
    link_->CH_Type_Ctrl(live.sceneArgument, 0, channel, channel, std::span(&type, 1), false);
    SendFilter(channel, PassBand::kHighPass);
    SendFilter(channel, PassBand::kLowPass);
}

void EqualizerManager::SetOutputValue(int channel, std::string_view itemName) {
    WriteLog("SetOutputValue channel %d selected value %s\n", channel,
             std::string(itemName).c_str());
    const std::optional<int> role = RoleFromItem(itemName);
    if (!IsChannel(channel) || !role) {
        return;
    }
    if (model_.live.lockMode == 1) {
        // The output buttons are disabled while the configuration is locked; a role change
        // now would leave the link pairs describing channels that no longer match.
        WriteLog("SetOutputValue: output configuration locked\n");
        return;
    }
    AssignRole(channel, *role);
    Refresh(RefreshWhat::kSpeakerRoles);
    SetCurChannelChange(channel);

    CoupleSubwoofers(channel);
    SendTrim(channel);
    const int other = *role == kRoleSubwooferLeft    ? kRoleSubwooferRight
                      : *role == kRoleSubwooferRight ? kRoleSubwooferLeft
                                                     : -1;
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        if (ch != channel && other != -1 && RoleOf(ch) == other) {
            SendTrim(ch);
        }
    }
}

void EqualizerManager::SetSpeakerFocus(int role) {
    WriteLog("on %s index %d\n", "EqualizerManager::SetSpeakerFocus", role);
    if (role < 1 || role > kRoleCount) {
        return;
    }
    view_.SelectSpeakerIcon(role);
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        if (RoleOf(ch) == role) {
            SetCurChannelChange(ch);
        }
    }
}

}  // namespace korvel
