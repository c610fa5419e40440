// The main window's own behaviour: window messages and their message boxes, the loading window,
// the language menu, menu enabling, the debug button, the focus ring and the equaliser mode.

#include <gtest/gtest.h>

#include <algorithm>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QSlider>
#include <QTemporaryDir>

#include "common/qt_test_app.h"
#include "eqgraph/widget/ui_equalizer.h"
#include "main_wnd_test_support.h"
#include "uiframework/framework.h"
#include "uiframework/language.h"
#include "uiframework/modal_answerer.h"
#include "uiframework/popup_menu.h"
#include "uiframework/ui_formats.h"
#include "windows/window_resources.h"

namespace korvel {
namespace {

// Counts what the window writes, so a change that must not be stored can be checked.
class CountingSettings : public Settings {
  public:
    void WriteLan(int value) override {
        ++writes;
        Settings::WriteLan(value);
    }
    int writes = 0;
};

class MainWndUiTest : public ::testing::Test {
  protected:
    MainWndUiTest() { ui::LanguageManager::Instance().Select(ui::kLanguageEnglish); }
    ~MainWndUiTest() override { ui::LanguageManager::Instance().Select(ui::kLanguageEnglish); }

    void Create() {
        rig.window->Create();
        rig.window->ShowWindow();
    }
    CMainWnd& W() { return *rig.window; }

    void Post(int id) {
        Message m;
        m.id = id;
        W().MessageTargetForThreads()->PostMessage(m);
        test::PumpFor(std::chrono::milliseconds(30));
    }

    // Opens a caption menu and clicks one of its items as the user would.
    bool ClickMenuItem(const QString& button, const QString& item) {
        if (!W().Click(button) || W().OpenMenu() == nullptr) {
            return false;
        }
        const bool clicked = W().OpenMenu()->ClickItem(item);
        W().OpenMenu()->close();
        test::PumpFor(std::chrono::milliseconds(30));
        return clicked;
    }

