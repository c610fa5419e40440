// Scene storage (main command 2), system (main command 3) and microphone effect (main
// command 7) commands.

#include <algorithm>

#include "link/device_link_core.h"
#include "virtualamp/amp_commands.h"

namespace korvel::amp {
namespace {

enum FlashCommand : uint8_t {
    kSaveScene = 0x08,
    kReadScene = 0x09,
    kDeleteScene = 0x0A,
    kSceneName = 0x0B,
    kCurrentScene = 0x0E,
    kSceneValid = 0x0F,
};

enum McuCommand : uint8_t {
    kHandshake = 0x08,
    kFlashVersion = 0x0B,
    kBootloaderVersion = 0x0C,
    kPcConnect = 0x1F,
    kReboot = 0x8F,
    kFactoryDefault = 0x90,
    kPowerOffTime = 0x91,
    kAcc = 0x92,
};

constexpr uint8_t kReadSceneForQuery = 255;
constexpr uint8_t kKtvEchoDelay = 5;

bool IsStoredScene(uint8_t scene) {
    return scene >= 1 && scene <= kStoredScenes;
}

uint16_t ValidBit(uint8_t scene) {
    return static_cast<uint16_t>(1u << (scene - 1));
}

// SaveScene: scene, flag. With flag 0 the live settings become stored scene k; with flag 1
// the values already written to slot k (a whole-profile upload addresses it directly) are
// kept as they are. Either way the scene is now valid.
void SaveScene(CommandContext& c, uint8_t scene, uint8_t flag) {
    if (!IsStoredScene(scene)) {
        c.Ack(kAmpStatusRefused, {scene});
        return;
    }
    if (flag == 0) {
        c.state.stored[scene - 1] = c.state.live;
    }
    c.state.sceneValidMask |= ValidBit(scene);
    c.state.currentScene = scene;
    c.Ack(kAmpStatusDone, {scene});
}

// ReadScene: from, to. To 0 loads a stored scene into the live settings. To 255 prepares
// scene `from` for reading: the device answers later gets addressed to that scene from its
// slot, so nothing needs moving. Another stored scene as target receives a copy.
void ReadScene(CommandContext& c, uint8_t from, uint8_t to) {
    AmpScene* source = SceneAt(c.state, from);
    const bool erased = IsStoredScene(from) && (c.state.sceneValidMask & ValidBit(from)) == 0;
    if (source == nullptr || (to != kReadSceneForQuery && SceneAt(c.state, to) == nullptr)) {
        c.Ack(kAmpStatusRefused);
        return;
    }
    if (to == kReadSceneForQuery || to == from) {
        c.Ack();
        return;
    }
    if (erased) {  // an erased slot holds nothing that could be loaded
        c.Ack(kAmpStatusRefused);
        return;
    }
    *SceneAt(c.state, to) = *source;
    if (to == 0) {
        c.state.currentScene = from;
    } else {
        c.state.sceneValidMask |= ValidBit(to);
    }
    c.Ack();
}

// DeleteScene: the slot is erased (factory contents, name 0xFF, not valid).
void DeleteScene(CommandContext& c, uint8_t scene) {
    if (!IsStoredScene(scene)) {
        c.Ack(kAmpStatusRefused, {scene});
        return;
    }
    c.state.stored[scene - 1] = FactoryScene();
    c.state.names[scene - 1].fill(0xFF);
    c.state.sceneValidMask &= static_cast<uint16_t>(~ValidBit(scene));
    if (c.state.currentScene == scene) {
        c.state.currentScene = 0;
    }
    c.Ack(kAmpStatusDone, {scene});
}

// SetSceneName: scene, length n, n bytes; stored zero-padded to 16 bytes.
bool SetSceneName(CommandContext& c) {
    const auto& p = c.payload();
    if (p.size() < 2) {
        return false;
    }
    if (!IsStoredScene(p[0])) {
        c.Ack(kAmpStatusRefused);
        return true;
    }
    const size_t length = std::min<size_t>({p[1], p.size() - 2, kSceneNameBytes});
    SceneName& name = c.state.names[p[0] - 1];
    name.fill(0);
    std::copy_n(p.begin() + 2, length, name.begin());
    c.Ack();
    return true;
}

// GetSceneName: scene → scene, 16 name bytes.
bool GetSceneName(CommandContext& c) {
    if (c.payload().empty() || !IsStoredScene(c.payload()[0])) {
        return false;
    }
    const uint8_t scene = c.payload()[0];
    const SceneName& name = c.state.names[scene - 1];
    std::vector<uint8_t> data(name.size() + 1);
    data[0] = scene;
    std::copy(name.begin(), name.end(), data.begin() + 1);
    c.Data(data);
    return true;
}

bool HandleFlashSet(CommandContext& c) {
    const auto& p = c.payload();
    switch (c.request.subcmd) {
        case kSaveScene:
            if (p.empty())
                return false;
            SaveScene(c, p[0], p.size() > 1 ? p[1] : 0);
            return true;
        case kReadScene:
            if (p.size() < 2)
                return false;
            ReadScene(c, p[0], p[1]);
            return true;
        case kDeleteScene:
            if (p.empty())
                return false;
            DeleteScene(c, p[0]);
            return true;
        case kSceneName:
            return SetSceneName(c);
        default:
            return false;
    }
}

bool HandleFlashGet(CommandContext& c) {
    switch (c.request.subcmd) {
        case kSceneName:
            return GetSceneName(c);
        case kCurrentScene:
            c.Data({c.state.currentScene});
            return true;
        case kSceneValid: {
            std::vector<uint8_t> data;
            Append16(data, c.state.sceneValidMask);
            c.Data(data);
            return true;
        }
        default:
            return false;
    }
}

void Handshake(CommandContext& c) {
    const AmpIdentity& id = c.identity;
    const uint8_t status = id.loaderMode ? kAmpStatusLoader : kAmpStatusDone;
    c.Data({status, id.model, id.mainVersion, id.slaveVersion});
}

bool HandleMcuSet(CommandContext& c) {
    const auto& p = c.payload();
    switch (c.request.subcmd) {
        case kHandshake:
            Handshake(c);
            return true;
        case kPcConnect:  // the host does not read after this command: no reply
            if (p.empty())
                return false;
            c.state.hostConnected = p[0] != 0;
            return true;
        case kReboot:
            c.Ack();
            return true;
        case kFactoryDefault: {
            const bool connected = c.state.hostConnected;
            c.state = FactoryState();
            c.state.hostConnected = connected;
            c.Ack();
            return true;
        }
        case kPowerOffTime:
            if (p.size() < 2)
                return false;
            c.state.powerOffDelayMs = Read16(p.data());
            c.Ack();
            return true;
        case kAcc:
            if (p.empty())
                return false;
            c.state.accDelay = static_cast<int8_t>(p[0]);
            c.Ack();
            return true;
        default:
            return false;
    }
}

bool HandleMcuGet(CommandContext& c) {
    switch (c.request.subcmd) {
        case kFlashVersion: {
            const auto& v = c.identity.flashVersion;
            c.Data({v[0], v[1], v[2], v[3]});
            return true;
        }
        case kBootloaderVersion:
            c.Data({c.identity.bootloaderVersion});
            return true;
        case kPowerOffTime: {
            std::vector<uint8_t> data;
            Append16(data, c.state.powerOffDelayMs);
            c.Data(data);
            return true;
        }
        case kAcc:
            c.Data({static_cast<uint8_t>(c.state.accDelay)});
            return true;
        default:
            return false;
    }
}

}  // namespace

bool HandleFlashCommand(CommandContext& c) {
    if (c.request.optype == OP_SET) {
        return HandleFlashSet(c);
    }
    return c.request.optype == OP_GET && HandleFlashGet(c);
}

bool HandleMcuCommand(CommandContext& c) {
    if (c.request.optype == OP_SET) {
        return HandleMcuSet(c);
    }
    return c.request.optype == OP_GET && HandleMcuGet(c);
}

// KTV items 1..10: one byte each, the echo delay (item 5) 16-bit.
bool HandleKtvCommand(CommandContext& c) {
    const uint8_t item = c.request.subcmd;
    if (item < 1 || item > kKtvItems) {
        return false;
    }
    uint16_t& value = c.state.ktv[item - 1];
    const size_t width = item == kKtvEchoDelay ? 2 : 1;
    if (c.request.optype == OP_SET) {
        if (c.payload().size() < width) {
            return false;
        }
        value = width == 2 ? Read16(c.payload().data()) : c.payload()[0];
        c.Ack();
        return true;
    }
    if (c.request.optype != OP_GET) {
        return false;
    }
    std::vector<uint8_t> data;
    if (width == 2) {
        Append16(data, value);
    } else {
        data.push_back(static_cast<uint8_t>(value));
    }
    c.Data(data);
    return true;
}

}  // namespace korvel::amp
