// Saves pictures of the tool windows over a main window connected to a virtual amplifier, in
// English and Chinese: the scene window in its three modes with named and empty scenes, the
// name dialog, the mixer for a two-input and a four-input source and for a source without
// inputs, the noise threshold window with live levels, the memory window and the about window.
//   tool_windows_screenshots [output folder]      (default /tmp/korvel-shots)

#include <QApplication>
#include <QDir>
#include <cstdio>

#include "main_wnd_test_support.h"
#include "model/scene_name.h"
#include "uiframework/language.h"
#include "uiframework/popup_menu.h"
#include "windows/about_wnd.h"
#include "windows/mem_wr_wnd.h"
#include "windows/mixer_wnd.h"
#include "windows/name_msg_wnd.h"
#include "windows/noise_threshold_wnd.h"
#include "windows/scene_wnd.h"

namespace {

using korvel::test::PumpFor;
using namespace std::chrono_literals;

void NameScenes(korvel::AmpState& s) {
    const std::pair<int, std::u16string> named[] = {
        {1, u"Daily drive"}, {2, u"Jazz club"}, {4, u"\u4f4e\u97f3\u589e\u5f3a"}, {7, u"Demo"}};
    for (const auto& [scene, name] : named) {
        s.names[static_cast<size_t>(scene - 1)] = korvel::Utf16ToDeviceName(name);
        s.sceneValidMask |= static_cast<uint16_t>(1u << (scene - 1));
    }
    const int16_t noise[] = {-720, -655, -803, -590};
    for (size_t i = 0; i < 4; ++i) {
        s.inputNoiseTenths[i] = noise[i];
    }
    s.live.sourceCode = 0x56;  // high level: four inputs
    s.live.inputThreshold = -62;
    s.live.mixTrim[5][1][0] = 0;  // input 2 into CH1 switched off below
    s.live.routing[5][0] = 0x5;
    s.live.mixTrim[5][2][0] = 60;
    s.live.routing[5][3] = 0xF;
    s.live.mixTrim[5][3][3] = 35;
    s.memory[0x2000] = 0x12345678;
}

class Shots {
  public:
    Shots(QString folder, QString language) : folder_(std::move(folder)), language_(language) {}

    bool Save(QWidget& window, const QString& name) {
        window.show();
        PumpFor(150ms);
        const QString path = folder_ + QStringLiteral("/%1-%2.png").arg(name, language_);
        const bool ok = window.grab().save(path);
        std::printf("%s %s\n", ok ? "saved" : "FAILED", path.toLocal8Bit().constData());
        ok_ = ok_ && ok;
        return ok;
    }
    bool Ok() const { return ok_; }

  private:
    QString folder_;
    QString language_;
    bool ok_ = true;
};

void TakeAll(korvel::CMainWnd& main, korvel::Settings& settings, Shots& shots) {
    korvel::EqualizerManager& manager = main.Controller();
    for (const auto& [button, name] : {std::pair{"btn_scene", QStringLiteral("menu-scene")},
                                       std::pair{"btn_advance", QStringLiteral("menu-advance")}}) {
        main.Click(QString::fromLatin1(button));
        if (QWidget* menu = main.OpenMenu()) {
            shots.Save(*menu, name);
            menu->close();
        }
    }
    const std::pair<korvel::SceneWindowMode, QString> modes[] = {
        {korvel::SceneWindowMode::kLoad, QStringLiteral("scene-load")},
        {korvel::SceneWindowMode::kSave, QStringLiteral("scene-save")},
        {korvel::SceneWindowMode::kDelete, QStringLiteral("scene-delete")}};
    for (const auto& [mode, name] : modes) {
        korvel::CSceneWnd scenes(&main, manager, mode);
        scenes.Create();
        shots.Save(scenes, name);
    }
    QString sceneName = QStringLiteral("Jazz club");
    korvel::CNameMsgWnd nameDialog(&main, &sceneName);
    nameDialog.Create();
    shots.Save(nameDialog, QStringLiteral("scene-name"));

    for (const auto& [source, name] : {std::pair{2, QStringLiteral("mixer-2-inputs")},
                                       std::pair{5, QStringLiteral("mixer-4-inputs")},
                                       std::pair{0, QStringLiteral("mixer-no-inputs")}}) {
        korvel::CMixerWnd mixer(&main, manager, source);
        mixer.Create();
        shots.Save(mixer, name);
    }

    korvel::CNoiseThresholdWnd threshold(&main, manager);
    threshold.Create();
    threshold.show();
    PumpFor(1200ms);  // two polls of the live levels, which the main window would forward
    threshold.ShowDeviceThreshold(manager.InputThreshold());
    threshold.ShowInputNoise(manager.InputNoise());
    shots.Save(threshold, QStringLiteral("noise-threshold"));

    settings.WriteInt(QStringLiteral("mem_addr"), 0x2000);
    korvel::CMemWrWnd memory(&main, manager.Link(), settings);
    memory.Create();
    memory.Click(QStringLiteral("read_btn"));
    shots.Save(memory, QStringLiteral("memory"));

    const korvel::SceneRecord& live = manager.LiveScene();
    korvel::CAboutWnd about(&main, {live.deviceModel, live.mainVersion, live.slaveVersion});
    about.Create();
    shots.Save(about, QStringLiteral("about"));
    korvel::CAboutWnd aboutNoDevice(&main, {});
    aboutNoDevice.Create();
    shots.Save(aboutNoDevice, QStringLiteral("about-no-device"));
}

}  // namespace

int main(int argc, char** argv) {
    const QString folder = korvel::test::ScreenshotFolder(argc, argv);
    korvel::test::MainWindowRig rig;
    rig.amp->ModifyState(NameScenes);
    rig.window->Create();
    rig.window->ShowWindow();
    if (!rig.ConnectAndSettle()) {
        std::fprintf(stderr, "could not connect to the virtual amplifier\n");
        return 1;
    }
    bool ok = true;
    for (const QString& language : {korvel::ui::kLanguageEnglish, korvel::ui::kLanguageChinese}) {
        korvel::ui::LanguageManager::Instance().Select(language);
        Shots shots(folder, language == korvel::ui::kLanguageEnglish ? QStringLiteral("en")
                                                                     : QStringLiteral("cn"));
        TakeAll(*rig.window, rig.settings, shots);
        ok = ok && shots.Ok();
    }
    rig.window->close();
    return ok ? 0 : 1;
}
