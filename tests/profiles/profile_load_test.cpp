#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "model/scene_name.h"
#include "profile_test_support.h"
#include "profiles/profile_file.h"

namespace korvel {
namespace {

using testing::HeaderDiffers;
using testing::RichScene;
using testing::ScratchDir;

struct JsonDeleter {
    void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using Json = std::unique_ptr<cJSON, JsonDeleter>;
using Edit = std::function<void(cJSON*)>;

std::string Print(const cJSON* root) {
    char* text = cJSON_PrintUnformatted(root);
    std::string out(text);
    cJSON_free(text);
    return out;
}

// The written text of a valid profile with one edit applied to its JSON tree.
std::string Edited(const std::string& valid, const Edit& edit) {
    Json root(cJSON_Parse(valid.c_str()));
    edit(root.get());
    return Print(root.get());
}

cJSON* Channel(cJSON* root, int n) {
    return cJSON_GetArrayItem(cJSON_GetObjectItem(root, "channels"), n);
}
cJSON* Band(cJSON* root, int n, int band) {
    return cJSON_GetArrayItem(cJSON_GetObjectItem(Channel(root, n), "eqArray"), band);
}
void Set(cJSON* object, const char* key, cJSON* value) {
    cJSON_ReplaceItemInObject(object, key, value);
}
void SetNumber(cJSON* object, const char* key, double value) {
    Set(object, key, cJSON_CreateNumber(value));
}
void DropLast(cJSON* array) {
    cJSON_DeleteItemFromArray(array, cJSON_GetArraySize(array) - 1);
}

std::string ValidSceneText() {
    return ProfileText(*RichScene(1));
}

struct ErrorCase {
    const char* name;
    Edit edit;
};
void PrintTo(const ErrorCase& c, std::ostream* out) {
    *out << c.name;
}

class SceneProfileErrors : public ::testing::TestWithParam<ErrorCase> {};

// Every structural fault is a load error, and the caller's record stays as it was.
TEST_P(SceneProfileErrors, AreLoadErrorsThatLeaveTheRecordUnchanged) {
    const std::string text = Edited(ValidSceneText(), GetParam().edit);
    auto scene = RichScene(4);
    const std::string before = ProfileText(*scene);
    const ProfileResult result = ParseProfileText(text, *scene);
    EXPECT_EQ(result.status, ProfileStatus::LoadError);
    EXPECT_EQ(result.messageKey, "${profile_load_error}");
    EXPECT_FALSE(result.detail.empty());
    EXPECT_EQ(ProfileText(*scene), before);
}

const ErrorCase kSceneErrors[] = {
    {"ModelMissing", [](cJSON* r) { cJSON_DeleteItemFromObject(r, "model"); }},
    {"ModelNotNumber", [](cJSON* r) { Set(r, "model", cJSON_CreateString("72")); }},
    {"MainVolumeMissing", [](cJSON* r) { cJSON_DeleteItemFromObject(r, "mainVolume"); }},
    {"SubVolumeNotNumber", [](cJSON* r) { Set(r, "subVolume", cJSON_CreateTrue()); }},
    {"MuteMissing", [](cJSON* r) { cJSON_DeleteItemFromObject(r, "mainVolumeMute"); }},
    {"InputsEightRows", [](cJSON* r) { DropLast(cJSON_GetObjectItem(r, "inputs")); }},
    {"InputsShortRow",
     [](cJSON* r) { DropLast(cJSON_GetArrayItem(cJSON_GetObjectItem(r, "inputs"), 3)); }},
    {"InputsNotArray", [](cJSON* r) { Set(r, "inputs", cJSON_CreateObject()); }},
    {"MixVolumeSevenInputs",
     [](cJSON* r) { DropLast(cJSON_GetArrayItem(cJSON_GetObjectItem(r, "inputMixVolume"), 8)); }},
    {"MixVolumeStringLevel",
     [](cJSON* r) {
         cJSON* row =
             cJSON_GetArrayItem(cJSON_GetArrayItem(cJSON_GetObjectItem(r, "inputMixVolume"), 2), 7);
         cJSON_ReplaceItemInArray(row, 5, cJSON_CreateString("100"));
     }},
    {"OutputsFiveEntries", [](cJSON* r) { DropLast(cJSON_GetObjectItem(r, "outputs")); }},
    {"LinkOutputsMissing", [](cJSON* r) { cJSON_DeleteItemFromObject(r, "linkOutputs"); }},
    {"ShowMissing", [](cJSON* r) { cJSON_DeleteItemFromObject(r, "showChEqualizer"); }},
    {"CurrChannelNull", [](cJSON* r) { Set(r, "currChannel", cJSON_CreateNull()); }},
    {"LinkModeMissing", [](cJSON* r) { cJSON_DeleteItemFromObject(r, "linkMode"); }},
    {"LockModeMissing", [](cJSON* r) { cJSON_DeleteItemFromObject(r, "lockMode"); }},
    {"FiveChannels", [](cJSON* r) { DropLast(cJSON_GetObjectItem(r, "channels")); }},
    {"ChannelNotObject",
     [](cJSON* r) {
         cJSON_ReplaceItemInArray(cJSON_GetObjectItem(r, "channels"), 2, cJSON_CreateNumber(1));
     }},
    {"EqSizeAboveRow", [](cJSON* r) { SetNumber(Channel(r, 1), "eqSize", 32); }},
    {"EqSizeNegative", [](cJSON* r) { SetNumber(Channel(r, 1), "eqSize", -1); }},
    {"EqArrayShorterThanEqSize",
     [](cJSON* r) { DropLast(cJSON_GetObjectItem(Channel(r, 5), "eqArray")); }},
    {"GainInfinite", [](cJSON* r) { SetNumber(Channel(r, 0), "gain", HUGE_VAL); }},
    {"DelayMissing", [](cJSON* r) { cJSON_DeleteItemFromObject(Channel(r, 3), "delay"); }},
    {"PhaseMissing", [](cJSON* r) { cJSON_DeleteItemFromObject(Channel(r, 3), "phase"); }},
    {"CrossoverMissing", [](cJSON* r) { cJSON_DeleteItemFromObject(Channel(r, 0), "crossover"); }},
    {"HighPassMissing",
     [](cJSON* r) {
         cJSON_DeleteItemFromObject(cJSON_GetObjectItem(Channel(r, 0), "crossover"), "hp");
     }},
    {"LowPassSlopeMissing",
     [](cJSON* r) {
         cJSON* lp = cJSON_GetObjectItem(cJSON_GetObjectItem(Channel(r, 2), "crossover"), "lp");
         cJSON_DeleteItemFromObject(lp, "slope");
     }},
    {"BandEnableMissing", [](cJSON* r) { cJSON_DeleteItemFromObject(Band(r, 4, 30), "enable"); }},
    {"BandQString", [](cJSON* r) { Set(Band(r, 0, 0), "eqFactor", cJSON_CreateString("5")); }},
    {"BandGainInfinite", [](cJSON* r) { SetNumber(Band(r, 0, 7), "eqGain", -HUGE_VAL); }},
};

INSTANTIATE_TEST_SUITE_P(Structure, SceneProfileErrors, ::testing::ValuesIn(kSceneErrors),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SceneProfileLoad, InfinityWrittenAsTextIsRefused) {
    std::string text = ValidSceneText();
    const std::string key = R"("subVolume":4)";
    text.replace(text.find(key), key.size(), R"("subVolume":1e999)");
    auto scene = RichScene(0);
    EXPECT_EQ(ParseProfileText(text, *scene).status, ProfileStatus::LoadError);
}

TEST(SceneProfileLoad, OtherModelIsRefusedWithoutResettingTheRecord) {
    const std::string text = Edited(ValidSceneText(), [](cJSON* r) { SetNumber(r, "model", 73); });
    auto scene = RichScene(4);
    const std::string before = ProfileText(*scene);
    const ProfileResult result = ParseProfileText(text, *scene);
    EXPECT_EQ(result.status, ProfileStatus::ModelMismatch);
    EXPECT_EQ(result.messageKey, "${software_not_match}");
    EXPECT_EQ(ProfileText(*scene), before);
}

TEST(SceneProfileLoad, UnreadableOrNonJsonFilesAreOpenErrors) {
    ScratchDir dir;
    auto scene = RichScene(0);
    const std::string before = ProfileText(*scene);
    for (const char* content : {"", "not json", "{\"model\":72", "\x00\x01"}) {
        EXPECT_EQ(ParseProfileText(content, *scene).status, ProfileStatus::OpenError) << content;
    }
    const ProfileResult missing = ReadProfileFile(dir / "missing.spf", *scene);
    EXPECT_EQ(missing.status, ProfileStatus::OpenError);
    EXPECT_EQ(missing.messageKey, "${profile_open_error}");
    EXPECT_EQ(ReadProfileFile(dir / ".", *scene).status, ProfileStatus::OpenError);
    EXPECT_EQ(ProfileText(*scene), before);
}

// Values outside the model's ranges load, brought into range the way a device report would be.
struct RangeCase {
    const char* name;
    Edit edit;
    std::function<void(const SceneRecord&)> check;
};
void PrintTo(const RangeCase& c, std::ostream* out) {
    *out << c.name;
}

class SceneProfileRanges : public ::testing::TestWithParam<RangeCase> {};

TEST_P(SceneProfileRanges, AreBroughtIntoRange) {
    const std::string text = Edited(ValidSceneText(), GetParam().edit);
    auto scene = std::make_unique<SceneRecord>();
    SetChannelCount(*scene, true);
    const ProfileResult result = ParseProfileText(text, *scene);
    ASSERT_TRUE(result.ok()) << result.detail;
    GetParam().check(*scene);
}

cJSON* Filter(cJSON* r, int n, const char* which) {
    return cJSON_GetObjectItem(cJSON_GetObjectItem(Channel(r, n), "crossover"), which);
}

const RangeCase kRanges[] = {
    {"FractionalGainDropsItsFraction", [](cJSON* r) { SetNumber(Channel(r, 0), "gain", -12.5); },
     [](const SceneRecord& s) { EXPECT_EQ(s.channels[0].gain, -12.0f); }},
    {"GainAboveZero", [](cJSON* r) { SetNumber(Channel(r, 0), "gain", 10); },
     [](const SceneRecord& s) { EXPECT_EQ(s.channels[0].gain, 0.0f); }},
    {"GainBelowOff", [](cJSON* r) { SetNumber(Channel(r, 0), "gain", -1e12); },
     [](const SceneRecord& s) { EXPECT_EQ(s.channels[0].gain, -60.0f); }},
    {"DelayAboveRange", [](cJSON* r) { SetNumber(Channel(r, 1), "delay", 1e300); },
     [](const SceneRecord& s) { EXPECT_EQ(s.channels[1].delay, 15.0f); }},
    {"HalfEnableIsEnabled", [](cJSON* r) { SetNumber(Band(r, 2, 0), "enable", 0.5); },
     [](const SceneRecord& s) { EXPECT_EQ(s.eqStore[2][0].enable, 1); }},
    {"CurrentChannelOutOfRange", [](cJSON* r) { SetNumber(r, "currChannel", 9); },
     [](const SceneRecord& s) { EXPECT_EQ(s.currChannel, 0); }},
    {"NegativeCurrentChannel", [](cJSON* r) { SetNumber(r, "currChannel", -1); },
     [](const SceneRecord& s) { EXPECT_EQ(s.currChannel, 0); }},
    {"UnknownRoles",
     [](cJSON* r) {
         cJSON* outputs = cJSON_GetObjectItem(r, "outputs");
         cJSON_ReplaceItemInArray(outputs, 0, cJSON_CreateNumber(30));
         cJSON_ReplaceItemInArray(outputs, 1, cJSON_CreateNumber(-2));
     },
     [](const SceneRecord& s) {
         EXPECT_EQ(s.outputs[0], 0);
         EXPECT_EQ(s.outputs[1], 0);
     }},
    {"LinkOutputsAreDerivedFromRoles",
     [](cJSON* r) {
         cJSON* linked = cJSON_GetObjectItem(r, "linkOutputs");
         for (int i = 0; i < 6; ++i) {
             cJSON_ReplaceItemInArray(linked, i, cJSON_CreateNumber(77));
         }
     },
     [](const SceneRecord& s) {
         EXPECT_EQ(s.linkOutputs, (std::array<int32_t, 6>{1, 0, 3, 2, 5, 4}));
     }},
    {"LinkOffClearsLinkOutputs", [](cJSON* r) { SetNumber(r, "linkMode", 0); },
     [](const SceneRecord& s) {
         EXPECT_EQ(s.linkOutputs, (std::array<int32_t, 6>{-1, -1, -1, -1, -1, -1}));
     }},
    {"CornerAboveRangeBecomes20", [](cJSON* r) { SetNumber(Filter(r, 0, "lp"), "fs", 25000); },
     [](const SceneRecord& s) {
         EXPECT_EQ(s.channels[0].crossover.lp.fs, 20);
         EXPECT_LE(s.channels[0].crossover.hp.fs, 20);  // never above the low-pass corner
     }},
    {"HighPassAboveLowPass", [](cJSON* r) { SetNumber(Filter(r, 4, "hp"), "fs", 5000); },
     [](const SceneRecord& s) { EXPECT_EQ(s.channels[4].crossover.hp.fs, 70); }},
    {"FilterTypeOutsideRange", [](cJSON* r) { SetNumber(Filter(r, 1, "hp"), "type", 7); },
     [](const SceneRecord& s) { EXPECT_EQ(s.channels[1].crossover.hp.type, 1); }},
    {"NegativeSlopeTurnsTheFilterOff",
     [](cJSON* r) {
         SetNumber(Filter(r, 1, "hp"), "slope", -3);
         SetNumber(Filter(r, 1, "hp"), "bypass", 0);
     },
     [](const SceneRecord& s) {
         EXPECT_EQ(s.channels[1].crossover.hp.slope, 0);
         EXPECT_EQ(s.channels[1].crossover.hp.bypass, 1);
     }},
    {"SlopeAboveHighestOrder", [](cJSON* r) { SetNumber(Filter(r, 1, "hp"), "slope", 40); },
     [](const SceneRecord& s) {
         EXPECT_EQ(s.channels[1].crossover.hp.slope, 8);
         EXPECT_EQ(s.channels[1].crossover.hp.bypass, 0);
     }},
    {"BpTypeOutsideRange",
     [](cJSON* r) { SetNumber(cJSON_GetObjectItem(Channel(r, 5), "crossover"), "bpType", 9); },
     [](const SceneRecord& s) { EXPECT_EQ(s.channels[5].crossover.bpType, 3); }},
    {"BandValuesOutsideRange",
     [](cJSON* r) {
         SetNumber(Band(r, 3, 5), "freq", 99999);
         SetNumber(Band(r, 3, 5), "eqFactor", 20);
         SetNumber(Band(r, 3, 5), "eqGain", 1e30);
         SetNumber(Band(r, 3, 6), "freq", -5);
         SetNumber(Band(r, 3, 6), "eqFactor", 0);
         SetNumber(Band(r, 3, 6), "eqGain", -1e30);
     },
     [](const SceneRecord& s) {
         EXPECT_EQ(s.eqStore[3][5].freq, 20000);
         EXPECT_FLOAT_EQ(s.eqStore[3][5].eqFactor, 9.0f);
         EXPECT_FLOAT_EQ(s.eqStore[3][5].eqGain, 18.0f);
         EXPECT_EQ(s.eqStore[3][6].freq, 20);
         EXPECT_FLOAT_EQ(s.eqStore[3][6].eqFactor, 0.5f);
         EXPECT_FLOAT_EQ(s.eqStore[3][6].eqGain, -18.0f);
     }},
    {"RoutingMaskKeepsTheSixInputBits",
     [](cJSON* r) {
         cJSON_ReplaceItemInArray(cJSON_GetArrayItem(cJSON_GetObjectItem(r, "inputs"), 0), 0,
                                  cJSON_CreateNumber(255));
     },
     [](const SceneRecord& s) { EXPECT_EQ(s.inputs[0][0], 63); }},
    {"MixLevelFitsOneByte",
     [](cJSON* r) {
         cJSON* row =
             cJSON_GetArrayItem(cJSON_GetArrayItem(cJSON_GetObjectItem(r, "inputMixVolume"), 0), 0);
         cJSON_ReplaceItemInArray(row, 0, cJSON_CreateNumber(1000));
         cJSON_ReplaceItemInArray(row, 1, cJSON_CreateNumber(-4));
     },
     [](const SceneRecord& s) {
         EXPECT_EQ(s.inputMixVolume[0][0][0], 255);
         EXPECT_EQ(s.inputMixVolume[0][0][1], 0);
     }},
    {"MainVolumeAboveRange", [](cJSON* r) { SetNumber(r, "mainVolume", 1e15); },
     [](const SceneRecord& s) { EXPECT_EQ(s.mainVolume, 40); }},
    {"FlagsBecomeZeroOrOne",
     [](cJSON* r) {
         SetNumber(Channel(r, 0), "mute", 5);
         SetNumber(Channel(r, 0), "phase", -1);
         SetNumber(Channel(r, 0), "bypass", 257);  // low byte 1
         SetNumber(r, "lockMode", 3);
     },
     [](const SceneRecord& s) {
         EXPECT_EQ(s.channels[0].mute, 1);
         EXPECT_EQ(s.channels[0].phase, 1);
         EXPECT_EQ(s.channels[0].bypass, 1);
         EXPECT_EQ(s.lockMode, 1);
     }},
    {"FewerBandsKeepTheRestOfTheRow",
     [](cJSON* r) {
         cJSON* channel = Channel(r, 2);
         SetNumber(channel, "eqSize", 11);
         cJSON* bands = cJSON_GetObjectItem(channel, "eqArray");
         while (cJSON_GetArraySize(bands) > 11) {
             DropLast(bands);
         }
     },
     [](const SceneRecord& s) {
         EXPECT_EQ(s.BandCount(2), 11);
         EXPECT_EQ(s.eqStore[2][11].freq, 250);  // the reset band stays
     }},
};

INSTANTIATE_TEST_SUITE_P(Values, SceneProfileRanges, ::testing::ValuesIn(kRanges),
                         [](const auto& info) { return std::string(info.param.name); });

// --- whole profiles ----------------------------------------------------------------------------

std::string ValidWholeText() {
    auto store = std::make_unique<ModelStore>();
    store->live = *RichScene(0);
    for (size_t k = 0; k < kStoredScenes; ++k) {
        store->stored[k] = *RichScene(static_cast<int>(k) + 1);
        store->names[k] = Utf16ToDeviceName(u"Scene " + std::u16string(1, u'0' + char16_t(k)));
    }
    return WholeProfileText(store->live, store->stored, store->names);
}

cJSON* Stored(cJSON* r, int k) {
    return cJSON_GetArrayItem(cJSON_GetObjectItem(r, "sceneArray"), k);
}

class WholeProfileErrors : public ::testing::TestWithParam<ErrorCase> {};

// A failure anywhere leaves the live scene, every stored scene and every name unchanged.
TEST_P(WholeProfileErrors, LeaveTheWholeStoreUnchanged) {
    const std::string text = Edited(ValidWholeText(), GetParam().edit);
    auto store = std::make_unique<ModelStore>();
    store->names[0] = Utf16ToDeviceName(u"Keep me");
    const auto before = std::make_unique<ModelStore>(*store);
    const ProfileResult result = ParseWholeProfileText(text, *store);
    EXPECT_EQ(result.status, ProfileStatus::LoadError);
    EXPECT_EQ(result.messageKey, "${profile_load_error}");
    EXPECT_EQ(WholeProfileText(store->live, store->stored, store->names),
              WholeProfileText(before->live, before->stored, before->names));
    EXPECT_EQ(store->names, before->names);
}

const ErrorCase kWholeErrors[] = {
    {"SceneNameMissing", [](cJSON* r) { cJSON_DeleteItemFromObject(r, "sceneName"); }},
    {"NineSceneNames", [](cJSON* r) { DropLast(cJSON_GetObjectItem(r, "sceneName")); }},
    {"SceneNameNotString",
     [](cJSON* r) {
         cJSON_ReplaceItemInArray(cJSON_GetObjectItem(r, "sceneName"), 4, cJSON_CreateNumber(4));
     }},
    {"SceneNameNotBase64",
     [](cJSON* r) {
         cJSON_ReplaceItemInArray(cJSON_GetObjectItem(r, "sceneName"), 2,
                                  cJSON_CreateString("U2Nl!!!u"));
     }},
    {"SceneNameWithALineBreak",
     [](cJSON* r) {  // "a\nb" as UTF-16LE, zero-padded to 16 bytes
         cJSON_ReplaceItemInArray(cJSON_GetObjectItem(r, "sceneName"), 2,
                                  cJSON_CreateString("YQAKAGIAAAAAAAAAAAAAAA=="));
     }},
    {"CurrentProfileMissing", [](cJSON* r) { cJSON_DeleteItemFromObject(r, "currentProfile"); }},
    {"CurrentProfileBroken",
     [](cJSON* r) {
         cJSON_DeleteItemFromObject(cJSON_GetObjectItem(r, "currentProfile"), "lockMode");
     }},
    {"SceneArrayMissing", [](cJSON* r) { cJSON_DeleteItemFromObject(r, "sceneArray"); }},
    {"NineStoredScenes", [](cJSON* r) { DropLast(cJSON_GetObjectItem(r, "sceneArray")); }},
    {"StoredSceneNotObject",
     [](cJSON* r) {
         cJSON_ReplaceItemInArray(cJSON_GetObjectItem(r, "sceneArray"), 0, cJSON_CreateArray());
     }},
    // The last stored scene is broken after nine scenes and all names were read.
    {"LastStoredSceneBroken",
     [](cJSON* r) { cJSON_DeleteItemFromObject(Stored(r, 9), "lockMode"); }},
    {"LastStoredSceneInfiniteDelay",
     [](cJSON* r) {
         SetNumber(cJSON_GetArrayItem(cJSON_GetObjectItem(Stored(r, 9), "channels"), 5), "delay",
                   HUGE_VAL);
     }},
};

INSTANTIATE_TEST_SUITE_P(Structure, WholeProfileErrors, ::testing::ValuesIn(kWholeErrors),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WholeProfileLoad, ParseFailureIsALoadErrorAndOtherModelIsRefused) {
    auto store = std::make_unique<ModelStore>();
    EXPECT_EQ(ParseWholeProfileText("{", *store).status, ProfileStatus::LoadError);
    const std::string other =
        Edited(ValidWholeText(), [](cJSON* r) { SetNumber(r, "model", 71.9); });
    EXPECT_EQ(ParseWholeProfileText(other, *store).status, ProfileStatus::ModelMismatch);
    EXPECT_EQ(store->live.mainVolume, -5);
}

TEST(WholeProfileLoad, StoredSceneLockModeComesFromItsOwnElement) {
    const std::string text = Edited(ValidWholeText(), [](cJSON* r) {
        SetNumber(Stored(r, 3), "linkMode", 0);
        SetNumber(Stored(r, 3), "lockMode", 0);
    });
    auto store = std::make_unique<ModelStore>();
    ASSERT_TRUE(ParseWholeProfileText(text, *store).ok());
    EXPECT_EQ(store->stored[3].lockMode, 0);
    EXPECT_EQ(store->stored[4].lockMode, 1);
    EXPECT_EQ(store->names[3], Utf16ToDeviceName(u"Scene 3"));
}

// A profile is one JSON document: damage around it, a model that is no whole number and a bad
// scene name are load errors that say where.
TEST(ProfileText, DamageIsALoadErrorNamingWhere) {
    const std::string scene = ValidSceneText();
    std::string modelHalf = scene;
    modelHalf.replace(modelHalf.find("\"model\":72"), 10, "\"model\":72.5");
    const std::string whole = ValidWholeText();
    std::string badName = whole;
    const std::string name = "\"sceneName\":[\"";
    badName.insert(badName.find(name) + name.size(), "*");
    struct Case {
        const char* name;
        std::string text;
        bool whole;
        const char* detail;
    };
    const Case cases[] = {
        {"trailing data", scene + "{}", false, "data after the JSON"},
        {"trailing data in a whole profile", whole + "x", true, "data after the JSON"},
        {"NUL byte", scene + std::string(1, '\0'), false, "NUL byte"},
        {"model not whole", modelHalf, false, "model (not a whole number)"},
        {"bad name", badName, true, "scene 1): not valid Base64"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto store = std::make_unique<ModelStore>();
        const ProfileResult result =
            c.whole ? ParseWholeProfileText(c.text, *store) : ParseProfileText(c.text, store->live);
        EXPECT_EQ(result.status, ProfileStatus::LoadError);
        EXPECT_NE(result.detail.find(c.detail), std::string::npos) << result.detail;
    }
    // White space after the document is no damage.
    auto live = RichScene(0);
    EXPECT_TRUE(ParseProfileText(scene + " \r\n", *live).ok());
}

TEST(ProfileText, OverlargeFileNamesTheLimit) {
    ScratchDir dir;
    const auto path = dir / "huge.spf";
    std::ofstream(path).put('{');
    std::filesystem::resize_file(path, kMaxProfileFileBytes + 1);
    auto scene = RichScene(0);
    const ProfileResult result = ReadProfileFile(path, *scene);
    EXPECT_EQ(result.status, ProfileStatus::OpenError);
    EXPECT_NE(result.detail.find("limit of 16 MiB"), std::string::npos) << result.detail;
}

// The device keeps 16 bytes of a name (16 ASCII characters), the file eight UTF-16 units: the
// writer says which names it had to shorten.
TEST(ProfileText, WholeProfileWriteReportsShortenedNames) {
    ScratchDir dir;
    auto store = std::make_unique<ModelStore>();
    store->names[2] = Utf16ToDeviceName(u"Front stage wide");
    store->names[6] = Utf16ToDeviceName(u"Eight ch");
    const ProfileResult result = WriteWholeProfileFile(*store, dir / "names.wpf");
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.shortenedNames, std::vector<int>{3});
}

}  // namespace
}  // namespace korvel
