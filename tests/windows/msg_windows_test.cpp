// Message box, check-box message box and loading window.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <thread>

#include "common/qt_test_app.h"
#include "uiframework/busy_indicator.h"
#include "uiframework/framework.h"
#include "uiframework/language.h"
#include "uiframework/modal_answerer.h"
#include "windows/loading_wnd.h"
#include "windows/message_window.h"
#include "windows/msg_checkbox_wnd.h"
#include "windows/msg_wnd.h"

namespace korvel {
namespace {

using ui::ModalAnswerer;

class MsgWindowsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::EnsureQtApp();
        ui::LanguageManager::Instance().Select(ui::kLanguageEnglish);
        owner_ = std::make_unique<QWidget>();
        owner_->resize(800, 500);
        owner_->show();
    }
    void TearDown() override { ui::LanguageManager::Instance().Select(ui::kLanguageEnglish); }

    std::unique_ptr<QWidget> owner_;
};

struct ClickCase {
    int buttonCount;
    const char* control;
    int result;
};

class MsgWndResultTest : public MsgWindowsTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(MsgWndResultTest, EachButtonClosesWithItsResult) {
    const ClickCase& c = GetParam();
    ModalAnswerer answers;
    answers.Click("msgwnd", {c.control});
    const QStringList texts = {"${confirm}", "${cancel}", "${default}"};
    EXPECT_EQ(CMsgWnd::ShowMessage(owner_.get(), "${tips}", "text", texts, c.buttonCount),
              c.result);
    ASSERT_EQ(answers.Questions().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, MsgWndResultTest,
    ::testing::Values(ClickCase{2, "confirm_btn", 1}, ClickCase{2, "cancel_btn", 0},
                      ClickCase{2, "closebtn", 0}, ClickCase{3, "third_btn", 2},
                      ClickCase{3, "confirm_btn", 1}, ClickCase{3, "cancel_btn", 0},
                      // One button: there is no cancel to click, the box
                      // stays open and the answerer's default closes it.
                      ClickCase{1, "cancel_btn", 0}, ClickCase{1, "closebtn", 0},
                      ClickCase{1, "confirm_btn", 1},
                      // Hidden third button of a two-button box.
                      ClickCase{2, "third_btn", 0}));

TEST_F(MsgWindowsTest, ButtonCountShowsAndLabelsTheButtons) {
    ModalAnswerer answers;
    answers.Script("msgwnd", [](ui::WindowImplBase& w) {
        EXPECT_TRUE(w.FindControl("cancel_btn")->isHidden());
        EXPECT_TRUE(w.FindControl("third_btn")->isHidden());
        EXPECT_EQ(w.Text("confirm_btn"), "OK");
        w.Close(1);
    });
    CMsgWnd::ShowMessage(owner_.get(), "${tips}", "${device_connect_fail}", {"${confirm}"}, 1);

    answers.Script("msgwnd", [](ui::WindowImplBase& w) {
        EXPECT_FALSE(w.FindControl("cancel_btn")->isHidden());
        EXPECT_FALSE(w.FindControl("third_btn")->isHidden());
        EXPECT_TRUE(static_cast<CMsgWnd&>(w).ThirdButtonShown());
        EXPECT_EQ(w.Text("confirm_btn"), "Default");
        EXPECT_EQ(w.Text("cancel_btn"), "Cancel");
        EXPECT_EQ(w.Text("third_btn"), "Clear All");
    });
    CMsgWnd::ShowMessage(owner_.get(), "${tips}", "${empty_output_tips}",
                         {"${default}", "${cancel}", "${emptied}"}, 3);

    ASSERT_EQ(answers.Questions().size(), 2u);
    EXPECT_EQ(answers.Questions()[0].title, "Notice");
    EXPECT_EQ(answers.Questions()[0].text, ui::Tr("${device_connect_fail}"));
    EXPECT_EQ(answers.Questions()[0].buttons, QStringList{"OK"});
    EXPECT_EQ(answers.Questions()[1].buttons.size(), 3);
}

TEST_F(MsgWindowsTest, OddButtonArgumentsAreHandledSafely) {
    ModalAnswerer answers;
    // More buttons asked than texts given: the missing ones keep the layout's texts.
    answers.Script("msgwnd", [](ui::WindowImplBase& w) {
        EXPECT_EQ(w.Text("confirm_btn"), "Yes");
        EXPECT_EQ(w.Text("cancel_btn"), "Cancel");
        EXPECT_FALSE(w.FindControl("third_btn")->isHidden());
    });
    CMsgWnd::ShowMessage(owner_.get(), "", "", {"Yes"}, 3);
    // Counts outside 1..3 are clamped.
    answers.Script("msgwnd", [](ui::WindowImplBase& w) {
        EXPECT_TRUE(w.FindControl("cancel_btn")->isHidden());
        w.Click("confirm_btn");
    });
    EXPECT_EQ(CMsgWnd::ShowMessage(owner_.get(), "a", "b", {}, 0), 1);
    answers.Script("msgwnd", [](ui::WindowImplBase& w) { w.Click("third_btn"); });
    EXPECT_EQ(CMsgWnd::ShowMessage(owner_.get(), "a", "b", {"1", "2", "3", "4"}, 9), 2);
    // Empty title and text leave the layout's labels.
    EXPECT_EQ(answers.Questions()[0].title, "Notice");
    EXPECT_TRUE(answers.Questions()[0].text.isEmpty());
}

TEST_F(MsgWindowsTest, TwoButtonFormKeepsLayoutTextsAndFormattedTexts) {
    ModalAnswerer answers;
    answers.Reply("msgwnd", 1);
    const QString formatted = ui::Tr("${save_scene_overwrite}").replace("%d", "4");
    EXPECT_EQ(CMsgWnd::ShowMessage(owner_.get(), "${tips}", formatted), 1);
    EXPECT_EQ(answers.Questions()[0].text, "Scene 4 already holds settings. Overwrite it?");
    EXPECT_EQ(answers.Questions()[0].buttons, (QStringList{"OK", "Cancel"}));
}

TEST_F(MsgWindowsTest, RealModalLoopAnswersToReturnAndEscape) {
    // Without an answerer the box runs its own modal loop; Return is the confirm button.
    QTimer::singleShot(50, [] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(CMsgWnd::ShowMessage(owner_.get(), "${tips}", "${mutex_tips}"), 1);
    QTimer::singleShot(50, [] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(CMsgWnd::ShowMessage(owner_.get(), "${tips}", "${mutex_tips}"), 0);
}

struct CheckCase {
    std::vector<QString> clicks;
    int result;
};

class CheckBoxResultTest : public MsgWindowsTest,
                           public ::testing::WithParamInterface<CheckCase> {};

TEST_P(CheckBoxResultTest, ResultFollowsTheSelectedOption) {
    ModalAnswerer answers;
    QStringList clicks;
    for (const QString& c : GetParam().clicks) {
        clicks.append(c);
    }
    answers.Click("msgcbwnd", clicks);
    EXPECT_EQ(CMsgCheckBoxWnd::ShowMessage(owner_.get(), "${tips}", "${link_tips}",
                                           "${copy_left_to_right}", "${copy_right_to_left}"),
              GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Options, CheckBoxResultTest,
    ::testing::Values(CheckCase{{"check_box_0", "confirm_btn"}, 1},
                      CheckCase{{"check_box_1", "confirm_btn"}, 2},
                      CheckCase{{"check_box_0", "check_box_1", "confirm_btn"}, 2},
                      CheckCase{{"check_box_0", "cancel_btn"}, 0}, CheckCase{{"closebtn"}, 0},
                      // Confirm without a choice does nothing; the box stays open.
                      CheckCase{{"confirm_btn", "check_box_1", "confirm_btn"}, 2}));

TEST_F(MsgWindowsTest, CheckBoxConfirmWithoutChoiceLeavesTheBoxOpen) {
    ModalAnswerer answers;
    answers.Script("msgcbwnd", [](ui::WindowImplBase& w) {
        auto* confirm = w.FindControl<QAbstractButton>("confirm_btn");
        confirm->setEnabled(true);  // even if forced enabled, nothing happens without a choice
        confirm->click();
        EXPECT_FALSE(w.IsClosed());
        EXPECT_EQ(w.Text("check_box_0"), "Copy left channel settings to the right channel");
        w.Click("closebtn");
    });
    EXPECT_EQ(CMsgCheckBoxWnd::ShowMessage(owner_.get(), "${tips}", "${link_tips}", "", ""), 0);
    EXPECT_EQ(answers.Questions()[0].window, "msgcbwnd");
    EXPECT_EQ(answers.Questions()[0].text, ui::Tr("${link_tips}"));
}

int VisibleLoadingWindows(QWidget* owner) {
    int count = 0;
    for (CLoadingWnd* w : owner->findChildren<CLoadingWnd*>()) {
        count += w->isVisible() ? 1 : 0;
    }
    return count;
}

TEST_F(MsgWindowsTest, LoadingWindowOpensReplacesAndCloses) {
    LoadingWindowHost host(owner_.get());
    EXPECT_TRUE(host.HandleMessage(Message{kMsgCloseLoading, 0, 0, {}}))
        << "1275 with none open does nothing";
    EXPECT_EQ(host.Current(), nullptr);

    EXPECT_TRUE(host.HandleMessage(Message{kMsgOpenLoading, 0, 0, {}}));
    QPointer<CLoadingWnd> first = host.Current();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->WindowName(), "loadingwnd");
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(first->isModal());

    host.HandleMessage(Message{kMsgOpenLoading, 0, 0, {}});
    EXPECT_NE(host.Current(), first.data());
    EXPECT_EQ(VisibleLoadingWindows(owner_.get()), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }, 1000)) << "replaced one freed";
    EXPECT_EQ(first.isNull() ? 1 : first->Result(), 1);

    QPointer<CLoadingWnd> second = host.Current();
    host.HandleMessage(Message{kMsgCloseLoading, 0, 0, {}});
    EXPECT_EQ(host.Current(), nullptr);
    EXPECT_EQ(VisibleLoadingWindows(owner_.get()), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return second.isNull(); }, 1000));
    host.HandleMessage(Message{kMsgCloseLoading, 0, 0, {}});

    EXPECT_FALSE(host.HandleMessage(Message{kMsgConnected, 0, 0, {}}));
}

