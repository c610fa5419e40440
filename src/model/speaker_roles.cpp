#include "model/speaker_roles.h"

#include "model/invariants.h"

namespace korvel {
namespace {

constexpr std::array<RoleInfo, kRoleCount + 1> kRoles{{
    {0, "output_item_empty", "${empty}", "${empty}", 0, 20, 0, 20000, 0, 0},
    {1, "output_menu_front_left_high_freq", "${tweeter}", "${front_left_tweeter}", 7, 4000, 4,
     20000, 0, 1},
    {2, "output_menu_front_left_mid_freq", "${midrange}", "${front_left_midrange}", 8, 500, 4, 4000,
     4, 3},
    {3, "output_menu_front_left_low_freq", "${woofer}", "${front_left_woofer}", 9, 80, 4, 500, 4,
     3},
    {4, "output_menu_front_left_mid_high_freq", "${midrange_tweeter}", "${front_left_mid_twee}", 10,
     500, 4, 20000, 0, 1},
    {5, "output_menu_front_left_mid_low_freq", "${midrange_woofer}", "${front_left_mid_woof}", 11,
     80, 4, 4000, 4, 3},
    {6, "output_menu_front_left_all_freq", "${full}", "${front_left_full}", 12, 20, 4, 20000, 0, 1},
    {7, "output_menu_front_right_high_freq", "${tweeter}", "${front_right_tweeter}", 1, 4000, 4,
     20000, 0, 1},
    {8, "output_menu_front_right_mid_freq", "${midrange}", "${front_right_midrange}", 2, 500, 4,
     4000, 4, 3},
    {9, "output_menu_front_right_low_freq", "${woofer}", "${front_right_woofer}", 3, 80, 4, 500, 4,
     3},
    {10, "output_menu_front_right_mid_high_freq", "${midrange_tweeter}", "${front_right_mid_twee}",
     4, 500, 4, 20000, 0, 1},
    {11, "output_menu_front_right_mid_low_freq", "${midrange_woofer}", "${front_right_mid_woof}", 5,
     80, 4, 4000, 4, 3},
    {12, "output_menu_front_right_all_freq", "${full}", "${front_right_full}", 6, 20, 4, 20000, 0,
     1},
    {13, "output_menu_rear_left_high_freq", "${tweeter}", "${rear_left_tweeter}", 16, 4000, 4,
     20000, 0, 1},
    {14, "output_menu_rear_left_low_freq", "${woofer}", "${rear_left_woofer}", 17, 80, 4, 500, 4,
     3},
    {15, "output_menu_rear_left_all_freq", "${full}", "${rear_left_full}", 18, 20, 4, 20000, 0, 1},
    {16, "output_menu_rear_right_high_freq", "${tweeter}", "${rear_right_tweeter}", 13, 4000, 4,
     20000, 0, 1},
    {17, "output_menu_rear_right_low_freq", "${woofer}", "${rear_right_woofer}", 14, 80, 4, 500, 4,
     3},
    {18, "output_menu_rear_right_all_freq", "${full}", "${rear_right_full}", 15, 20, 4, 20000, 0,
     1},
    {19, "output_menu_center_high_freq", "${tweeter}", "${center_tweeter}", 0, 4000, 4, 20000, 0,
     1},
    {20, "output_menu_center_low_freq", "${midrange}", "${center_woofer}", 0, 80, 4, 500, 4, 3},
    {21, "output_menu_center_all_freq", "${full}", "${center_full}", 0, 20, 4, 20000, 0, 1},
    {22, "output_menu_subwoof_left", "${left_subwoofer}", "${left_subwoofer_freq}", 23, 20, 4, 70,
     4, 3},
    {23, "output_menu_subwoof_right", "${right_subwoofer}", "${right_subwoofer_freq}", 22, 20, 4,
     70, 4, 3},
    {24, "output_menu_subwoof_low", "${woofer}", "${subwoofer_freq}", 0, 20, 4, 70, 4, 3},
}};

struct MenuGroup {
    std::string_view itemName;
    std::string_view shortKey;
};

// Menu entries that only open a sub-menu and carry a short text.
constexpr std::array<MenuGroup, 8> kMenuGroups{{
    {"output_menu_front", "${front}"},
    {"output_menu_front_left", "${left}"},
    {"output_menu_front_right", "${right}"},
    {"output_menu_rear", "${rear}"},
    {"output_menu_rear_left", "${left}"},
    {"output_menu_rear_right", "${right}"},
    {"output_menu_center", "${center}"},
    {"output_menu_subwoof", "${subwoofer}"},
}};

const RoleInfo& Row(int role) {
    return kRoles[static_cast<size_t>(NormaliseRole(role))];
}

FilterSettings DefaultFilter(int fs, int slope) {
    FilterSettings filter;
    filter.fs = fs;
    filter.type = kDefaultFilterType;
    SetFilterSlope(filter, slope);
    return filter;
}

}  // namespace

std::span<const RoleInfo, kRoleCount + 1> RoleTable() {
    return kRoles;
}

int NormaliseRole(int role) {
    return (role < 0 || role > kRoleCount) ? kRoleEmpty : role;
}

std::string_view RoleItemName(int role) {
    return Row(role).itemName;
}

std::optional<int> RoleFromItem(std::string_view itemName) {
    for (const RoleInfo& info : kRoles) {
        if (info.itemName == itemName) {
            return info.role;
        }
    }
    return std::nullopt;
}

std::string_view RoleName(int role) {
    return Row(role).longKey;
}

std::string_view RoleShortName(std::string_view itemName) {
    if (const auto role = RoleFromItem(itemName)) {
        return kRoles[static_cast<size_t>(*role)].shortKey;
    }
    for (const MenuGroup& group : kMenuGroups) {
        if (group.itemName == itemName) {
            return group.shortKey;
        }
    }
    return {};
}

int PartnerRole(int role) {
    return Row(role).partner;
}

CrossoverSettings RoleDefaultCrossover(int role) {
    const RoleInfo& info = Row(role);
    CrossoverSettings crossover;
    crossover.bpType = info.bpType;
    crossover.hp = DefaultFilter(info.hpFs, info.hpSlope);
    crossover.lp = DefaultFilter(info.lpFs, info.lpSlope);
    return crossover;
}

std::array<int32_t, kChannelSlots> PairLinkedOutputs(
    const std::array<int32_t, kChannelSlots>& roles) {
    std::array<int32_t, kChannelSlots> linked{};
    for (int i = 0; i < kChannelSlots; ++i) {
        linked[static_cast<size_t>(i)] = kNoLinkedChannel;
        const int partner = PartnerRole(roles[static_cast<size_t>(i)]);
        // Role 0 has no partner, so "no partner" can never match an empty channel.
        if (partner == kNoPartnerRole) {
            continue;
        }
        for (int m = 0; m < kChannelSlots; ++m) {
            if (m != i && roles[static_cast<size_t>(m)] == partner) {
                linked[static_cast<size_t>(i)] = m;
                break;
            }
        }
    }
    return linked;
}

void UpdateLinkOutputs(SceneRecord& scene) {
    if (scene.linkMode == 1) {
        scene.linkOutputs = PairLinkedOutputs(scene.outputs);
    } else {
        scene.linkOutputs.fill(kNoLinkedChannel);
    }
}

bool HasLinkablePair(const std::array<int32_t, kChannelSlots>& roles) {
    for (const int32_t linked : PairLinkedOutputs(roles)) {
        if (linked != kNoLinkedChannel) {
            return true;
        }
    }
    return false;
}

}  // namespace korvel
