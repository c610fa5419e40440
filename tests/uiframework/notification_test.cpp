// Notifications by control kind, delivered by name to the window's one Notify.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include "common/qt_test_app.h"
#include "uiframework/controls.h"
#include "uiframework/window_impl_base.h"

namespace korvel::ui {
namespace {

const char kLayout[] = R"(
<Window title="test" size="600,400">
  <VBox margin="4" spacing="2">
    <Button name="btnConnect" text="${confirm}"/>
    <Option name="main_mute" text="mute"/>
    <Option name="radio_a" group="g" text="A"/>
    <Option name="radio_b" group="g" text="B"/>
    <Edit name="edit_main_volume" steps="true" width="80" height="24"/>
    <Edit name="other_edit"/>
    <Slider name="slider_main_volume" min="0" max="40" value="30"/>
    <Combo name="comb_ch_unit"><Item text="ms"/><Item text="cm"/><Item text="in"/></Combo>
    <List name="listview"><Item text="one"/><Item text="two"/></List>
    <Progress name="progress" min="-100" max="0" value="-100"/>
    <HBox>
      <Repeat count="31"><Edit name="eq_gain_%d" width="20"/></Repeat>
    </HBox>
    <HBox>
      <Repeat count="4"><Field name="eq_q_%d" align="center" width="40" height="20"/></Repeat>
    </HBox>
    <Repeat count="2" start="3">
      <HBox name="row_%d"><Repeat count="2"><Option name="box_%d_%d"/></Repeat></HBox>
    </Repeat>
    <Gauge name="custom"/>
  </VBox>
</Window>)";

class TestWindow : public WindowImplBase {
  public:
    TestWindow(const QString& layout) : WindowImplBase(nullptr, "testwnd", layout) {}
    std::vector<std::pair<QString, QString>> seen;  // (name, type)
    std::vector<int> indices;

    void Clear() {
        seen.clear();
        indices.clear();
    }

  protected:
    void Notify(const Notification& n) override {
        seen.emplace_back(n.name, n.type);
        indices.push_back(n.Index());
    }
    QWidget* CreateControl(const QString& tag, QWidget* parent) override {
        return tag == QLatin1String("Gauge") ? new QWidget(parent) : nullptr;
    }
};

using Seen = std::vector<std::pair<QString, QString>>;

class NotificationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::EnsureQtApp();
        ASSERT_TRUE(dir_.isValid());
        window_ = std::make_unique<TestWindow>(test::WriteTempFile(dir_, "layout.xml", kLayout));
        ASSERT_TRUE(window_->Create());
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        window_->Clear();
    }

    template <typename T>
    T* Find(const char* name) {
        T* control = window_->FindControl<T>(name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    QTemporaryDir dir_;
    std::unique_ptr<TestWindow> window_;
};

TEST_F(NotificationTest, ButtonClickIsDeliveredByName) {
    QTest::mouseClick(Find<QPushButton>("btnConnect"), Qt::LeftButton);
    EXPECT_EQ(window_->seen, (Seen{{"btnConnect", "click"}}));
}

TEST_F(NotificationTest, OptionsSendClickThenSelectChangedOnlyWhenTheStateChanges) {
    // Clicks land on the indicator: a check box takes clicks on its indicator and text only.
    auto clickOption = [](QWidget* option) {
        QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
    };
    auto* mute = Find<QCheckBox>("main_mute");
    clickOption(mute);
    EXPECT_TRUE(mute->isChecked());
    EXPECT_EQ(window_->seen, (Seen{{"main_mute", "click"}, {"main_mute", "selectchanged"}}));

    window_->Clear();
    mute->setChecked(false);  // from code: no notification
    EXPECT_TRUE(window_->seen.empty());

    auto* a = Find<QRadioButton>("radio_a");
    auto* b = Find<QRadioButton>("radio_b");
    clickOption(a);
    clickOption(a);  // already selected: a click, no change
    clickOption(b);
    EXPECT_FALSE(a->isChecked());
    EXPECT_EQ(window_->seen, (Seen{{"radio_a", "click"},
                                   {"radio_a", "selectchanged"},
                                   {"radio_a", "click"},
                                   {"radio_b", "click"},
                                   {"radio_b", "selectchanged"}}));
}

TEST_F(NotificationTest, EditKeysStepsAndFocus) {
    auto* edit = Find<EditUI>("edit_main_volume");
    edit->setFocus();
    edit->setText("12");
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_Right);  // at the end
    QTest::keyClick(edit, Qt::Key_Left);   // moves the cursor only
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClick(edit, Qt::Key_Left);  // at the start
    EXPECT_EQ(window_->seen, (Seen{{"edit_main_volume", "setfocus"},
                                   {"edit_main_volume", "valuechangedup"},
                                   {"edit_main_volume", "valuechangeddown"},
                                   {"edit_main_volume", "return"},
                                   {"edit_main_volume", "valuechangedright"},
                                   {"edit_main_volume", "valuechangedleft"}}));
    EXPECT_EQ(edit->text(), "12") << "arrow keys must not edit the text";

    window_->Clear();
    ASSERT_TRUE(edit->StepButtonsVisible());
    // Made before the window was shown, they appear with it, and follow later switches.
    ASSERT_TRUE(edit->UpButton() != nullptr && edit->UpButton()->isVisible());
    edit->SetStepButtonsVisible(false);
    EXPECT_FALSE(edit->DownButton()->isVisible());
    edit->SetStepButtonsVisible(true);
    EXPECT_TRUE(edit->DownButton()->isVisible());
    QTest::mouseClick(edit->UpButton(), Qt::LeftButton);
    QTest::mouseClick(edit->DownButton(), Qt::LeftButton);
    EXPECT_TRUE(edit->hasFocus()) << "step buttons leave the focus in the edit";
    Find<EditUI>("other_edit")->setFocus();
    EXPECT_EQ(window_->seen, (Seen{{"edit_main_volume", "valuechangedup"},
                                   {"edit_main_volume", "valuechangeddown"},
                                   {"edit_main_volume", "killfocus"},
                                   {"other_edit", "setfocus"}}));
}

