// Window base: language switch, scale, menus, modal answers, bad layouts.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <thread>

#include "common/qt_test_app.h"
#include "uiframework/framework.h"
#include "uiframework/language.h"
#include "uiframework/modal_answerer.h"
#include "uiframework/window_impl_base.h"

namespace korvel::ui {
namespace {

const char kLayout[] = R"(
<Window title="${tips}" size="300,200" caption="30">
  <VBox name="body" margin="10,6" spacing="4">
    <Label name="MessageTitle" text="${tips}"/>
    <Label name="MessageText" text="${link_tips}"/>
    <Button name="confirm_btn" text="${confirm}" width="100" height="30"/>
    <Button name="cancel_btn" text="${cancel}"/>
    <Combo name="source"><Item text="${source_bt}"/><Item text="USB"/></Combo>
    <Edit name="name_edt"/>
    <VBox name="channel_settings"/>
  </VBox>
</Window>)";

const char kPanel[] = R"(<Panel><Label name="panel_label" text="${save}" width="50"/></Panel>)";

const char kMenu[] = R"(
<Menu>
  <Item name="option_item_about" text="${version}"/>
  <Item name="option_item_reset_default" text="${default}"/>
  <Separator/>
  <Menu name="option_item_language" text="Language">
    <Item name="option_item_language_en" text="English" checkable="true"/>
    <Item name="option_item_language_ru" text="Russian" visible="false"/>
  </Menu>
</Menu>)";

class TestWindow : public WindowImplBase {
  public:
    explicit TestWindow(const QString& layout, QWidget* owner = nullptr)
        : WindowImplBase(owner, "testwnd", layout) {}

    std::vector<QString> menuClicks;

  protected:
    void Notify(const Notification& n) override {
        if (n.type == notify::kClick && n.name == "confirm_btn") {
            Close(1);
        } else if (n.type == notify::kClick && n.name == "cancel_btn") {
            Close(0);
        }
    }
    void HandleMenuClick(const QString& item) override { menuClicks.push_back(item); }
};

class WindowBaseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::EnsureQtApp();
        ASSERT_TRUE(dir_.isValid());
        layout_ = test::WriteTempFile(dir_, "layout.xml", kLayout);
        UiFramework::Instance().SetDpi(96);
        LanguageManager::Instance().Select(kLanguageEnglish);
    }
    void TearDown() override {
        LanguageManager::Instance().Select(kLanguageEnglish);
        UiFramework::Instance().SetDpi(96);
    }

    QTemporaryDir dir_;
    QString layout_;
};

TEST_F(WindowBaseTest, LanguageSwitchReappliesEveryTranslatedText) {
    TestWindow window(layout_);
    ASSERT_TRUE(window.Create());
    window.SetText("name_edt", "typed by user");
    EXPECT_EQ(window.Text("MessageTitle"), "Notice");
    EXPECT_EQ(window.windowTitle(), "Notice");

    LanguageManager::Instance().Select(kLanguageChinese);
    EXPECT_EQ(window.Text("MessageTitle"), QString::fromUtf8("提示"));
    EXPECT_EQ(window.Text("confirm_btn"), QString::fromUtf8("确定"));
    EXPECT_EQ(window.windowTitle(), QString::fromUtf8("提示"));
    auto* combo = window.FindControl<QComboBox>("source");
    EXPECT_EQ(combo->itemText(0), QString::fromUtf8("蓝牙"));
    EXPECT_EQ(combo->itemText(1), "USB");
    EXPECT_EQ(window.Text("name_edt"), "typed by user") << "plain texts are left alone";

    // A text set from code after the switch follows the next switch too.
    window.SetText("MessageText", "${device_plugout}");
    LanguageManager::Instance().Select(kLanguageRussian);
    EXPECT_EQ(window.Text("MessageText"), "The device has been disconnected.");
    EXPECT_EQ(window.Text("MessageTitle"), "Notice");
}

