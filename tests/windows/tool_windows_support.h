#pragma once
// Shared by the tool window suites: a main window connected to an in-process virtual amplifier,
// script-answered questions, and driving a tool window's controls by name.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include "commands/command_ids.h"
#include "main_wnd_test_support.h"
#include "uiframework/language.h"
#include "uiframework/modal_answerer.h"

namespace korvel::test {

class ToolWindowTest : public ::testing::Test {
  protected:
    ToolWindowTest() { ui::LanguageManager::Instance().Select(ui::kLanguageEnglish); }
    ~ToolWindowTest() override { ui::LanguageManager::Instance().Select(ui::kLanguageEnglish); }

    // Connects after `prepare` changed the amplifier; the request log starts empty afterwards.
    void Connect(const std::function<void(AmpState&)>& prepare = {}) {
        if (prepare) {
            rig.amp->ModifyState(prepare);
        }
        rig.window->Create();
        rig.window->ShowWindow();
        ASSERT_TRUE(rig.ConnectAndSettle());
        rig.amp->ClearRequestLog();
    }

    CMainWnd& W() { return *rig.window; }
    EqualizerManager& M() { return rig.window->Controller(); }
    AmpState Amp() const { return rig.amp->State(); }

    // Requests of one command (main command, identifier, operation) since the connection.
    int Requests(uint8_t mcmd, uint8_t subcmd, uint8_t optype) const {
        int count = 0;
        for (const AmpRequest& r : rig.amp->RequestLog()) {
            count += r.mcmd == mcmd && r.subcmd == subcmd && r.optype == optype;
        }
        return count;
    }

    // Every queued command sent and answered, and the answers handled.
    bool Drain() {
        const bool idle = M().Link().WaitUntilIdle(std::chrono::seconds(10));
        PumpFor(std::chrono::milliseconds(20));
        return idle;
    }

    // Types `text` over an edit's content and presses Return.
    static void Type(ui::WindowImplBase& w, const QString& name, const QString& text) {
        auto* edit = w.FindControl<QLineEdit>(name);
        ASSERT_NE(edit, nullptr) << name.toStdString();
        edit->setFocus();
        edit->selectAll();
        for (const QChar c : text) {  // key by key, Chinese characters too
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        QTest::keyClick(edit, Qt::Key_Return);
    }

    static void Key(ui::WindowImplBase& w, const QString& name, Qt::Key key) {
        QWidget* control = w.FindControl(name);
        ASSERT_NE(control, nullptr) << name.toStdString();
        QTest::keyClick(control, key);
    }

    // Moves a slider as a drag would end: the value, then "valuechanged".
    static void Slide(ui::WindowImplBase& w, const QString& name, int value) {
        auto* slider = w.FindControl<QSlider>(name);
        ASSERT_NE(slider, nullptr) << name.toStdString();
        slider->setValue(value);
        w.SendNotify(slider, ui::notify::kValueChanged);
    }

    static bool Checked(const ui::WindowImplBase& w, const QString& name) {
        const auto* button = w.FindControl<QAbstractButton>(name);
        return button != nullptr && button->isChecked();
    }

    static bool Shown(const ui::WindowImplBase& w, const QString& name) {
        const QWidget* control = w.FindControl(name);
        return control != nullptr && !control->isHidden();
    }

    ui::ModalAnswerer answers;  // first: it outlives every window of the rig
    MainWindowRig rig;
};

}  // namespace korvel::test
