// CMainWnd: the tool windows it opens (scenes, mixer, noise threshold, memory access, about) and
// the whole-profile items of the scene menu.

#include <QFileDialog>
#include <QFileInfo>

#include "log/log.h"
#include "uiframework/language.h"
#include "windows/about_wnd.h"
#include "windows/main_wnd.h"
#include "windows/mem_wr_wnd.h"
#include "windows/mixer_wnd.h"
#include "windows/noise_threshold_wnd.h"
#include "windows/scene_wnd.h"

namespace korvel {

namespace {

const QString kWholeProfileFilter = QStringLiteral("*.wpf");
const QString kWholeProfileSuffix = QStringLiteral("wpf");

}  // namespace

bool CMainWnd::OpenToolFromMenu(const QString& item) {
    if (item == QLatin1String("option_item_about")) {
        OpenAboutWindow();
    } else if (item == QLatin1String("scene_item_load_scene")) {
        manager_->LoadSenceConfigFromDSP();
    } else if (item == QLatin1String("scene_item_saveas_scene")) {
        manager_->SaveSenceConfigToDSP();
    } else if (item == QLatin1String("scene_item_delete_scene")) {
        manager_->DeleteDSPSenceConfig();
    } else if (item == QLatin1String("scene_item_save_whole_file")) {
        SaveWholeFile();
    } else if (item == QLatin1String("scene_item_load_whole_file")) {
        LoadWholeFile();
    } else if (item == QLatin1String("advance_item_mixer")) {
        OpenMixerWindow();
    } else if (item == QLatin1String("advance_item_noise_threshold")) {
        OpenNoiseThresholdWindow();
    } else {
        return false;
    }
    return true;
}

CSceneWnd* CMainWnd::SceneWindow() const {
    return sceneWnd_.data();
}

CMixerWnd* CMainWnd::MixerWindow() const {
    return mixerWnd_.data();
}

CNoiseThresholdWnd* CMainWnd::NoiseThresholdWindow() const {
    return noiseWnd_.data();
}

QWidget* CMainWnd::DialogOwner() {
    if (sceneWnd_) {
        return sceneWnd_.data();
    }
    return this;
}

void CMainWnd::OpenSceneWindow(SceneWindowMode mode) {
    WriteLog("CMainWnd::OpenSceneWindow mode %d\n", static_cast<int>(mode));
    CSceneWnd window(this, *manager_, mode);
    sceneWnd_ = &window;
    window.ShowModal();
    // A loading window still open over the scene window goes with it; the main window's own
    // takes over any later request.
    sceneWnd_.clear();
}

void CMainWnd::OpenMixerWindow() {
    WriteLog("CMainWnd::OpenMixerWindow\n");
    CMixerWnd window(this, *manager_, Live().sourceIndex);
    mixerWnd_ = &window;
    window.ShowModal();
    mixerWnd_.clear();
}

void CMainWnd::OpenNoiseThresholdWindow() {
    WriteLog("CMainWnd::OpenNoiseThresholdWindow\n");
    CNoiseThresholdWnd window(this, *manager_);
    noiseWnd_ = &window;
    window.ShowModal();
    noiseWnd_.clear();
}

void CMainWnd::ShowInputNoise(std::span<const float> levels) {
    if (noiseWnd_) {
        noiseWnd_->ShowInputNoise(levels);
    }
}

void CMainWnd::ShowInputThreshold(int dbu) {
    if (noiseWnd_) {
        noiseWnd_->ShowDeviceThreshold(dbu);
    }
}

void CMainWnd::OpenMemoryWindow() {
    WriteLog("CMainWnd::OpenMemoryWindow\n");
    CMemWrWnd window(this, manager_->Link(), settings_);
    window.ShowModal();
}

void CMainWnd::OpenAboutWindow() {
    WriteLog("CMainWnd::OpenAboutWindow\n");
    const SceneRecord& live = Live();
    CAboutWnd window(this, {live.deviceModel, live.mainVersion, live.slaveVersion});
    window.ShowModal();
}

void CMainWnd::SaveWholeFile() {
    if (!manager_->IsConnected()) {
        return;
    }
    QString path = QFileDialog::getSaveFileName(this, ui::Tr(QStringLiteral("${save_whole_file}")),
                                                QString(), kWholeProfileFilter);
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QLatin1Char('.') + kWholeProfileSuffix;
    }
    manager_->SaveWholeConfigToFile(path.toStdString());
}

void CMainWnd::LoadWholeFile() {
    if (!manager_->IsConnected()) {
        return;
    }
    const QString path = QFileDialog::getOpenFileName(
        this, ui::Tr(QStringLiteral("${load_whole_file}")), QString(), kWholeProfileFilter);
    if (!path.isEmpty()) {
        manager_->LoadWholeConfigFromFile(path.toStdString());
    }
}

}  // namespace korvel
