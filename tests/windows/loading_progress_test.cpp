// The loading window follows the controller's progress during a whole-profile read and upload
// against the virtual amplifier: the line says what happens, the bar moves while the length is
// known, and the busy ring returns for the store pause, in English and Chinese. With
// KORVEL_SHOT_DIR set, each state is saved as a picture.

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <filesystem>

#include "main_wnd_test_support.h"
#include "uiframework/language.h"
#include "uiframework/modal_answerer.h"
#include "windows/loading_wnd.h"

namespace korvel::test {
namespace {

class LoadingProgressTest : public ::testing::Test {
  protected:
    void SetUp() override {
        rig.window->Create();
        rig.window->ShowWindow();
        ASSERT_TRUE(rig.ConnectAndSettle());
        answers.SetDefaultResult(1);  // "${profile_save_ok}" and friends
        file = (std::filesystem::path(::testing::TempDir()) / "korvel_loading.wpf").string();
        ControllerTimings timings = NoPauses();
        timings.wholeUploadSettle = std::chrono::milliseconds(1500);
        rig.window->Controller().SetTimings(timings);
    }
    void TearDown() override {
        ui::LanguageManager::Instance().Select(ui::kLanguageEnglish);
        std::filesystem::remove(file);
    }

    CLoadingWnd* Loading() const { return rig.window->LoadingWindow(); }
    QString Line() const {
        auto* label = Loading() ? Loading()->FindControl<QLabel>("loading_text") : nullptr;
        return label ? label->text() : QString();
    }
    QProgressBar* Bar() const { return Loading()->FindControl<QProgressBar>("loading_progress"); }
    bool BusyShown() const { return Loading()->FindControl("busy")->isVisible(); }

    // Waits until the loading window shows `line`; saves it as `shot` when pictures are asked.
    bool Reaches(const QString& line, const QString& shot) {
        QStringList seen;
        if (!PumpUntil(
                [&] {
                    if (seen.isEmpty() || seen.back() != Line())
                        seen << Line();
                    return Line() == line;
                },
                std::chrono::seconds(30))) {
            QStringList asked;
            for (const auto& q : answers.Questions())
                asked << q.text;
            ADD_FAILURE() << "seen: " << seen.join(" | ").toStdString()
                          << "; asked: " << asked.join(" | ").toStdString();
            ADD_FAILURE() << "last line: " << Line().toStdString();
            return false;
        }
        const QString dir = qEnvironmentVariable("KORVEL_SHOT_DIR");
        if (!dir.isEmpty()) {
            QDir().mkpath(dir);
            EXPECT_TRUE(Loading()->grab().save(dir + "/" + shot));
        }
        return true;
    }

    MainWindowRig rig;
    ui::ModalAnswerer answers;
    std::string file;
};

TEST_F(LoadingProgressTest, WholeProfileReadAndUploadSayWhatHappens) {
    for (const QString& lan : {ui::kLanguageEnglish, ui::kLanguageChinese}) {
        SCOPED_TRACE(lan.toStdString());
        ui::LanguageManager::Instance().Select(lan);
        const bool english = lan == ui::kLanguageEnglish;
        // Slow enough that each stored scene is on screen for a while.
        rig.amp->SetReportDelay(std::chrono::microseconds(1500));
        ASSERT_TRUE(rig.window->Controller().SaveWholeConfigToFile(file));
        ASSERT_TRUE(Reaches(english ? "Reading scene 3 of 10" : "正在读取场景 3 / 10",
                            "loading-read-" + lan + ".png"));
        EXPECT_TRUE(Bar()->isVisible());
        EXPECT_FALSE(BusyShown());
        EXPECT_GT(Bar()->value(), Bar()->maximum() / 10);
        EXPECT_LT(Bar()->value(), Bar()->maximum() / 2);
        ASSERT_TRUE(rig.Settle(std::chrono::seconds(30)));

        rig.amp->SetReportDelay(std::chrono::microseconds(500));
        ASSERT_TRUE(rig.window->Controller().LoadWholeConfigFromFile(file));
        ASSERT_TRUE(Reaches(english ? "Uploading scene 7 of 10" : "正在上传场景 7 / 10",
                            "loading-upload-" + lan + ".png"));
        EXPECT_GT(Bar()->value(), Bar()->maximum() / 2);
        ASSERT_TRUE(Reaches(
            english ? "Waiting for the amplifier to store the scenes" : "正在等待功放保存场景",
            "loading-store-" + lan + ".png"));
        EXPECT_FALSE(Bar()->isVisible());
        EXPECT_TRUE(BusyShown());
        ASSERT_TRUE(rig.Settle(std::chrono::seconds(30)));
    }
}

}  // namespace
}  // namespace korvel::test