TEST_F(MsgWindowsTest, LoadingWindowAnimatesAndIgnoresEscape) {
    LoadingWindowHost host(owner_.get());
    host.Open();
    CLoadingWnd* loading = host.Current();
    auto* busy = loading->FindControl<ui::BusyIndicator>("busy");
    ASSERT_NE(busy, nullptr);
    const int phase = busy->Phase();
    QTest::qWait(300);  // the event loop runs freely while the indicator is up
    EXPECT_NE(busy->Phase(), phase);
    QTest::keyClick(loading, Qt::Key_Escape);
    loading->close();
    EXPECT_TRUE(loading->isVisible()) << "only 1275 or a button ends the busy state";
    EXPECT_EQ(host.Current(), loading);
    EXPECT_FALSE(loading->FindControl("closebtn")->isVisible());
}

// The owner's message handler drives the host, as the main and scene windows do.
class OwnerWindow : public MessageWindow {
  public:
    explicit OwnerWindow(const QString& layout)
        : MessageWindow(nullptr, "ownerwnd", layout), loading(this) {}
    LoadingWindowHost loading;

  protected:
    void HandleMessage(Message& message) override { loading.HandleMessage(message); }
};

TEST_F(MsgWindowsTest, WorkerThreadOpensAndClosesTheLoadingWindow) {
    QTemporaryDir dir;
    OwnerWindow owner(test::WriteTempFile(dir, "o.xml", "<Window size='400,300'><VBox/></Window>"));
    owner.ShowWindow();
    auto target = owner.MessageTargetForThreads();
    std::thread worker([target] {
        target->PostMessage(Message{kMsgOpenLoading, 0, 0, {}});
        target->PostMessage(Message{kMsgOpenLoading, 0, 0, {}});
    });
    worker.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return owner.loading.Current() != nullptr; }, 2000));
    QTest::qWait(50);
    EXPECT_EQ(VisibleLoadingWindows(&owner), 1);
    std::thread closer([target] { target->PostMessage(Message{kMsgCloseLoading, 0, 0, {}}); });
    closer.join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return owner.loading.Current() == nullptr; }, 2000));
    EXPECT_EQ(VisibleLoadingWindows(&owner), 0);
}

