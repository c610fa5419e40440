#include <gtest/gtest.h>

#include <memory>

#include "model/scene_reset.h"
#include "model/speaker_roles.h"

namespace korvel {
namespace {

using Roles = std::array<int32_t, kChannelSlots>;

TEST(RoleTable, PartnersAreSymmetricAndLeftIsLower) {
    for (const RoleInfo& info : RoleTable()) {
        const int partner = PartnerRole(info.role);
        if (partner == kNoPartnerRole) {
            continue;
        }
        EXPECT_EQ(PartnerRole(partner), info.role) << info.role;
        const bool leftToRight = (info.role >= 1 && info.role <= 6) ||
                                 (info.role >= 13 && info.role <= 15) || info.role == 22;
        EXPECT_EQ(partner > info.role, leftToRight) << info.role;
    }
    for (int role : {0, 19, 20, 21, 24, -1, 25}) {
        EXPECT_EQ(PartnerRole(role), kNoPartnerRole) << role;
    }
    EXPECT_EQ(PartnerRole(3), 9);
    EXPECT_EQ(PartnerRole(14), 17);
}

TEST(RoleTable, ItemNamesAndTextKeys) {
    for (const RoleInfo& info : RoleTable()) {
        EXPECT_EQ(RoleFromItem(RoleItemName(info.role)), info.role);
        EXPECT_EQ(RoleShortName(info.itemName), info.shortKey);
    }
    EXPECT_EQ(RoleItemName(0), "output_item_empty");
    EXPECT_EQ(RoleName(1), "${front_left_tweeter}");
    EXPECT_EQ(RoleName(24), "${subwoofer_freq}");
    EXPECT_EQ(RoleName(99), "${empty}");  // outside 0..24 counts as empty
    EXPECT_EQ(RoleShortName("output_menu_subwoof_left"), "${left_subwoofer}");
    EXPECT_EQ(RoleShortName("output_menu_rear_right"), "${right}");
    EXPECT_EQ(RoleShortName("output_menu_center"), "${center}");
    EXPECT_EQ(RoleShortName("output_menu_unknown"), "");
    EXPECT_FALSE(RoleFromItem("output_menu_front").has_value());
}

TEST(RoleDefaultCrossover, FiltersFollowTheTable) {
    struct Case {
        int role, hpFs, hpSlope, lpFs, lpSlope, bpType;
    };
    for (const Case c :
         {Case{0, 20, 0, 20000, 0, 0}, Case{1, 4000, 4, 20000, 0, 1}, Case{2, 500, 4, 4000, 4, 3},
          Case{22, 20, 4, 70, 4, 3}, Case{-7, 20, 0, 20000, 0, 0}}) {
        const CrossoverSettings x = RoleDefaultCrossover(c.role);
        EXPECT_EQ(x.hp.fs, c.hpFs);
        EXPECT_EQ(x.hp.slope, c.hpSlope);
        EXPECT_EQ(x.lp.fs, c.lpFs);
        EXPECT_EQ(x.lp.slope, c.lpSlope);
        EXPECT_EQ(x.bpType, c.bpType);
        EXPECT_EQ(x.hp.bypass, c.hpSlope == 0 ? 1 : 0);
        EXPECT_EQ(x.lp.bypass, c.lpSlope == 0 ? 1 : 0);
        EXPECT_EQ(x.hp.type, 2);
        EXPECT_EQ(x.lp.type, 2);
    }
    for (const RoleInfo& info : RoleTable()) {
        const CrossoverSettings x = RoleDefaultCrossover(info.role);
        EXPECT_EQ(x.bpType, (x.hp.slope > 0 ? 1 : 0) | (x.lp.slope > 0 ? 2 : 0)) << info.role;
    }
}

TEST(LinkPairing, PairsEachChannelWithTheFirstPartner) {
    struct Case {
        Roles roles;
        Roles linked;
        bool linkable;
    };
    const Case cases[] = {
        {{6, 12, 15, 18, 22, 23}, {1, 0, 3, 2, 5, 4}, true},
        {{1, 7, 7, 0, 0, 0}, {1, 0, 0, -1, -1, -1}, true},
        // Roles without partner never pair with an empty channel.
        {{19, 0, 21, 24, 0, 20}, {-1, -1, -1, -1, -1, -1}, false},
        {{6, 6, 15, 15, 22, 22}, {-1, -1, -1, -1, -1, -1}, false},
        {{0, 0, 0, 0, 0, 0}, {-1, -1, -1, -1, -1, -1}, false},
        {{99, -4, 12, 6, 0, 0}, {-1, -1, 3, 2, -1, -1}, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PairLinkedOutputs(c.roles), c.linked);
        EXPECT_EQ(HasLinkablePair(c.roles), c.linkable);
    }
}

TEST(LinkPairing, LinkModeDecidesWhetherPairsAreKept) {
    auto scene = std::make_unique<SceneRecord>();
    SetChannelCount(*scene, true);
    scene->linkMode = 1;
    UpdateLinkOutputs(*scene);
    EXPECT_EQ(scene->linkOutputs, (Roles{1, 0, 3, 2, 5, 4}));
    EXPECT_TRUE(HasLinkablePair(*scene));
    scene->linkMode = 0;
    UpdateLinkOutputs(*scene);
    EXPECT_EQ(scene->linkOutputs, (Roles{-1, -1, -1, -1, -1, -1}));
}

}  // namespace
}  // namespace korvel
