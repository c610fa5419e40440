// `korvel-cli curve` prints exactly the curves the graph computes, in a form that reads back to
// the same doubles.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "apps/process_runner.h"
#include "eqgraph/eq_math.h"
#include "model/scene_reset.h"
#include "profiles/profile_file.h"

namespace korvel::test {
namespace {

SceneRecord TunedScene() {
    SceneRecord scene;
    ResetScene(scene);
    scene.channels[1].crossover.hp = {120, 2, 4, 0};
    scene.channels[1].crossover.lp = {3500, 1, 3, 0};
    scene.channels[1].bypass = 0;
    scene.eqStore[1][10] = {-4.5f, 2.3f, 250, 1};
    scene.eqStore[1][20] = {3.0f, 1.1f, 2000, 1};
    scene.eqStore[1][25] = {6.0f, 4.0f, 6300, 0};  // disabled: no contribution
    return scene;
}

std::vector<std::vector<double>> ParseCsv(const std::string& text, std::string* header) {
    std::istringstream in(text);
    std::getline(in, *header);
    std::vector<std::vector<double>> rows;
    for (std::string line; std::getline(in, line);) {
        std::vector<double> row;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) {
            row.push_back(std::strtod(cell.c_str(), nullptr));
        }
        rows.push_back(row);
    }
    return rows;
}

class CliCurve : public ::testing::Test {
  protected:
    std::string file_ = "/tmp/korvel-curve-" + std::to_string(getpid()) + ".spf";
    void TearDown() override { unlink(file_.c_str()); }
};

TEST_F(CliCurve, CsvReadsBackToTheComputedDoubles) {
    const SceneRecord scene = TunedScene();
    ASSERT_TRUE(WriteProfileFile(scene, file_).ok());
    ProcessResult r = RunProcess({KORVEL_CLI_PATH, "curve", file_, "--csv"});
    ASSERT_EQ(r.exitCode, 0) << r.err;

    std::string header;
    auto rows = ParseCsv(r.out, &header);
    EXPECT_EQ(header,
              "frequency_hz,channel_0_db,channel_1_db,channel_2_db,channel_3_db,channel_4_db,"
              "channel_5_db");
    const SceneCurves expected = ComputeSceneCurves(scene);
    ASSERT_EQ(rows.size(), expected.frequencies.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 7u);
        EXPECT_EQ(rows[i][0], expected.frequencies[i]);
        for (size_t ch = 0; ch < 6; ++ch)
            EXPECT_EQ(rows[i][ch + 1], expected.totalDb[ch][i]);
    }
}

TEST_F(CliCurve, OneChannelAsJson) {
    ASSERT_TRUE(WriteProfileFile(TunedScene(), file_).ok());
    ProcessResult r = RunProcess({KORVEL_CLI_PATH, "curve", file_, "--channel", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("{\"frequencies_hz\":[", 0), 0u);
    EXPECT_NE(r.out.find("\"channels\":[{\"channel\":1,\"total_db\":["), std::string::npos);
    EXPECT_EQ(r.out.find("\"channel\":0"), std::string::npos);
}

TEST_F(CliCurve, BadFileIsOneLineNamingTheFileAndStatusTwo) {
    FILE* f = std::fopen(file_.c_str(), "w");
    std::fputs("{\"deviceModel\": 72, \"channels\": 5", f);
    std::fclose(f);
    ProcessResult r = RunProcess({KORVEL_CLI_PATH, "curve", file_});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find(file_), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

}  // namespace
}  // namespace korvel::test