TEST_F(WindowBaseTest, ScaleIsAppliedAndReappliedInPlace) {
    TestWindow window(layout_);
    ASSERT_TRUE(window.Create());
    auto* button = window.FindControl<QPushButton>("confirm_btn");
    EXPECT_EQ(button->width(), 100);
    EXPECT_EQ(window.width(), 300);

    UiFramework::Instance().SetDpi(192);
    EXPECT_EQ(window.ScalePercent(), 200);
    EXPECT_EQ(button->width(), 200);
    EXPECT_EQ(button->height(), 60);
    EXPECT_EQ(window.size(), QSize(600, 400));
    const QMargins margins = window.FindControl("body")->layout()->contentsMargins();
    EXPECT_EQ(margins, QMargins(20, 12, 20, 12));
    EXPECT_TRUE(window.styleSheet().contains("font-size: 26px"));
    {
        TestWindow built(layout_);  // built at the current scale, not rescaled afterwards
        ASSERT_TRUE(built.Create());
        EXPECT_EQ(built.FindControl<QPushButton>("confirm_btn")->width(), 200);
        EXPECT_EQ(built.FindControl("body")->layout()->contentsMargins(), margins);
    }

    UiFramework::Instance().SetDpi(77);
    EXPECT_EQ(button->width(), 80);
    EXPECT_EQ(window.size(), QSize(240, 160));
    UiFramework::Instance().SetDpi(96);
    EXPECT_EQ(button->width(), 100);
}

TEST_F(WindowBaseTest, StyleSheetLengthsScaleButHairlinesStay) {
    EXPECT_EQ(UiFramework::ScaleStyleSheet("a { border: 1px solid; padding: 5px 16px; }", 80),
              "a { border: 1px solid; padding: 4px 12px; }");
    EXPECT_EQ(UiFramework::ScaleStyleSheet("b { margin: 0px; width: 10px; }", 300),
              "b { margin: 0px; width: 30px; }");
}

TEST_F(WindowBaseTest, PanelsBuildIntoNamedContainers) {
    TestWindow window(layout_);
    ASSERT_TRUE(window.Create());
    UiFramework::Instance().SetDpi(144);
    EXPECT_TRUE(window.BuildInto("channel_settings", test::WriteTempFile(dir_, "p.xml", kPanel)));
    auto* label = window.FindControl<QLabel>("panel_label");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->parentWidget()->objectName(), "channel_settings");
    EXPECT_EQ(label->width(), 75) << "a panel built later takes the current scale";
    EXPECT_FALSE(window.BuildInto("no_such_container", dir_.filePath("p.xml")));
}

TEST_F(WindowBaseTest, ControlsFoundByNameFollowRenamesDeletionsAndMoves) {
    TestWindow window(layout_);
    ASSERT_TRUE(window.Create());
    auto* title = window.FindControl<QLabel>("MessageTitle");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(window.FindControl<QPushButton>("MessageTitle"), nullptr) << "the type still counts";

    title->setObjectName("renamed");
    EXPECT_EQ(window.FindControl("MessageTitle"), nullptr);
    EXPECT_EQ(window.FindControl("renamed"), title);

    QWidget outside;
    title->setParent(&outside);
    EXPECT_EQ(window.FindControl("renamed"), nullptr) << "moved out of the window";

    auto* text = window.FindControl<QLabel>("MessageText");
    delete text;
    EXPECT_EQ(window.FindControl("MessageText"), nullptr);
    auto* again = new QLabel(window.FindControl("body"));
    again->setObjectName("MessageText");
    EXPECT_EQ(window.FindControl("MessageText"), again);

    // A name two controls share finds the first of the requested type, as findChild does.
    auto* twin = new QPushButton(window.FindControl("body"));
    twin->setObjectName("confirm_btn");
    auto* shared = new QLabel(window.FindControl("body"));
    shared->setObjectName("cancel_btn");
    EXPECT_EQ(window.FindControl("no_such_control"), nullptr);
    EXPECT_EQ(window.FindControl("confirm_btn"), window.findChild<QWidget*>("confirm_btn"));
    EXPECT_EQ(window.FindControl<QLabel>("cancel_btn"), shared);
    EXPECT_NE(window.FindControl<QPushButton>("cancel_btn"), nullptr);
}

