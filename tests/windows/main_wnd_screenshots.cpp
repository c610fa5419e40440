// Saves pictures of the main window connected to a virtual amplifier, in English and Chinese:
//   main_wnd_screenshots [output folder]      (default /tmp/korvel-shots)

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>

#include "tests/windows/main_wnd_test_support.h"
#include "uiframework/framework.h"
#include "uiframework/language.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/korvel-shots");
    QDir().mkpath(folder);

    korvel::ui::UiFramework::Instance().SetDpi(korvel::ui::kBaseDpi);
    korvel::test::MainWindowRig rig;
    rig.amp->ModifyState(korvel::test::ApplyTunedState);
    rig.window->Create();
    rig.window->ShowWindow();
    korvel::test::PumpFor(std::chrono::milliseconds(100));
    rig.window->grab().save(folder + QStringLiteral("/main-start.png"));
    if (!rig.ConnectAndSettle()) {
        std::fprintf(stderr, "could not connect to the virtual amplifier\n");
        return 1;
    }
    korvel::test::PumpFor(std::chrono::milliseconds(200));
    const auto save = [&](const QString& name) {
        const QString path = folder + QLatin1Char('/') + name;
        const bool ok = rig.window->grab().save(path);
        std::printf("%s %s\n", ok ? "saved" : "FAILED", path.toLocal8Bit().constData());
        return ok;
    };
    bool ok = save(QStringLiteral("main-en.png"));
    rig.window->ChangeLanguage(korvel::ui::kLanguageChinese, korvel::kLanChinese);
    korvel::test::PumpFor(std::chrono::milliseconds(200));
    ok = save(QStringLiteral("main-cn.png")) && ok;
    rig.window->close();
    return ok ? 0 : 1;
}
