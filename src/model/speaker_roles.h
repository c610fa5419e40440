#pragma once
// Speaker roles of the output channels: the fixed role table, the partner rule used for
// left/right linking and the default crossover of every role.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "model/scene_record.h"

namespace korvel {

inline constexpr int kRoleEmpty = 0;
inline constexpr int kRoleSubwooferLeft = 22;
inline constexpr int kRoleSubwooferRight = 23;
inline constexpr int kNoPartnerRole = 0;  // PartnerRole's answer for a role without partner
inline constexpr int kNoLinkedChannel = -1;

struct RoleInfo {
    int role;
    std::string_view itemName;  // output menu item
    std::string_view shortKey;  // short text key
    std::string_view longKey;   // long text key (output button label)
    int partner;                // kNoPartnerRole when none
    int hpFs;
    int hpSlope;
    int lpFs;
    int lpSlope;
    int bpType;
};

// The 25 rows, role 0 ("output_item_empty") to 24.
std::span<const RoleInfo, kRoleCount + 1> RoleTable();

// A role outside 0..24 is treated as the empty role.
int NormaliseRole(int role);

std::string_view RoleItemName(int role);
// The role of a menu item name; nullopt for names that are not role items.
std::optional<int> RoleFromItem(std::string_view itemName);
// Long text key (button label) of a role.
std::string_view RoleName(int role);
// Short text key of a role item or of a menu group entry; empty for unknown names.
std::string_view RoleShortName(std::string_view itemName);

int PartnerRole(int role);
CrossoverSettings RoleDefaultCrossover(int role);

// For each channel, the first other channel whose role is the partner of its role, or -1.
std::array<int32_t, kChannelSlots> PairLinkedOutputs(
    const std::array<int32_t, kChannelSlots>& roles);

// Recomputes scene.linkOutputs from the roles when link mode is on, else sets all to -1.
void UpdateLinkOutputs(SceneRecord& scene);

// True when some channel's role has a partner role that another channel carries.
bool HasLinkablePair(const std::array<int32_t, kChannelSlots>& roles);
inline bool HasLinkablePair(const SceneRecord& scene) {
    return HasLinkablePair(scene.outputs);
}

}  // namespace korvel
