// The scene window and the name dialog against the virtual amplifier: each case checked in the
// model, in the window's rows and in the amplifier.

#include <QListWidget>

#include "model/scene_name.h"
#include "tool_windows_support.h"
#include "windows/name_msg_wnd.h"
#include "windows/scene_wnd.h"

namespace korvel {
namespace {

using test::PumpUntil;

SceneName Name(const std::u16string& text) {
    return Utf16ToDeviceName(text);
}

// Scenes 3 ("Jazz") and 7 ("Rock") hold settings and names; the others are empty.
void TwoNamedScenes(AmpState& s) {
    s.names[2] = Name(u"Jazz");
    s.names[6] = Name(u"Rock");
    s.sceneValidMask = (1u << 2) | (1u << 6);
    s.stored[2] = s.live;
    s.stored[2].channels[1].delayMicroseconds = 2500;
}

class SceneWndTest : public test::ToolWindowTest {
  protected:
    void SetUp() override { Connect(TwoNamedScenes); }

    // Opens the scene window through the controller and runs `script` in it.
    void Open(SceneWindowMode mode, std::function<void(CSceneWnd&)> script) {
        answers.Script("scenewnd",
                       [script](ui::WindowImplBase& w) { script(static_cast<CSceneWnd&>(w)); });
        switch (mode) {
            case SceneWindowMode::kLoad:
                M().LoadSenceConfigFromDSP();
                break;
            case SceneWindowMode::kSave:
                M().SaveSenceConfigToDSP();
                break;
            case SceneWindowMode::kDelete:
                M().DeleteDSPSenceConfig();
                break;
        }
    }

    // Selects the row of `scene` and clicks the confirm button, then waits for the device.
    void Choose(CSceneWnd& w, int scene) {
        w.FindControl<QListWidget>(QStringLiteral("listview"))->setCurrentRow(scene - 1);
        w.Click(QStringLiteral("confirm_btn"));
        WaitForDevice(w);
    }

    // The sequence ended and every message it posted (the loading window's too) was handled.
    void WaitForDevice(CSceneWnd& w) {
        EXPECT_TRUE(PumpUntil([&] { return !M().Busy() && w.LoadingWindow() == nullptr; }));
        test::PumpFor(std::chrono::milliseconds(50));
        EXPECT_EQ(w.LoadingWindow(), nullptr);
    }

    // The name dialog's answer: `text` typed over the name, then Return.
    void NameWillBe(const QString& text) {
        answers.Script("namemsgwnd", [text](ui::WindowImplBase& w) { Type(w, "name_edt", text); });
    }

    QStringList QuestionWindows() const {
        QStringList windows;
        for (const auto& q : answers.Questions()) {
            windows.append(q.window);
        }
        return windows;
    }