// Messages posted from other threads reach the window's handler on the GUI thread.
class RecordingWindow : public MessageWindow {
  public:
    explicit RecordingWindow(const QString& layout) : MessageWindow(nullptr, "recwnd", layout) {}
    std::vector<Message> messages;
    bool wrongThread = false;

  protected:
    void HandleMessage(Message& message) override {
        wrongThread |= QThread::currentThread() != qApp->thread();
        messages.push_back(message);
    }
};

class MessageWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::EnsureQtApp();
        ASSERT_TRUE(dir_.isValid());
        layout_ = test::WriteTempFile(dir_, "m.xml", "<Window size='200,100'><VBox/></Window>");
    }
    QTemporaryDir dir_;
    QString layout_;
};

TEST_F(MessageWindowTest, MessagesFromAnotherThreadArriveInOrderOnTheGuiThread) {
    RecordingWindow window(layout_);
    std::shared_ptr<MessageTarget> target = window.MessageTargetForThreads();
    constexpr int kCount = 200;
    std::thread worker([target] {
        for (int i = 0; i < kCount; ++i) {
            target->PostMessage(Message{1234, i, i * 10, {}});
        }
        target->PostMessage(Message{kMsgCloseLoading, 0, 0, {}});
    });
    worker.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.messages.size() == kCount + 1; }, 5000));
    EXPECT_FALSE(window.wrongThread);
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(window.messages[i].wParam, i);
        EXPECT_EQ(window.messages[i].value, i * 10);
    }
    EXPECT_EQ(window.messages.back().id, kMsgCloseLoading);
}

