// Saves pictures of the calibration window on a simulated car, in English and Chinese: idle,
// running, completed with three channels' curves, and failed.
//   auto_cal_screenshots [output folder]      (default /tmp/korvel-shots)

#include <QApplication>
#include <QDir>
#include <cstdio>

#include "auto_cal_test_support.h"
#include "common/qt_test_app.h"
#include "uiframework/framework.h"
#include "uiframework/language.h"

namespace {

using korvel::test::AutoCalRig;
using korvel::test::PumpFor;
using korvel::test::PumpUntil;

bool Save(QWidget& window, const QString& folder, const QString& name) {
    // Every window asks the screens for the scale; the offscreen screen is small.
    korvel::ui::UiFramework::Instance().SetDpi(korvel::ui::kBaseDpi);
    PumpFor(std::chrono::milliseconds(100));
    const QString path = folder + QLatin1Char('/') + name;
    const bool ok = window.grab().save(path);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", path.toLocal8Bit().constData());
    return ok;
}

bool SaveLanguage(const QString& folder, const QString& language, const QString& suffix) {
    korvel::ui::LanguageManager::Instance().Select(language);
    bool ok = true;
    {
        AutoCalRig rig({}, std::chrono::milliseconds(60));
        ok = Save(*rig.window, folder, QStringLiteral("autocal-idle-%1.png").arg(suffix)) && ok;
        rig.StartThreeChannels();
        PumpUntil([&] { return rig.window->Session().Status() == korvel::kIrcEqReady; });
        ok = Save(*rig.window, folder, QStringLiteral("autocal-running-%1.png").arg(suffix)) && ok;
        rig.RunToEnd();
        ok =
            Save(*rig.window, folder, QStringLiteral("autocal-completed-%1.png").arg(suffix)) && ok;
    }
    {
        AutoCalRig rig({1, 1, -1, -1});
        rig.StartThreeChannels();
        rig.RunToEnd();
        ok = Save(*rig.window, folder, QStringLiteral("autocal-failed-%1.png").arg(suffix)) && ok;
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    korvel::test::UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    const QString folder = korvel::test::ScreenshotFolder(argc, argv);
    korvel::ui::UiFramework::Instance().SetDpi(korvel::ui::kBaseDpi);
    bool ok = SaveLanguage(folder, korvel::ui::kLanguageEnglish, QStringLiteral("en"));
    ok = SaveLanguage(folder, korvel::ui::kLanguageChinese, QStringLiteral("cn")) && ok;
    return ok ? 0 : 1;
}