    ui::ModalAnswerer answers;
    test::MainWindowRig rig;
};

// --- Window messages -----------------------------------------------------------------------------

struct MessageCase {
    int id;
    const char* text;       // key of the message box, or nullptr for none
    const char* then = "";  // the window opened after the box, if any
};

class MainWndMessageTest : public MainWndUiTest,
                           public ::testing::WithParamInterface<MessageCase> {};

TEST_P(MainWndMessageTest, ShowsItsMessageBoxAndStops) {
    Create();
    Post(GetParam().id);
    if (GetParam().text == nullptr) {
        EXPECT_TRUE(answers.Questions().empty());
        return;
    }
    ASSERT_EQ(answers.Questions().size(), *GetParam().then ? 2u : 1u);
    if (*GetParam().then) {
        EXPECT_EQ(answers.Questions()[1].window, GetParam().then);
    }
    const ui::ModalQuestion& q = answers.Questions()[0];
    EXPECT_EQ(q.window, "msgwnd");
    EXPECT_EQ(q.title, ui::Tr("${tips}"));
    EXPECT_EQ(q.text, ui::Tr(QString::fromLatin1(GetParam().text)));
    EXPECT_EQ(q.buttons, QStringList{ui::Tr("${confirm}")});
    EXPECT_EQ(W().LoadingWindow(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Messages, MainWndMessageTest,
                         ::testing::Values(MessageCase{kMsgMcuNotNormal,
                                                       "${device_status_unnormal}", "updatefwwnd"},
                                           MessageCase{kMsgDeviceRebooting, "${device_reboot}"},
                                           MessageCase{kMsgConnectFailed, "${device_connect_fail}"},
                                           MessageCase{kMsgDisconnect, nullptr}));

TEST_F(MainWndUiTest, RebootMessageClosesTheLoadingWindowFirst) {
    Create();
    Post(kMsgOpenLoading);
    ASSERT_NE(W().LoadingWindow(), nullptr);
    Post(kMsgDeviceRebooting);
    EXPECT_EQ(W().LoadingWindow(), nullptr);
    ASSERT_EQ(answers.Questions().size(), 1u);
    EXPECT_EQ(answers.Questions()[0].text, ui::Tr("${device_reboot}"));
}

TEST_F(MainWndUiTest, DisconnectMessageTakesTheConnectionDown) {
    Create();
    ASSERT_TRUE(rig.ConnectAndSettle());
    Post(kMsgDisconnect);
    EXPECT_FALSE(W().Controller().IsConnected());
    EXPECT_EQ(W().Text(QStringLiteral("btnConnect")), ui::Tr("${btn_disconnected}"));
}

TEST_F(MainWndUiTest, LoadingWindowOpensReplacesAndCloses) {
    Create();
    Post(kMsgCloseLoading);  // none open: nothing happens
    EXPECT_EQ(W().LoadingWindow(), nullptr);

    Post(kMsgOpenLoading);
    CLoadingWnd* first = W().LoadingWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());

    Post(kMsgOpenLoading);
    ASSERT_NE(W().LoadingWindow(), nullptr);
    EXPECT_NE(W().LoadingWindow(), first);
    // The replaced window is deleted through the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(W().findChildren<CLoadingWnd*>().size(), 1);

    Post(kMsgCloseLoading);
    EXPECT_EQ(W().LoadingWindow(), nullptr);
    EXPECT_TRUE(answers.Questions().empty());
}

TEST_F(MainWndUiTest, LoadingWindowIsGoneAfterTheInitialRead) {
    Create();
    rig.amp->SetReportDelay(std::chrono::microseconds(500));  // a read that lasts a while
    W().Controller().Connect(true);
    // The read-all thread asks for the loading window first thing.
    ASSERT_TRUE(test::PumpUntil([&] { return W().LoadingWindow() != nullptr; }));
    ASSERT_TRUE(rig.Settle());
    EXPECT_EQ(W().LoadingWindow(), nullptr);
    EXPECT_TRUE(W().findChildren<CLoadingWnd*>().isEmpty());
}

// --- Window and controls at start ----------------------------------------------------------------

TEST_F(MainWndUiTest, OpensAtItsDesignSizeWithTheInitialControlStates) {
    ui::UiFramework::Instance().SetDpi(ui::kBaseDpi);
    Create();
    EXPECT_EQ(W().windowTitle(), "Korvel DSP Audio");
    EXPECT_EQ(W().size(), QSize(1230, 650));

    auto* volume = W().FindControl<QSlider>(QStringLiteral("slider_main_volume"));
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->minimum(), 0);
    EXPECT_EQ(volume->maximum(), 40);
    EXPECT_EQ(volume->value(), 30);
    EXPECT_EQ(W().Text(QStringLiteral("btnConnect")), ui::Tr("${btn_disconnected}"));
    EXPECT_EQ(W().FindControl(QStringLiteral("btnConnect"))->property("state").toString(),
              "disconnected");
    for (int ch = 0; ch < CMainWnd::kChannels; ++ch) {
        EXPECT_TRUE(W().FindControl(QStringLiteral("slider_ch_delay_%1").arg(ch))->isHidden());
        EXPECT_FALSE(W().FindControl(QStringLiteral("edit_ch_delay_%1").arg(ch))->isHidden());
    }
    for (int role = 1; role <= kRoleCount; ++role) {
        QWidget* marker = W().FindControl(QStringLiteral("speaker_%1").arg(role));
        ASSERT_NE(marker, nullptr) << role;
        EXPECT_TRUE(marker->isHidden());
        EXPECT_TRUE(ui::ControlText(marker).isEmpty());
    }
}

// Type 0 ("-") is shown for a filter that is off but is not offered in the type lists, however
// the list is opened; picking from the list still gives the type as the index.
TEST_F(MainWndUiTest, FilterTypeListsDoNotOfferTypeZero) {
    Create();
    W().show();
    for (const auto& [name, key] :
         {std::pair{"hp_type", Qt::Key_unknown}, std::pair{"lp_type", Qt::Key_F4}}) {
        auto* combo = W().FindControl<QComboBox>(QString::fromLatin1(name));
        ASSERT_NE(combo, nullptr) << name;
        if (key == Qt::Key_unknown) {
            const QPointF at = QRectF(combo->rect()).center();
            QMouseEvent press(QEvent::MouseButtonPress, at, combo->mapToGlobal(at), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(combo, &press);
        } else {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QCoreApplication::sendEvent(combo, &press);
        }
        auto* view = qobject_cast<QListView*>(combo->view());
        ASSERT_NE(view, nullptr) << name;
        EXPECT_TRUE(view->isVisible()) << name;
        EXPECT_TRUE(view->isRowHidden(0)) << name;
        EXPECT_FALSE(view->isRowHidden(1)) << name;
        combo->hidePopup();
    }
}

TEST_F(MainWndUiTest, IndexedControlsCarryTheirIndex) {
    Create();
    struct Case {
        const char* pattern;
        int first;
        int count;
    };
    const Case cases[] = {
        {"eq_freq_%1", 0, 31},      {"eq_q_%1", 0, 31},          {"eq_gain_%1", 0, 31},
        {"eq_slider_%1", 0, 31},    {"pt_enable_%1", 0, 31},     {"ch_show_%1", 0, 6},
        {"ch_enable_%1", 0, 6},     {"ch_output_btn_%1", 0, 6},  {"slider_ch_volume_%1", 0, 6},
        {"ch_volume_bg_%1", 0, 6},  {"edit_ch_volume_%1", 0, 6}, {"ch_mute_%1", 0, 6},
        {"ch_phase_%1", 0, 6},      {"ch_synchronize_%1", 0, 6}, {"delay_lable_%1", 0, 6},
        {"edit_ch_delay_%1", 0, 6}, {"control_empty_%1", 0, 6},  {"slider_ch_delay_%1", 0, 6},
        {"option_ch_in1_%1", 0, 6}, {"option_ch_in4_%1", 0, 6},  {"input_123_%1", 0, 6},
        {"input_456_%1", 0, 6},     {"speaker_%1", 1, 24},
    };
    for (const Case& c : cases) {
        for (int i = c.first; i < c.first + c.count; ++i) {
            const QString name = QString::fromLatin1(c.pattern).arg(i);
            QWidget* control = W().FindControl(name);
            ASSERT_NE(control, nullptr) << name.toStdString();
            EXPECT_EQ(ui::ControlIndex(control), i) << name.toStdString();
        }
    }
    for (const char* name : {"btnConnect",       "btn_amp_onoff",
                             "btn_debug",        "btn_advance",
                             "btn_option",       "btn_scene",
                             "btn_input_source", "equalizer",
                             "edit_main_volume", "slider_main_volume",
                             "main_mute",        "comb_ch_unit",
                             "hp_type",          "lp_type",
                             "hp_slop",          "lp_slop",
                             "hp_freq",          "lp_freq",
                             "btn_reset_eq",     "btn_bypass",
                             "btn_arg_eq",       "btn_reset_output",
                             "btn_lock_output",  "btn_link_output",
                             "edt_dpi",          "btnDpi",
                             "minbtn",           "closebtn"}) {
        EXPECT_NE(W().FindControl(QString::fromLatin1(name)), nullptr) << name;
    }
}

// A renamed control in the layout would silently stop reaching its handler.
TEST_F(MainWndUiTest, EveryRoutedControlNameIsInTheLayout) {
    Create();
    const QList<QWidget*> controls = W().findChildren<QWidget*>();
    for (const CMainWnd::RoutedName& routed : CMainWnd::RoutedControlNames()) {
        const bool found = std::any_of(controls.begin(), controls.end(), [&](QWidget* control) {
            const QString name = control->objectName();
            return routed.prefix ? name.startsWith(routed.name) : name == routed.name;
        });
        EXPECT_TRUE(found) << routed.name.toStdString();
    }
}

// Windows read the layouts and language files the build compiled, not their XML: every one must
// have a compiled form that reads back as exactly what its XML parses to, and a damaged form must
// be refused so the XML is read instead.
TEST(CompiledUiResourcesTest, EveryLayoutAndLanguageMatchesItsXml) {
    (void)WindowLayout("XML_MAIN");  // registers the resources
    ui::EnsureUiFrameworkResources();
    int compared = 0;
    QDirIterator files(QStringLiteral(":/"), QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        const bool ours = path.startsWith(QLatin1String(":/layout/")) ||
                          path.startsWith(QLatin1String(":/xml/")) ||
                          path.startsWith(QLatin1String(":/lan/"));
        if (!ours || path.endsWith(QLatin1String(".bin"))) {
            continue;
        }
        QFile xmlFile(path);
        QFile compiledFile(ui::CompiledResourceName(path));
        ASSERT_TRUE(xmlFile.open(QIODevice::ReadOnly));
        ASSERT_TRUE(compiledFile.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray xml = xmlFile.readAll();
        const QByteArray compiled = compiledFile.readAll();
        if (path.startsWith(QLatin1String(":/lan/"))) {
            QHash<QString, QString> parsed, read;
            ASSERT_TRUE(ui::ParseLanguageTexts(xml, &parsed));
            ASSERT_TRUE(ui::LoadCompiledTexts(compiled, &read)) << path.toStdString();
            EXPECT_EQ(read, parsed) << path.toStdString();
            EXPECT_FALSE(ui::LoadCompiledTexts(compiled.chopped(1), &read));
            ui::LayoutNode node;
            EXPECT_FALSE(ui::LoadCompiledLayout(compiled, &node));  // the other kind
        } else {
            ui::LayoutNode parsed, read;
            QString error;
            ASSERT_TRUE(ui::ParseLayout(xml, &parsed, &error)) << error.toStdString();
            ASSERT_TRUE(ui::LoadCompiledLayout(compiled, &read)) << path.toStdString();
            EXPECT_TRUE(read == parsed) << path.toStdString();
            EXPECT_FALSE(ui::LoadCompiledLayout(compiled.left(compiled.size() / 2), &read));
        }
        ++compared;
    }
    EXPECT_EQ(compared, 20);  // 18 layouts and 2 languages
}

class MainWndDebugButtonTest : public MainWndUiTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MainWndDebugButtonTest, IsVisibleOnlyWithTheSwitchFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    if (GetParam()) {
        QFile file(dir.filePath(QStringLiteral("debug.ini")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    Create();
    QDir::setCurrent(previous);
    EXPECT_EQ(!W().FindControl(QStringLiteral("btn_debug"))->isHidden(), GetParam());
}

INSTANTIATE_TEST_SUITE_P(SwitchFile, MainWndDebugButtonTest, ::testing::Bool());

// --- Menus and language --------------------------------------------------------------------------

TEST_F(MainWndUiTest, DeviceMenuItemsFollowTheConnection) {
    Create();
    const char* deviceItems[][2] = {
        {"btn_option", "option_item_reset_default"}, {"btn_scene", "scene_item_load_scene"},
        {"btn_scene", "scene_item_saveas_scene"},    {"btn_scene", "scene_item_delete_scene"},
        {"btn_scene", "scene_item_save_whole_file"}, {"btn_scene", "scene_item_load_whole_file"}};
    const char* fileItems[][2] = {{"btn_scene", "scene_item_load_file"},
                                  {"btn_scene", "scene_item_save_file"},
                                  {"btn_advance", "advance_item_autocal"}};
    const auto enabled = [&](const char* button, const char* item) {
        EXPECT_TRUE(W().Click(QString::fromLatin1(button)));
        QAction* action = W().OpenMenu()->Item(QString::fromLatin1(item));
        const bool on = action && action->isEnabled();
        W().OpenMenu()->close();
        return on;
    };
    for (const auto& [button, item] : deviceItems) {
        EXPECT_FALSE(enabled(button, item)) << item;
    }
    for (const auto& [button, item] : fileItems) {
        EXPECT_TRUE(enabled(button, item)) << item;
    }
    ASSERT_TRUE(rig.ConnectAndSettle());
    for (const auto& [button, item] : deviceItems) {
        EXPECT_TRUE(enabled(button, item)) << item;
    }
}

TEST_F(MainWndUiTest, LanguageItemsSwitchTextsAndStoreTheChoice) {
    CountingSettings settings;
    rig.window = std::make_unique<CMainWnd>(MakeVirtualTransportFactory(rig.amp), settings);
    Create();
    const QString englishConnect = W().Text(QStringLiteral("btnConnect"));
    const QString englishVolume = W().Text(QStringLiteral("edit_ch_volume_0"));

    // Already active: nothing changes, nothing is written.
    ASSERT_TRUE(
        ClickMenuItem(QStringLiteral("btn_option"), QStringLiteral("option_item_language_en")));
    EXPECT_EQ(settings.writes, 0);

    ASSERT_TRUE(
        ClickMenuItem(QStringLiteral("btn_option"), QStringLiteral("option_item_language_cn")));
    EXPECT_EQ(ui::LanguageManager::Instance().Current(), ui::kLanguageChinese);
    EXPECT_EQ(settings.ReadLan(), kLanChinese);
    EXPECT_EQ(settings.writes, 1);
    EXPECT_NE(W().Text(QStringLiteral("btnConnect")), englishConnect);
    EXPECT_EQ(W().Text(QStringLiteral("btnConnect")), ui::Tr("${btn_disconnected}"));
    EXPECT_EQ(W().Text(QStringLiteral("btn_arg_eq")), ui::Tr("${geq_mode}"));
    EXPECT_EQ(W().Text(QStringLiteral("ch_output_btn_0")), ui::Tr("${front_left_full}"));
    EXPECT_EQ(W().Text(QStringLiteral("edit_ch_volume_0")), englishVolume);  // "0dB" stays

    // The toggle item: from Chinese to English, from any other language to Chinese.
    ASSERT_TRUE(
        ClickMenuItem(QStringLiteral("btn_option"), QStringLiteral("option_item_language")));
    EXPECT_EQ(ui::LanguageManager::Instance().Current(), ui::kLanguageEnglish);
    EXPECT_EQ(settings.ReadLan(), kLanEnglish);
    EXPECT_EQ(W().Text(QStringLiteral("btnConnect")), englishConnect);

    ASSERT_TRUE(
        ClickMenuItem(QStringLiteral("btn_option"), QStringLiteral("option_item_language_ru")));
    EXPECT_EQ(settings.ReadLan(), kLanRussian);
    ASSERT_TRUE(
        ClickMenuItem(QStringLiteral("btn_option"), QStringLiteral("option_item_language")));
    EXPECT_EQ(ui::LanguageManager::Instance().Current(), ui::kLanguageChinese);
    EXPECT_EQ(settings.writes, 4);
}

TEST_F(MainWndUiTest, StoredLanguageIsSelectedAtStart) {
    rig.settings.WriteLan(kLanChinese);
    Create();
    EXPECT_EQ(ui::LanguageManager::Instance().Current(), ui::kLanguageChinese);
    EXPECT_EQ(W().Text(QStringLiteral("btnConnect")), ui::Tr("${btn_disconnected}"));
}

// --- Focus ring, delay slider, equaliser mode ----------------------------------------------------

TEST_F(MainWndUiTest, ArrowKeysWalkTheFocusRing) {
    Create();
    struct Case {
        bool parametric;
        const char* from;
        bool forward;
        const char* to;
    };
    const Case cases[] = {
        // Graphic mode: frequency and Q edits cannot take the focus and are passed over.
        {false, "edit_main_volume", true, "eq_gain_0"},
        {false, "eq_gain_0", false, "edit_main_volume"},
        {false, "eq_gain_30", true, "edit_ch_volume_0"},
        {true, "edit_main_volume", true, "eq_freq_0"},
        {true, "eq_freq_30", true, "eq_q_0"},
        {true, "eq_gain_0", false, "eq_q_30"},
        {true, "edit_ch_volume_5", true, "edit_ch_delay_0"},
        {true, "edit_ch_delay_5", true, "hp_freq"},
        {true, "hp_freq", true, "lp_freq"},
        {true, "lp_freq", true, "edit_main_volume"},
        {true, "edit_main_volume", false, "lp_freq"},
        {true, "not_on_the_ring", true, ""},
    };
    for (const Case& c : cases) {
        W().SetParametricMode(c.parametric);
        EXPECT_EQ(W().FocusRingNeighbour(QString::fromLatin1(c.from), c.forward), c.to)
            << c.from << (c.forward ? " forward" : " backward");
    }
}

TEST_F(MainWndUiTest, DelaySliderFollowsTheFocusedDelayEdit) {
    Create();
    const auto focus = [&](const QString& name) {
        W().SendNotify(W().FindControl(name), "setfocus");
    };
    const auto sliderShown = [&](int ch) {
        return !W().FindControl(QStringLiteral("slider_ch_delay_%1").arg(ch))->isHidden();
    };
    focus(QStringLiteral("edit_ch_delay_2"));
    for (int ch = 0; ch < CMainWnd::kChannels; ++ch) {
        EXPECT_EQ(sliderShown(ch), ch == 2) << ch;
        EXPECT_EQ(W().FindControl(QStringLiteral("control_empty_%1").arg(ch))->isHidden(), ch == 2);
    }
    focus(QStringLiteral("edit_ch_delay_4"));
    EXPECT_FALSE(sliderShown(2));
    EXPECT_TRUE(sliderShown(4));
    focus(QStringLiteral("edit_main_volume"));
    for (int ch = 0; ch < CMainWnd::kChannels; ++ch) {
        EXPECT_FALSE(sliderShown(ch)) << ch;
    }
}

TEST_F(MainWndUiTest, EqualizerModeSwitchesOnlyWhenConfirmed) {
    Create();
    EXPECT_FALSE(W().ParametricMode());
    answers.Reply(QStringLiteral("msgwnd"), 0);
    ASSERT_TRUE(W().Click(QStringLiteral("btn_arg_eq")));
    EXPECT_FALSE(W().ParametricMode());
    EXPECT_FALSE(W().FindControl<QAbstractButton>(QStringLiteral("btn_arg_eq"))->isChecked());
    EXPECT_EQ(answers.Questions().back().text, ui::Tr("${peq_mode_tips}"));

    answers.Reply(QStringLiteral("msgwnd"), 1);
    ASSERT_TRUE(W().Click(QStringLiteral("btn_arg_eq")));
    EXPECT_TRUE(W().ParametricMode());
    EXPECT_EQ(W().Text(QStringLiteral("btn_arg_eq")), ui::Tr("${peq_mode}"));
    EXPECT_TRUE(W().FindControl(QStringLiteral("eq_freq_0"))->isEnabled());
    EXPECT_TRUE(W().Graph()->DragAllDirection());

    answers.Reply(QStringLiteral("msgwnd"), 1);
    ASSERT_TRUE(W().Click(QStringLiteral("btn_arg_eq")));
    EXPECT_FALSE(W().ParametricMode());
    EXPECT_EQ(answers.Questions().back().text, ui::Tr("${geq_mode_tips}"));
    EXPECT_FALSE(W().FindControl(QStringLiteral("eq_freq_0"))->isEnabled());
    EXPECT_FALSE(W().Graph()->DragAllDirection());
}

TEST_F(MainWndUiTest, MinimiseButtonOnlyMinimises) {
    Create();
    ASSERT_TRUE(W().Click(QStringLiteral("minbtn")));
    test::PumpFor(std::chrono::milliseconds(20));
    EXPECT_TRUE(W().isMinimized());
    EXPECT_TRUE(rig.amp->RequestLog().empty());  // nothing reached the device
}

}  // namespace
}  // namespace korvel