    int SceneWrites() const {
        return Requests(MCMD_FLASH, flash::SCENE_NAME, OP_SET) +
               Requests(MCMD_FLASH, flash::SAVE_SCENE, OP_SET);
    }
};

TEST_F(SceneWndTest, EachModeHasItsTitleAndButtonsAndShowsTheNames) {
    const struct {
        SceneWindowMode mode;
        const char* title;
        const char* confirm;
    } modes[] = {{SceneWindowMode::kLoad, "${load_scene}", "${load}"},
                 {SceneWindowMode::kSave, "${save_as_scene}", "${save}"},
                 {SceneWindowMode::kDelete, "${delete_scene}", "${delete}"}};
    for (const auto& m : modes) {
        Open(m.mode, [&](CSceneWnd& w) {
            EXPECT_EQ(w.windowTitle(), ui::Tr(m.title));
            EXPECT_EQ(w.Text("confirm_btn"), ui::Tr(m.confirm));
            EXPECT_EQ(w.Text("cancel_btn"), ui::Tr("${exit}"));
            EXPECT_EQ(w.RowName(3), "Jazz");
            EXPECT_EQ(w.RowName(7), "Rock");
            EXPECT_EQ(w.RowName(1), "");
        });
    }
    EXPECT_EQ(QuestionWindows(), QStringList({"scenewnd", "scenewnd", "scenewnd"}));
}

TEST_F(SceneWndTest, ConfirmingWithoutASelectedRowDoesNothing) {
    Open(SceneWindowMode::kDelete, [&](CSceneWnd& w) { w.Click(QStringLiteral("confirm_btn")); });
    EXPECT_EQ(QuestionWindows(), QStringList({"scenewnd"}));
    EXPECT_TRUE(rig.amp->RequestLog().empty());
}

TEST_F(SceneWndTest, SavingIntoAnEmptySlotAsksOnlyForTheName) {
    NameWillBe(QStringLiteral("Club"));
    Open(SceneWindowMode::kSave, [&](CSceneWnd& w) {
        Choose(w, 5);
        EXPECT_EQ(w.RowName(5), "Club");
    });
    EXPECT_EQ(QuestionWindows(), QStringList({"scenewnd", "namemsgwnd", "msgwnd"}));
    EXPECT_EQ(answers.Questions().back().text, ui::Tr("${save_scene_ok}"));
    EXPECT_EQ(*M().StoredSceneName(5), Name(u"Club"));
    EXPECT_EQ(Amp().names[4], Name(u"Club"));
    EXPECT_TRUE(Amp().sceneValidMask & (1u << 4));
}

TEST_F(SceneWndTest, SavingOverANamedSceneAsksFirstAndCancelSendsNothing) {
    answers.Reply("msgwnd", 0);
    Open(SceneWindowMode::kSave, [&](CSceneWnd& w) { Choose(w, 3); });
    EXPECT_EQ(QuestionWindows(), QStringList({"scenewnd", "msgwnd"}));
    EXPECT_TRUE(answers.Questions()[1].text.contains("3"));
    EXPECT_EQ(SceneWrites(), 0);
    EXPECT_EQ(*M().StoredSceneName(3), Name(u"Jazz"));
}

struct SameNameCase {
    int scene;            // saved into
    const char16_t* had;  // its name before
};

class SceneSameNameTest : public SceneWndTest,
                          public ::testing::WithParamInterface<SameNameCase> {};

TEST_P(SceneSameNameTest, AnotherScenesNameIsRefusedAndNothingIsSent) {
    const SameNameCase c = GetParam();
    if (c.scene == 3) {
        answers.Reply("msgwnd", 1);  // overwrite "Jazz"
    }
    NameWillBe(QStringLiteral("Rock"));
    answers.Reply("msgwnd", 1);  // the same-name notice
    const auto deviceNames = Amp().names;
    Open(SceneWindowMode::kSave, [&](CSceneWnd& w) {
        Choose(w, c.scene);
        EXPECT_EQ(w.RowName(c.scene), QString::fromStdU16String(c.had));
    });
    const QString notice = answers.Questions().back().text;
    EXPECT_TRUE(notice.contains("Rock") && notice.contains("7")) << notice.toStdString();
    EXPECT_EQ(SceneWrites(), 0);
    EXPECT_EQ(*M().StoredSceneName(c.scene), Name(c.had));
    EXPECT_EQ(Amp().names, deviceNames);
}

INSTANTIATE_TEST_SUITE_P(Slots, SceneSameNameTest,
                         ::testing::Values(SameNameCase{4, u""}, SameNameCase{3, u"Jazz"}));

TEST_F(SceneWndTest, DeletingAsksNothingAndEmptiesTheRowAtOnce) {
    Open(SceneWindowMode::kDelete, [&](CSceneWnd& w) {
        w.FindControl<QListWidget>(QStringLiteral("listview"))->setCurrentRow(2);
        w.Click(QStringLiteral("confirm_btn"));
        EXPECT_EQ(w.RowName(3), "");  // before the device has answered
        WaitForDevice(w);
    });
    EXPECT_EQ(QuestionWindows(), QStringList({"scenewnd"}));
    EXPECT_EQ(*M().StoredSceneName(3), SceneName{});
    EXPECT_FALSE(Amp().sceneValidMask & (1u << 2));
}

TEST_F(SceneWndTest, LoadingByDoubleClickAsksWithTheNameAndMakesTheSceneLive) {
    answers.Reply("msgwnd", 1);
    Open(SceneWindowMode::kLoad, [&](CSceneWnd& w) {
        auto* list = w.FindControl<QListWidget>(QStringLiteral("listview"));
        const QPoint row = list->visualItemRect(list->item(2)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
        WaitForDevice(w);
    });
    ASSERT_EQ(QuestionWindows(), QStringList({"scenewnd", "msgwnd"}));
    EXPECT_TRUE(answers.Questions()[1].text.contains("Jazz"));
    EXPECT_EQ(Amp().live.channels[1].delayMicroseconds, 2500u);
    EXPECT_FLOAT_EQ(M().LiveScene().channels[1].delay, 2.5f);
    EXPECT_TRUE(M().Link().QueueEnabled());
}

TEST_F(SceneWndTest, TheSceneMenuOpensTheWindowInItsMode) {
    answers.Script("scenewnd", [](ui::WindowImplBase& w) {
        EXPECT_EQ(static_cast<CSceneWnd&>(w).Mode(), SceneWindowMode::kDelete);
    });
    ASSERT_TRUE(W().Click(QStringLiteral("btn_scene")));
    ASSERT_TRUE(W().OpenMenu()->ClickItem(QStringLiteral("scene_item_delete_scene")));
    W().OpenMenu()->close();
    EXPECT_TRUE(PumpUntil([&] { return !answers.Questions().empty(); }));
}

// --- Name dialog ------------------------------------------------------------------------------

struct TypedName {
    QString typed;
    QString kept;
};

class NameDialogTest : public test::ToolWindowTest,
                       public ::testing::WithParamInterface<TypedName> {};

TEST_P(NameDialogTest, RefusesWhatTheDevicesFieldCannotHold) {
    test::EnsureQtApp();
    QString name = QStringLiteral("Old");
    answers.Script("namemsgwnd", [](ui::WindowImplBase& w) {
        EXPECT_EQ(w.Text("name_edt"), "Old");  // filled with the current name
        Type(w, "name_edt", GetParam().typed);
    });
    EXPECT_EQ(CNameMsgWnd::Ask(nullptr, &name), 1);
    EXPECT_EQ(name, GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(Names, NameDialogTest,
                         ::testing::Values(TypedName{"Front stage", "Front stage"},
                                           TypedName{"0123456789abcdefXYZ", "0123456789abcdef"},
                                           TypedName{QString::fromUtf8("一二三四五六七八九十"),
                                                     QString::fromUtf8("一二三四五六七八")},
                                           TypedName{QString::fromUtf8("0123456789abcde二"),
                                                     "0123456789abcde"}));

}  // namespace
}  // namespace korvel
