// Saves pictures of the main window connected to a virtual amplifier, in English and Chinese,
// and while tuning (bands dragged, a crossover set, two channels' curves, parametric mode):
//   main_wnd_screenshots [output folder] [dpi]      (default /tmp/korvel-shots, 96 DPI)

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <cstdio>

#include "common/qt_test_app.h"
#include "main_wnd_tuning_support.h"
#include "uiframework/framework.h"
#include "uiframework/language.h"
#include "uiframework/modal_answerer.h"

namespace {

using korvel::test::PumpFor;
using korvel::test::TuningDriver;

// Drags the handle of `band` by `dy` pixels (and `dx` in parametric mode).
void DragBand(TuningDriver& ui, int band, int dx, int dy) {
    const QPoint from = ui.Graph().HandleRect(band).center();
    ui.Drag(from, from + QPoint(dx, dy));
}

// The tuning pictures; each builds on the one before.
bool SaveTuningShots(korvel::CMainWnd& window, int dpi,
                     const std::function<bool(const QString&)>& save) {
    korvel::ui::ModalAnswerer answers;
    answers.SetDefaultResult(1);
    TuningDriver ui(window);

    // Graphic mode: a few bands pulled up and down on channel 0.
    DragBand(ui, 3, 0, -45);
    DragBand(ui, 7, 0, 30);
    DragBand(ui, 16, 0, -25);
    DragBand(ui, 24, 0, 40);
    ui.Drain();
    PumpFor(std::chrono::milliseconds(100));
    bool ok = save(QStringLiteral("tuning-bands.png"));

    // A crossover: high-pass 120 Hz, low-pass 6 kHz with a steeper slope.
    ui.Type(QStringLiteral("hp_freq"), QStringLiteral("120"));
    ui.Type(QStringLiteral("lp_freq"), QStringLiteral("6k"));
    ui.Choose(QStringLiteral("lp_slop"), 6);
    ui.Drain();
    PumpFor(std::chrono::milliseconds(100));
    ok = save(QStringLiteral("tuning-crossover.png")) && ok;

    // A second channel's curve behind the current one.
    ui.Click(QStringLiteral("ch_show_1"));
    ui.Drain();
    PumpFor(std::chrono::milliseconds(100));
    ok = save(QStringLiteral("tuning-two-channels.png")) && ok;

    // Parametric mode with band 12 moved and selected, its Q handles shown.
    ui.Click(QStringLiteral("btn_arg_eq"));
    // The question box takes the display scale from the screens; the offscreen screen is small.
    korvel::ui::UiFramework::Instance().SetDpi(dpi);
    PumpFor(std::chrono::milliseconds(50));
    DragBand(ui, 12, 35, -30);
    ui.Drain();
    PumpFor(std::chrono::milliseconds(100));
    ok = save(QStringLiteral("tuning-peq-selected.png")) && ok;
    return ok;
}

// The undo and redo buttons with the status text after an undo, the scene menu with the filter
// items, and the report of a filter import, under `suffix` ("en", "cn").
bool SaveHistoryAndFilterShots(korvel::CMainWnd& window, const QString& folder,
                               const QString& suffix,
                               const std::function<bool(const QString&)>& save) {
    TuningDriver ui(window);
    window.UndoEdit();
    PumpFor(std::chrono::milliseconds(100));
    bool ok = save(QStringLiteral("history-undo-%1.png").arg(suffix));

    ui.Click(QStringLiteral("btn_scene"));
    PumpFor(std::chrono::milliseconds(100));
    if (QWidget* menu = window.OpenMenu()) {
        const QString path = folder + QStringLiteral("/scene-menu-%1.png").arg(suffix);
        ok = menu->grab().save(path) && ok;
        std::printf("saved %s\n", path.toLocal8Bit().constData());
        menu->close();
    }

    const QString filters = folder + QStringLiteral("/filters.txt");
    QFile file(filters);
    ok = file.open(QIODevice::WriteOnly) && ok;
    file.write(
        "Filter Settings file\r\nFilter  1: ON  PK  Fc 63.5 Hz  Gain -4.50 dB  Q 2.100\r\n"
        "Filter  2: ON  PK  Fc 1000 Hz  Gain 13 dB  Q 12\r\n"
        "Filter  3: ON  LS  Fc 105 Hz  Gain 6.0 dB\r\nPreamp: -6 dB\r\n");
    file.close();
    korvel::ui::ModalAnswerer answers;
    int box = 0;
    const auto shoot = [&](korvel::ui::WindowImplBase& w) {
        const QString path = folder + QStringLiteral("/filters-%1-%2.png").arg(++box).arg(suffix);
        w.show();
        PumpFor(std::chrono::milliseconds(100));
        ok = w.grab().save(path) && ok;
        std::printf("saved %s\n", path.toLocal8Bit().constData());
        w.Close(1);
    };
    answers.Script(QStringLiteral("msgwnd"), shoot);  // the refused shelf filter: take the rest
    answers.Script(QStringLiteral("msgwnd"), shoot);  // the report
    ok = window.ImportFilters(filters) && ok;
    // The boxes take the display scale from the (small) offscreen screen; back to 96 DPI.
    korvel::ui::UiFramework::Instance().SetDpi(korvel::ui::kBaseDpi);
    ui.Drain();
    PumpFor(std::chrono::milliseconds(100));
    return save(QStringLiteral("filters-imported-%1.png").arg(suffix)) && ok;
}

}  // namespace

int main(int argc, char** argv) {
    korvel::test::UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    const QString folder = korvel::test::ScreenshotFolder(argc, argv);

    const int dpi = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : korvel::ui::kBaseDpi;
    korvel::ui::UiFramework::Instance().SetDpi(dpi);
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
    ok = SaveTuningShots(*rig.window, dpi, save) && ok;
    ok = SaveHistoryAndFilterShots(*rig.window, folder, QStringLiteral("en"), save) && ok;
    rig.window->ChangeLanguage(korvel::ui::kLanguageChinese, korvel::kLanChinese);
    korvel::test::PumpFor(std::chrono::milliseconds(200));
    ok = save(QStringLiteral("main-cn.png")) && ok;
    ok = SaveHistoryAndFilterShots(*rig.window, folder, QStringLiteral("cn"), save) && ok;
    rig.window->close();
    return ok ? 0 : 1;
}