TEST_F(MessageWindowTest, PostsToAClosedWindowAreDropped) {
    auto window = std::make_unique<RecordingWindow>(layout_);
    std::shared_ptr<MessageTarget> target = window->MessageTargetForThreads();
    target->PostMessage(Message{1234, 1, 0, {}});  // queued, never delivered
    std::atomic<bool> stop{false};
    std::thread worker([target, &stop] {
        while (!stop.load()) {
            target->PostMessage(Message{1235, 0, 0, {}});
        }
    });
    QTest::qWait(20);
    window.reset();  // destroyed while the worker keeps posting
    QTest::qWait(20);
    stop = true;
    worker.join();
    EXPECT_FALSE(static_cast<QtMessageTarget*>(target.get())->IsAlive());
    target->PostMessage(Message{1234, 2, 0, {}});
    QCoreApplication::processEvents();  // nothing to deliver, nothing to crash
}

// Screenshots for a visual check, written only when KORVEL_SHOT_DIR names a folder.
TEST_F(MsgWindowsTest, Screenshots) {
    const QString dir = qEnvironmentVariable("KORVEL_SHOT_DIR");
    if (dir.isEmpty()) {
        GTEST_SKIP() << "set KORVEL_SHOT_DIR to save screenshots";
    }
    QDir().mkpath(dir);
    const int dpi = qEnvironmentVariableIntValue("KORVEL_SHOT_DPI");
    auto shoot = [&](ui::WindowImplBase& w, const QString& file) {
        if (dpi > 0) {
            ui::UiFramework::Instance().SetDpi(dpi);
        }
        w.show();
        QTest::qWait(100);
        EXPECT_TRUE(w.grab().save(dir + "/" + file));
        w.Close(0);
    };
    for (const QString& lan : {ui::kLanguageEnglish, ui::kLanguageChinese}) {
        ui::LanguageManager::Instance().Select(lan);
        CMsgWnd one(owner_.get());
        one.Create();
        one.SetMessage("${tips}", "${device_connect_fail}");
        one.SetButtons({"${confirm}"}, 1);
        shoot(one, "msg_one_" + lan + ".png");

        CMsgWnd three(owner_.get());
        three.Create();
        three.SetMessage("${tips}", "${empty_output_tips}");
        three.SetButtons({"${default}", "${cancel}", "${emptied}"}, 3);
        shoot(three, "msg_three_" + lan + ".png");

        CMsgCheckBoxWnd check(owner_.get());
        check.Create();
        check.SetMessage("${tips}", "${link_tips}", "${copy_left_to_right}",
                         "${copy_right_to_left}");
        shoot(check, "msg_checkbox_" + lan + ".png");

        CMsgCheckBoxWnd chosen(owner_.get());
        chosen.Create();
        chosen.Click("check_box_1");
        shoot(chosen, "msg_checkbox_chosen_" + lan + ".png");

        CLoadingWnd loading(owner_.get());
        loading.Create();
        loading.show();
        QTest::qWait(250);
        EXPECT_TRUE(loading.grab().save(dir + "/loading_" + lan + ".png"));
        loading.Close(1);
    }
}

}  // namespace
}  // namespace korvel
