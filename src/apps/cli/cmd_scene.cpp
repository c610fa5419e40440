// scene and factory-reset: the scenes stored in the amplifier.
#include <cstdio>
#include <iostream>
#include <string>

#include "cli.h"
#include "model/scene_name.h"
#include "tuning_session.h"

namespace korvel::cli {

namespace {

constexpr const char* kSceneHelp =
    "usage: korvel-cli [--device DEVICE] scene list\n"
    "       korvel-cli [--device DEVICE] scene save N NAME\n"
    "       korvel-cli [--device DEVICE] scene load N\n"
    "       korvel-cli [--device DEVICE] scene delete N\n"
    "\n"
    "The amplifier keeps ten scenes, numbered 1 to 10.\n"
    "  list    the scenes' names and which of them hold settings\n"
    "  save    stores the live settings as scene N under NAME (at most 16 bytes on the device)\n"
    "  load    makes scene N the live settings\n"
    "  delete  erases scene N\n";

constexpr const char* kFactoryHelp =
    "usage: korvel-cli [--device DEVICE] factory-reset [--yes]\n"
    "\n"
    "Restores the amplifier's factory settings: every stored scene and the live settings are\n"
    "lost. Asks for confirmation on standard input unless --yes is given.\n";

std::string NameText(const SceneName& name) {
    return Utf16ToUtf8(DeviceNameToUtf16(name));
}

// A name as a listing shows it: control characters (stored by other programs) become '?', so
// one scene stays on one line.
std::string ListedName(const SceneName& name) {
    std::u16string text = DeviceNameToUtf16(name);
    for (char16_t& unit : text) {
        if (HasControlCharacter(std::u16string_view(&unit, 1)))
            unit = u'?';
    }
    return Utf16ToUtf8(text);
}

std::u16string Utf16FromUtf8(const std::string& text) {
    auto utf16 = Utf8ToUtf16(text);
    if (!utf16)
        throw UsageError("the scene name is not valid UTF-8");
    if (HasControlCharacter(*utf16))
        throw UsageError("the scene name may not hold control characters (line breaks, tabs)");
    return *utf16;
}

int ListScenes(TuningSession& session) {
    const uint16_t valid = session.Manager().SceneValidMask();
    for (int scene = 1; scene <= kStoredScenes; ++scene) {
        const bool holds = (valid >> (scene - 1)) & 1;
        std::string name = ListedName(*session.Manager().StoredSceneName(scene));
        std::fprintf(Out(), "%2d  %-6s %s\n", scene, holds ? "stored" : "empty", name.c_str());
    }
    return kExitOk;
}

void RequireStarted(bool started) {
    if (!started)
        throw DeviceError("the amplifier is not connected or busy");
}

int SaveScene(TuningSession& session, int scene, const std::string& name) {
    const std::u16string utf16 = Utf16FromUtf8(name);
    const SceneName bytes = Utf16ToDeviceName(utf16);
    if (DeviceNameToUtf16(bytes) != utf16) {
        std::fprintf(Err(), "korvel-cli: note: the amplifier stores the name as '%s'\n",
                     NameText(bytes).c_str());
    }
    RequireStarted(session.Manager().SaveSceneToDevice(scene, utf16));
    session.RequireSuccess(DeviceOperation::kSaveScene);
    if (!session.View().Shown("${save_scene_ok}")) {
        throw DeviceError("the amplifier did not confirm the save");
    }
    std::fprintf(Out(), "saved scene %d\n", scene);
    return kExitOk;
}

}  // namespace

int RunScene(const GlobalOptions& options, Args args) {
    if (WantsHelp(args) || args.empty()) {
        if (args.empty())
            throw UsageError("scene needs list, save, load or delete");
        std::fputs(kSceneHelp, Out());
        return kExitOk;
    }
    const std::string& action = args[0];
    const size_t wanted = action == "list" ? 1 : action == "save" ? 3 : 2;
    if (action != "list" && action != "save" && action != "load" && action != "delete") {
        throw UsageError("unknown scene action '" + action + "' (see scene --help)");
    }
    if (args.size() != wanted)
        throw UsageError("wrong arguments for scene " + action);
    const int scene =
        wanted >= 2 ? static_cast<int>(ParseNumber(args[1], 1, kStoredScenes, "scene")) : 0;
    if (action == "save")
        Utf16FromUtf8(args[2]);  // a bad name is refused before the amplifier is touched

    TuningSession session(options.device);
    session.ConnectAndSync();
    if (action == "list")
        return ListScenes(session);
    if (action == "save")
        return SaveScene(session, scene, args[2]);
    if (action == "load") {
        RequireStarted(session.Manager().LoadSceneFromDevice(scene));
        session.RequireSuccess(DeviceOperation::kLoadScene);
        std::fprintf(Out(), "loaded scene %d\n", scene);
    } else {
        RequireStarted(session.Manager().DeleteSceneFromDevice(scene));
        session.RequireSuccess(DeviceOperation::kDeleteScene);
        std::fprintf(Out(), "deleted scene %d\n", scene);
    }
    return kExitOk;
}

int RunFactoryReset(const GlobalOptions& options, Args args) {
    if (WantsHelp(args)) {
        std::fputs(kFactoryHelp, Out());
        return kExitOk;
    }
    const bool yes = args.size() == 1 && args[0] == "--yes";
    if (!args.empty() && !yes)
        throw UsageError("factory-reset takes only --yes");
    if (!yes) {
        std::fprintf(Err(), "Restore the factory settings? Every stored scene is lost. [y/N] ");
        std::string answer;
        std::getline(std::cin, answer);
        if (answer != "y" && answer != "Y" && answer != "yes") {
            std::fprintf(Err(), "korvel-cli: factory reset cancelled\n");
            return kExitUsage;
        }
    }
    TuningSession session(options.device);
    session.ConnectAndSync();
    session.View().confirmAnswer = true;
    RequireStarted(session.Manager().ResetMcuFactoryDefault());
    session.RequireSuccess(DeviceOperation::kFactoryReset);
    if (!session.View().Shown("${device_reboot}")) {
        throw DeviceError("the amplifier did not confirm the factory reset");
    }
    std::fprintf(Out(), "factory settings restored; the amplifier restarts\n");
    return kExitOk;
}

}  // namespace korvel::cli