TEST_F(WindowBaseTest, MenuItemsReachTheWindowByNameAfterTheMenuCloses) {
    TestWindow window(layout_);
    ASSERT_TRUE(window.Create());
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const QString menuFile = test::WriteTempFile(dir_, "menu.xml", kMenu);
    auto* anchor = window.FindControl("confirm_btn");
    PopupMenu* menu = window.ShowMenu(menuFile, anchor, [](PopupMenu& m) {
        m.SetItemEnabled("option_item_reset_default", false);
        m.SetItemChecked("option_item_language_en", true);
    });
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_TRUE(menu->Item("option_item_language_en")->isChecked());
    EXPECT_FALSE(menu->ClickItem("option_item_reset_default")) << "disabled";
    EXPECT_FALSE(menu->ClickItem("option_item_language_ru")) << "hidden";
    EXPECT_FALSE(menu->ClickItem("no_such_item"));

    // A second menu replaces the first.
    QPointer<PopupMenu> first = menu;
    PopupMenu* second = window.ShowMenu(menuFile, anchor);
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(window.OpenMenu(), second);
    EXPECT_TRUE(second->ClickItem("option_item_language_en"));  // inside a sub-menu
    EXPECT_TRUE(window.menuClicks.empty()) << "delivered after the menu closed, not inside it";
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.menuClicks.size() == 1; }, 2000));
    EXPECT_EQ(window.menuClicks[0], "option_item_language_en");

    LanguageManager::Instance().Select(kLanguageChinese);
    PopupMenu* third = window.ShowMenu(menuFile, anchor);
    EXPECT_EQ(third->Item("option_item_about")->text(), QString::fromUtf8("固件版本"));
    EXPECT_EQ(window.ShowMenu(dir_.filePath("missing.xml"), anchor), nullptr);
}

TEST_F(WindowBaseTest, ModalAnswererScriptsAndRecordsQuestions) {
    ModalAnswerer answers;
    answers.Reply("testwnd", 7);
    answers.Click("testwnd", {"confirm_btn"});
    answers.Click("other", {"confirm_btn"});  // for another window: not used here
    answers.Script("", [](WindowImplBase& w) { w.SetText("MessageText", "changed"); });

    TestWindow window(layout_);
    EXPECT_EQ(window.ShowModal(), 7);
    EXPECT_EQ(window.ShowModal(), 1);
    EXPECT_EQ(window.ShowModal(), 0) << "a script leaving the window open gets the default";
    EXPECT_EQ(window.ShowModal(), 0) << "no answer left for this window";
    EXPECT_EQ(answers.PendingAnswers(), 1);

    ASSERT_EQ(answers.Questions().size(), 4u);
    EXPECT_EQ(answers.Questions()[0].window, "testwnd");
    EXPECT_EQ(answers.Questions()[0].title, "Notice");
    EXPECT_EQ(answers.Questions()[0].text, Tr("${link_tips}"));
    EXPECT_TRUE(answers.Questions()[0].buttons.contains("OK"));
    EXPECT_EQ(answers.Questions()[1].result, 1);
}

TEST_F(WindowBaseTest, ShowModalRunsARealModalLoopWithoutAnAnswerer) {
    TestWindow window(layout_);
    QTimer::singleShot(0, &window, [&window] { window.Click("confirm_btn"); });
    EXPECT_EQ(window.ShowModal(), 1);
    QTimer::singleShot(0, &window, [&window] { QTest::keyClick(&window, Qt::Key_Escape); });
    EXPECT_EQ(window.ShowModal(), 0) << "Escape closes like cancel";
}

TEST_F(WindowBaseTest, EscapeDoesNotCloseTheMainWindow) {
    class MainWindow : public WindowImplBase {
      public:
        explicit MainWindow(const QString& layout)
            : WindowImplBase(nullptr, "mainwnd", layout, WindowKind::Main) {}
    } window(layout_);
    window.ShowWindow();
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.IsClosed());
}

TEST_F(WindowBaseTest, BadLayoutsFailWithoutCrashing) {
    TestWindow missing(dir_.filePath("nope.xml"));
    EXPECT_FALSE(missing.Create());

    TestWindow malformed(test::WriteTempFile(dir_, "bad.xml", "<Window><VBox></Window>"));
    EXPECT_FALSE(malformed.Create());

    // A layout that includes itself stops at the nesting limit; a huge repeat is capped.
    const QString self = dir_.filePath("self.xml");
    test::WriteTempFile(dir_, "self.xml",
                        QString("<Window><VBox><Include resource=\"%1\"/>"
                                "<Repeat count=\"100000\"><Label name=\"l_%d\"/></Repeat>"
                                "</VBox></Window>")
                            .arg(self)
                            .toUtf8());
    TestWindow recursive(self);
    EXPECT_TRUE(recursive.Create());
    EXPECT_NE(recursive.FindControl("l_255"), nullptr);
    EXPECT_EQ(recursive.FindControl("l_256"), nullptr);
}

}  // namespace
}  // namespace korvel::ui
