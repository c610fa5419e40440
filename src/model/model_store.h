#pragma once
// Everything the parameter model holds: the live scene (number 0), the ten stored scenes
// (numbers 1..10) and their names. A plain value; the controller owns one.

#include <array>

#include "model/scene_record.h"

namespace korvel {

struct ModelStore {
    SceneRecord live;
    std::array<SceneRecord, kStoredScenes> stored;
    std::array<SceneName, kStoredScenes> names{};

    // Every scene in the reset state for six channels, names empty.
    ModelStore();

    static bool IsValidSceneNumber(int number) { return number >= 0 && number <= kStoredScenes; }

    // Scene 0 is the live scene, 1..10 the stored ones; nullptr for any other number.
    SceneRecord* Scene(int number);
    const SceneRecord* Scene(int number) const;
    // Name of stored scene 1..10; nullptr for any other number.
    SceneName* Name(int number);
    const SceneName* Name(int number) const;
};

}  // namespace korvel