TEST_F(NotificationTest, SliderDragKeyboardAndCode) {
    auto* slider = Find<SliderUI>("slider_main_volume");
    slider->setValue(10);  // from code: silent
    EXPECT_TRUE(window_->seen.empty());

    // A drag: the handle moves while held down, then is released.
    slider->setSliderDown(true);
    slider->setSliderPosition(12);
    slider->setSliderPosition(13);
    slider->setSliderDown(false);
    EXPECT_EQ(slider->value(), 13);
    EXPECT_EQ(window_->seen, (Seen{{"slider_main_volume", "movevaluechanged"},
                                   {"slider_main_volume", "movevaluechanged"},
                                   {"slider_main_volume", "valuechanged"}}));

    window_->Clear();
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    QTest::keyClick(slider, Qt::Key_End);
    QTest::keyClick(slider, Qt::Key_End);  // already at the end: nothing changes
    EXPECT_EQ(slider->value(), 40);
    EXPECT_EQ(window_->seen, (Seen{{"slider_main_volume", "valuechanged"},
                                   {"slider_main_volume", "valuechanged"}}));
    slider->setValue(5);
    EXPECT_EQ(window_->seen.size(), 2u) << "no stale user flag after an unchanged key";
}

TEST_F(NotificationTest, ComboAndListItems) {
    auto* combo = Find<QComboBox>("comb_ch_unit");
    combo->setCurrentIndex(1);  // from code: silent
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(combo->currentIndex(), 2);

    auto* list = Find<QListWidget>("listview");
    list->setCurrentRow(1);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    const QRect row = list->visualItemRect(list->item(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(window_->seen, (Seen{{"comb_ch_unit", "itemselect"},
                                   {"listview", "itemselect"},
                                   {"listview", "itemactivate"},
                                   {"listview", "itemselect"},
                                   {"listview", "itemclick"}}));
}

TEST_F(NotificationTest, RepeatedControlsCarryTheirIndex) {
    for (int band : {0, 17, 30}) {
        auto* edit = window_->FindControl<EditUI>(QString("eq_gain_%1").arg(band));
        ASSERT_NE(edit, nullptr) << band;
        EXPECT_EQ(ControlIndex(edit), band);
    }
    EXPECT_EQ(window_->FindControl<EditUI>("eq_gain_31"), nullptr);
    // Nested repeats fill the outer index first; user data is the inner index.
    auto* cell = window_->FindControl<QCheckBox>("box_4_1");
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(ControlIndex(cell), 1);
    EXPECT_EQ(ControlIndex(window_->FindControl("row_3")), 3);
    EXPECT_EQ(ControlIndex(Find<QPushButton>("btnConnect")), -1);

    auto* edit = window_->FindControl<EditUI>("eq_gain_17");
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(window_->indices.back(), 17);
}

// A value field is text until it is first edited; then its edit takes over under its name and
// index, and texts set or read by name reach whichever of the two shows.
TEST_F(NotificationTest, ValueFieldBecomesAnEditWhenFirstEdited) {
    QWidget* field = window_->FindControl("eq_q_2");
    ASSERT_NE(qobject_cast<ValueFieldUI*>(field), nullptr);
    window_->SetText(QStringLiteral("eq_q_2"), QStringLiteral("1.50"));
    EXPECT_EQ(window_->Text(QStringLiteral("eq_q_2")), "1.50");
    EXPECT_EQ(ExistingEditorOf(field), nullptr);
    EXPECT_TRUE(field->minimumSizeHint().isValid());

    QTest::mouseClick(field, Qt::LeftButton, {}, field->rect().center());
    QLineEdit* edit = ExistingEditorOf(field);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(EditorOf(field), edit) << "made once";
    EXPECT_EQ(edit->objectName(), "eq_q_2");
    EXPECT_EQ(ControlIndex(edit), 2);
    EXPECT_EQ(edit->geometry(), field->rect());
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(edit->text(), "1.50");
    EXPECT_GT(edit->cursorPosition(), 0) << "the press placed the cursor";
    EXPECT_LT(edit->cursorPosition(), 4);
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("2.25"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(window_->Text(QStringLiteral("eq_q_2")), "2.25");
    EXPECT_EQ(window_->seen.front(), (std::pair<QString, QString>{"eq_q_2", "setfocus"}));
    EXPECT_EQ(window_->seen.back(), (std::pair<QString, QString>{"eq_q_2", "return"}));
    EXPECT_EQ(window_->indices.back(), 2);
    window_->SetText(QStringLiteral("eq_q_2"), QStringLiteral("0.70"));
    EXPECT_EQ(edit->text(), "0.70");
    // A key the edit ignores passes on through the field to the window, not back to the edit.
    QTest::keyClick(edit, Qt::Key_F5);

    // A key sent to a field without an edit makes one and is typed into it.
    QWidget* typed = window_->FindControl("eq_q_1");
    QTest::keyClick(typed, Qt::Key_7);
    ASSERT_NE(ExistingEditorOf(typed), nullptr);
    EXPECT_EQ(window_->Text(QStringLiteral("eq_q_1")), "7");

    // Focus given by tabbing makes the edit as well, which selects the value as edits do.
    QWidget* other = window_->FindControl("eq_q_0");
    window_->SetText(QStringLiteral("eq_q_0"), QStringLiteral("0.25"));
    other->setFocus(Qt::TabFocusReason);
    ASSERT_NE(ExistingEditorOf(other), nullptr);
    EXPECT_TRUE(ExistingEditorOf(other)->hasFocus());
    EXPECT_EQ(ExistingEditorOf(other)->selectedText(), "0.25");

    // A right-click on a field never edited opens the edit's menu.
    QWidget* clicked = window_->FindControl("eq_q_3");
    QContextMenuEvent request(QContextMenuEvent::Mouse, clicked->rect().center(),
                              clicked->mapToGlobal(clicked->rect().center()));
    QCoreApplication::sendEvent(clicked, &request);
    EXPECT_NE(ExistingEditorOf(clicked), nullptr);
    QWidget* menu = QApplication::activePopupWidget();
    ASSERT_NE(menu, nullptr);
    menu->close();
}

TEST_F(NotificationTest, CustomControlsComeFromTheWindowAndNotifyThroughIt) {
    QWidget* custom = window_->FindControl("custom");
    ASSERT_NE(custom, nullptr);
    NotifyFromControl(custom, "equalizer_eq");
    EXPECT_EQ(window_->seen, (Seen{{"custom", "equalizer_eq"}}));
}

}  // namespace
}  // namespace korvel::ui
