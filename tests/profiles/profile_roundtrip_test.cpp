#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "profile_test_support.h"
#include "profiles/profile_file.h"
#include "profiles/scene_name_file.h"

namespace korvel {
namespace {

using testing::FileFieldsDiffer;
using testing::HeaderDiffers;
using testing::RichScene;
using testing::ScratchDir;

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::unique_ptr<ModelStore> RichStore() {
    auto store = std::make_unique<ModelStore>();
    store->live = *RichScene(0);
    for (int k = 0; k < kStoredScenes; ++k) {
        store->stored[static_cast<size_t>(k)] = *RichScene(k + 1);
    }
    store->names[0] = Utf16ToDeviceName(u"Rock");
    store->names[1] = Utf16ToDeviceName(u"中文场景");
    store->names[2] = Utf16ToDeviceName(u"Eight ch");  // eight units: all 16 file bytes
    return store;
}

TEST(SceneProfile, WriteThenReadGivesTheSameRecord) {
    ScratchDir dir;
    const auto original = RichScene(0);
    const auto path = dir / "scene.spf";
    const ProfileResult written = WriteProfileFile(*original, path);
    ASSERT_TRUE(written.ok());
    EXPECT_EQ(written.messageKey, "${profile_save_ok}");

    auto loaded = std::make_unique<SceneRecord>();
    SetChannelCount(*loaded, true);
    const ProfileResult read = ReadProfileFile(path, *loaded);
    ASSERT_TRUE(read.ok()) << read.detail;
    EXPECT_EQ(read.messageKey, "");
    EXPECT_EQ(HeaderDiffers(*original, *loaded), "");
    // The writer is stable: the loaded record prints to the same bytes as the file.
    EXPECT_EQ(ProfileText(*loaded), Slurp(path));
}

TEST(SceneProfile, OutputIsOneLineWithKeysInFileOrder) {
    auto scene = std::make_unique<SceneRecord>();
    SetChannelCount(*scene, true);
    const std::string text = ProfileText(*scene);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    const std::string head =
        R"({"model":72,"model_name":"Tarvik7","mainVolume":-5,"subVolume":0,"mainVolumeMute":0,)"
        R"("channels":[{"eqSize":31,"gain":0,"mute":0,"delay":0,"phase":0,"bypass":1,)"
        R"("crossover":{"bpType":1,"hp":{"fs":20,"type":2,"slope":4,"bypass":0},)"
        R"("lp":{"fs":20000,"type":2,"slope":0,"bypass":1}},)"
        R"("eqArray":[{"freq":20,"eqFactor":5.8000001907348633,"eqGain":0,"enable":1},)";
    EXPECT_EQ(text.substr(0, head.size()), head);
    const std::string tail =
        R"("outputs":[6,12,15,18,22,23],"linkOutputs":[-1,-1,-1,-1,-1,-1],)"
        R"("showChEqualizer":[0,0,0,0,0,0],"currChannel":0,"linkMode":0,"lockMode":0})";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_NE(text.find(R"("inputs":[[1,2,1,2,3,3],)"), std::string::npos);
    EXPECT_EQ(ProfileText(*scene), text);
}

TEST(WholeProfile, WriteThenReadGivesTheSameStore) {
    ScratchDir dir;
    const auto original = RichStore();
    const auto path = dir / "device.wpf";
    ASSERT_TRUE(WriteWholeProfileFile(*original, path).ok());

    auto loaded = std::make_unique<ModelStore>();
    const ProfileResult read = ReadWholeProfileFile(path, *loaded);
    ASSERT_TRUE(read.ok()) << read.detail;
    EXPECT_EQ(HeaderDiffers(original->live, loaded->live), "");
    for (size_t k = 0; k < kStoredScenes; ++k) {
        EXPECT_EQ(FileFieldsDiffer(original->stored[k], loaded->stored[k]), "") << "scene " << k;
    }
    EXPECT_EQ(loaded->names, original->names);
    EXPECT_EQ(WholeProfileText(loaded->live, loaded->stored, loaded->names), Slurp(path));
}

TEST(WholeProfile, KeysAndNamesInFileOrder) {
    const auto store = RichStore();
    const std::string text = WholeProfileText(store->live, store->stored, store->names);
    const auto at = [&text](const char* key) { return text.find(key); };
    EXPECT_EQ(at(R"({"model":72,"model_name":"Tarvik7","mainVolume":10,"subVolume":3,)"), 0u);
    EXPECT_LT(at(R"("mainVolumeMute")"), at(R"("sceneName":["UgBvAGMAawAAAAAAAAAAAA==",)"));
    EXPECT_LT(at(R"("sceneName")"), at(R"("currentProfile":{"channels":)"));
    EXPECT_LT(at(R"("currentProfile")"), at(R"("sceneArray":[{"channels":)"));
    EXPECT_EQ(text.find('\n'), std::string::npos);
}

TEST(ProfileApi, LoadReturnsAFreshRecordOnlyOnSuccess) {
    ScratchDir dir;
    const auto original = RichScene(2);
    ASSERT_TRUE(WriteProfileFile(*original, dir / "a.spf").ok());
    auto base = std::make_unique<SceneRecord>();
    SetChannelCount(*base, true);
    base->deviceModel = 72;  // not carried by files: kept from the base
    const SceneProfileLoad load = LoadProfileFile(dir / "a.spf", *base);
    ASSERT_TRUE(load.result.ok());
    ASSERT_NE(load.scene, nullptr);
    EXPECT_EQ(load.scene->deviceModel, 72);
    EXPECT_EQ(HeaderDiffers(*original, *load.scene), "");
    EXPECT_EQ(base->mainVolume, -5);

    const SceneProfileLoad missing = LoadProfileFile(dir / "missing.spf", *base);
    EXPECT_EQ(missing.result.status, ProfileStatus::OpenError);
    EXPECT_EQ(missing.scene, nullptr);

    const auto store = RichStore();
    ASSERT_TRUE(WriteWholeProfileFile(*store, dir / "b.wpf").ok());
    const WholeProfileLoad whole = LoadWholeProfileFile(dir / "b.wpf", ModelStore{});
    ASSERT_TRUE(whole.result.ok());
    EXPECT_EQ(whole.store->names, store->names);
    EXPECT_EQ(LoadWholeProfileFile(dir / "a.spf", ModelStore{}).store, nullptr);
}

TEST(ProfileApi, WritingToAnUncreatableFileFails) {
    ScratchDir dir;
    auto scene = std::make_unique<SceneRecord>();
    const ProfileResult result = WriteProfileFile(*scene, dir / "no_such_dir" / "x.spf");
    EXPECT_EQ(result.status, ProfileStatus::CreateError);
    EXPECT_EQ(result.messageKey, "${profile_create_error}");
    EXPECT_EQ(result.englishText, "The profile file cannot be created.");
    const auto store = std::make_unique<ModelStore>();
    EXPECT_EQ(WriteWholeProfileFile(*store, dir / "no_such_dir" / "x.wpf").status,
              ProfileStatus::CreateError);
}

}  // namespace
}  // namespace korvel
