#include "model/model_store.h"

#include "model/scene_reset.h"

namespace korvel {

ModelStore::ModelStore() {
    SetChannelCount(live, true);
    for (SceneRecord& scene : stored) {
        SetChannelCount(scene, true);
    }
}

SceneRecord* ModelStore::Scene(int number) {
    return const_cast<SceneRecord*>(static_cast<const ModelStore*>(this)->Scene(number));
}

const SceneRecord* ModelStore::Scene(int number) const {
    if (number == 0) {
        return &live;
    }
    if (number > 0 && number <= kStoredScenes) {
        return &stored[static_cast<size_t>(number - 1)];
    }
    return nullptr;
}

SceneName* ModelStore::Name(int number) {
    return const_cast<SceneName*>(static_cast<const ModelStore*>(this)->Name(number));
}

const SceneName* ModelStore::Name(int number) const {
    if (number > 0 && number <= kStoredScenes) {
        return &names[static_cast<size_t>(number - 1)];
    }
    return nullptr;
}

}  // namespace korvel
