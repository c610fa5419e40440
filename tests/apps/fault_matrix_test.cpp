// The fault matrix: korvel-cli's commands run in-process against a virtual amplifier that drops
// the reply to request N, corrupts it, or goes away after it. For every case the command must
// end within the shortened waits, and either succeed with exactly the data a fault-free run
// gives, or fail with status 1, say why, and leave the user's existing file byte for byte.
// A single lost or damaged answer is always asked for again, so those cases must succeed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "cli.h"
#include "model/scene_name.h"
#include "virtualamp/virtual_amplifier.h"
#include "virtualamp/virtual_transport.h"

namespace korvel::cli {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kWaitCapMs = 25;
// The longest a faulty run may take: a few shortened waits, never a shipped 10 s one.
constexpr auto kRunLimit = std::chrono::seconds(8);
constexpr const char* kPrevious = "the user's previous backup\n";

enum class Fault { kDrop, kCorrupt, kUnplug };

struct Outcome {
    int status;
    std::string error;
};

const char* Name(Fault fault) {
    return fault == Fault::kDrop ? "drop" : fault == Fault::kCorrupt ? "corrupt" : "unplug";
}

// Where two texts first differ, with some context, instead of both whole texts.
std::string FirstDifference(const std::string& a, const std::string& b) {
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    if (at == a.size() && at == b.size())
        return "equal";
    const size_t from = at > 60 ? at - 60 : 0;
    return "at " + std::to_string(at) + ": ..." + a.substr(from, 100) + "\n   vs ..." +
           b.substr(from, 100);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Distinct values everywhere a default would hide a lost answer.
AmpState TunedState() {
    AmpState s;
    auto tune = [](AmpScene& scene, int k) {
        scene.mainVolumeDb = static_cast<int8_t>(-3 - k);
        scene.mute = 1;
        for (int ch = 0; ch < kAmpChannels; ++ch) {
            AmpChannel& c = scene.channels[ch];
            c.delayMicroseconds = static_cast<uint32_t>(250 * (k + ch + 1));
            c.gainHundredths = -100 * (k + ch + 1);
            c.phase = static_cast<uint8_t>(ch % 2);
            c.speakerType = static_cast<uint8_t>(1 + (k + ch) % 24);
            c.eqBypass = 0;
            c.highPass = {2, static_cast<uint16_t>(60 + k), 2};
            c.lowPass = {1, static_cast<uint16_t>(9000 + k), 3};
            for (int band = 0; band < kBandCount; band += 5) {
                c.bands[band] = {static_cast<uint16_t>(100 + 50 * band + k), 150, 200};
            }
            scene.routing[0][ch] = static_cast<uint16_t>(1 + ch % 3);
            scene.mixTrim[5][2][ch] = static_cast<int8_t>(30 + ch);
        }
    };
    tune(s.live, 0);
    for (int k = 1; k <= kStoredScenes; ++k) {
        tune(s.stored[k - 1], k);
        s.names[k - 1] = Utf16ToDeviceName(u"Scene " + std::u16string(1, u'A' + k));
    }
    s.sceneValidMask = 0x3FF;
    return s;
}

// Where the pushes start: the tuned amplifier with other values in everything a push carries.
// (A push sends the routing of each scene's selected source only, so the other sources'
// routing stays as the amplifier had it.)
AmpState PushStart() {
    AmpState s = TunedState();
    auto detune = [](AmpScene& scene) {
        scene.mainVolumeDb = -40;
        for (AmpChannel& c : scene.channels) {
            c.gainHundredths = -2000;
            c.delayMicroseconds = 0;
            c.bands[0] = AmpBand{};
        }
    };
    detune(s.live);
    for (int k = 0; k < kStoredScenes; ++k) {
        detune(s.stored[k]);
        s.names[k] = Utf16ToDeviceName(u"Other");
    }
    s.sceneValidMask = 0;
    return s;
}

class FaultMatrix : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        amp_ = std::make_shared<VirtualAmplifier>();
        amp_->SetReportDelay(std::chrono::microseconds(0));
        CliTestHooks hooks;
        hooks.factory = [](const std::string&) -> std::optional<TransportFactory> {
            return MakeVirtualTransportFactory(amp_);
        };
        hooks.waitCapMs = kWaitCapMs;
        hooks.noPauses = true;
        hooks.quiet = true;
        SetCliTestHooks(std::move(hooks));
        dir_ = fs::path(::testing::TempDir()) / ("korvel_fault_matrix_" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        // Fault-free runs: the reference files and the request count of each command.
        Reset();
        ASSERT_EQ(Cli({"pull", (dir_ / "reference.spf").string()}), kExitOk);
        ASSERT_EQ(Cli({"pull", (dir_ / "reference.wpf").string()}), kExitOk);
    }
    void SetUp() override { pushStart_ = false; }

    static void TearDownTestSuite() {
        SetCliTestHooks({});
        fs::remove_all(dir_);
        amp_.reset();
    }

    // The amplifier as every run finds it: tuned, or (for pushes) detuned.
    static void Reset() {
        amp_->SetFaultPlan({});
        amp_->Replug();
        const AmpState start = pushStart_ ? PushStart() : TunedState();
        amp_->ModifyState([&](AmpState& s) { s = start; });
        amp_->ClearRequestLog();
    }

    static int Cli(std::vector<std::string> args, std::string* error = nullptr) {
        const GlobalOptions options{"matrix"};
        const std::string command = args.front();
        args.erase(args.begin());
        return RunGuarded(
            [&] {
                if (command == "pull")
                    return RunPull(options, args);
                if (command == "push")
                    return RunPush(options, args);
                if (command == "scene")
                    return RunScene(options, args);
                return RunFactoryReset(options, args);
            },
            error);
    }

    // Requests a fault-free run of `args` makes, counted from its first (PC_Connect 1).
    static size_t RequestCount(const std::vector<std::string>& args) {
        Reset();
        EXPECT_EQ(Cli(args), kExitOk);
        return amp_->RequestLog().size();
    }

    // First, second, the end of the synchronisation and after it, middle, last, and a few
    // seeded random ones.
    static std::set<uint64_t> Spread(size_t count, unsigned seed) {
        std::set<uint64_t> at{1, 2, 3, 71, 72, 73, count / 2, count - 1, count};
        std::mt19937 random(seed);
        std::uniform_int_distribution<uint64_t> pick(1, count);
        for (int i = 0; i < 4; ++i)
            at.insert(pick(random));
        return at;
    }

    // Runs `args` with `fault` at request `at`; checks the time and that no temporary file was
    // left next to the target.
    static Outcome RunWithFault(const std::vector<std::string>& args, Fault fault, uint64_t at) {
        Reset();
        FaultPlan plan;
        (fault == Fault::kDrop      ? plan.dropReplyTo
         : fault == Fault::kCorrupt ? plan.corruptReplyTo
                                    : plan.unplugAfter) = at;
        amp_->SetFaultPlan(plan);
        const auto start = Clock::now();
        Outcome outcome;
        outcome.status = Cli(args, &outcome.error);
        EXPECT_LT(Clock::now() - start, kRunLimit);
        for (const auto& entry : fs::directory_iterator(dir_)) {
            EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
        }
        return outcome;
    }

    // A recoverable fault (one answer lost or damaged, not the handshake's) must be recovered;
    // otherwise the command fails with status 1 and a reason.
    static void ExpectRightStatus(const Outcome& o, Fault fault, uint64_t at, size_t total) {
        const bool recoverable = fault != Fault::kUnplug && at != kHandshakeRequest;
        if (recoverable || (fault == Fault::kUnplug && at >= total)) {
            EXPECT_EQ(o.status, kExitOk) << o.error;
        } else if (o.status != kExitOk) {
            EXPECT_EQ(o.status, kExitDevice);
            EXPECT_FALSE(o.error.empty());
        }
        if (fault == Fault::kUnplug && at + 1 < total) {
            EXPECT_NE(o.status, kExitOk) << "the amplifier went away before the end";
        }
    }

    static constexpr uint64_t kHandshakeRequest = 2;  // after PC_Connect 1

    static inline std::shared_ptr<VirtualAmplifier> amp_;
    static inline bool pushStart_ = false;
    static inline fs::path dir_;
};

struct PullCase {
    const char* file;
    Fault fault;
    uint64_t at;
};

// A pull writes the file a fault-free pull writes, or nothing: the previous file stays.
void CheckPull(const fs::path& dir, const PullCase& c, const Outcome& o) {
    const fs::path target = dir / c.file;
    const std::string reference = ReadFile(
        dir / (fs::path(c.file).extension() == ".spf" ? "reference.spf" : "reference.wpf"));
    if (o.status == kExitOk) {
        EXPECT_EQ(FirstDifference(ReadFile(target), reference), "equal");
    } else {
        EXPECT_EQ(ReadFile(target), kPrevious);
    }
}

TEST_F(FaultMatrix, ScenePullAtEveryRequest) {
    const size_t total = RequestCount({"pull", (dir_ / "count.spf").string()});
    ASSERT_GT(total, 70u);
    for (Fault fault : {Fault::kDrop, Fault::kCorrupt, Fault::kUnplug}) {
        for (uint64_t at = 1; at <= total; ++at) {
            SCOPED_TRACE(std::string(Name(fault)) + " at request " + std::to_string(at));
            const fs::path target = dir_ / "backup.spf";
            std::ofstream(target, std::ios::binary | std::ios::trunc) << kPrevious;
            const Outcome o = RunWithFault({"pull", target.string()}, fault, at);
            ExpectRightStatus(o, fault, at, total);
            CheckPull(dir_, {"backup.spf", fault, at}, o);
        }
    }
}

TEST_F(FaultMatrix, WholePullAtASpreadOfRequests) {
    const size_t total = RequestCount({"pull", (dir_ / "count.wpf").string()});
    ASSERT_GT(total, 600u);
    for (Fault fault : {Fault::kDrop, Fault::kCorrupt, Fault::kUnplug}) {
        for (uint64_t at : Spread(total, 7)) {
            SCOPED_TRACE(std::string(Name(fault)) + " at request " + std::to_string(at));
            const fs::path target = dir_ / "backup.wpf";
            std::ofstream(target, std::ios::binary | std::ios::trunc) << kPrevious;
            const Outcome o = RunWithFault({"pull", target.string()}, fault, at);
            ExpectRightStatus(o, fault, at, total);
            CheckPull(dir_, {"backup.wpf", fault, at}, o);
        }
    }
}

// A push that succeeds leaves the amplifier holding the file: a fault-free pull gives it back.
TEST_F(FaultMatrix, PushesAtASpreadOfRequests) {
    pushStart_ = true;
    for (const char* reference : {"reference.spf", "reference.wpf"}) {
        const std::string file = (dir_ / reference).string();
        const size_t total = RequestCount({"push", file});
        for (Fault fault : {Fault::kDrop, Fault::kCorrupt, Fault::kUnplug}) {
            for (uint64_t at : Spread(total, 11)) {
                SCOPED_TRACE(std::string(reference) + " " + Name(fault) + " at request " +
                             std::to_string(at));
                const Outcome o = RunWithFault({"push", file}, fault, at);
                ExpectRightStatus(o, fault, at, total);
                if (o.status != kExitOk)
                    continue;
                amp_->SetFaultPlan({});
                amp_->Replug();  // an unplug after the last request left it away
                const fs::path back =
                    dir_ / (fs::path(reference).extension() == ".spf" ? "back.spf" : "back.wpf");
                ASSERT_EQ(Cli({"pull", back.string()}), kExitOk);
                EXPECT_EQ(FirstDifference(ReadFile(back), ReadFile(file)), "equal");
            }
        }
    }
    pushStart_ = false;
}

// Scene save, load, delete and the factory reset report success only when the amplifier
// confirmed it, and a device that went away as a failure.
TEST_F(FaultMatrix, SceneCommandsAndFactoryResetAtEveryRequestAfterTheSync) {
    const std::vector<std::vector<std::string>> commands{{"scene", "save", "3", "Night"},
                                                         {"scene", "load", "4"},
                                                         {"scene", "delete", "5"},
                                                         {"factory-reset", "--yes"}};
    for (const auto& command : commands) {
        const size_t total = RequestCount(command);
        std::set<uint64_t> positions = Spread(total, 13);
        for (uint64_t at = 72; at <= total; ++at)
            positions.insert(at);  // every request of the operation itself
        for (Fault fault : {Fault::kDrop, Fault::kCorrupt, Fault::kUnplug}) {
            for (uint64_t at : positions) {
                SCOPED_TRACE(command[0] + " " + command[1] + " " + Name(fault) + " at request " +
                             std::to_string(at));
                const Outcome o = RunWithFault(command, fault, at);
                ExpectRightStatus(o, fault, at, total);
            }
        }
    }
}

}  // namespace
}  // namespace korvel::cli
