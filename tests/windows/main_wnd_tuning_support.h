#pragma once
// Driving the main window's tuning controls as a user would, by control name: typing into edits,
// arrow keys, sliders, options, combos, menu items and mouse drags on the equaliser graph; and
// waiting until the device has every queued command.

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSlider>
#include <QTest>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "eqgraph/widget/ui_equalizer.h"
#include "main_wnd_test_support.h"
#include "uiframework/controls.h"
#include "uiframework/language.h"
#include "uiframework/popup_menu.h"

namespace korvel::test {

class TuningDriver {
  public:
    explicit TuningDriver(CMainWnd& window) : w_(window) {}

    QString Text(const char* name) const { return w_.Text(QString::fromLatin1(name)); }
    QString Text(const QString& name) const { return w_.Text(name); }

    // Types `text` over the edit's content and presses Return.
    void Type(const QString& name, const QString& text) {
        QLineEdit* edit = ui::EditorOf(w_.FindControl(name));
        if (edit == nullptr) {
            Fail("no edit ", name);
            return;
        }
        edit->clear();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    // An arrow key in an edit: Up and Down are its step buttons.
    void Key(const QString& name, Qt::Key key) {
        if (QWidget* control = w_.FindControl(name)) {
            QLineEdit* edit = ui::EditorOf(control);
            QTest::keyClick(edit ? edit : control, key);
        } else {
            Fail("no control ", name);
        }
    }

    // Moves a slider to `value` and sends `type` ("valuechanged" or "movevaluechanged").
    void Slide(const QString& name, int value, const QString& type) {
        auto* slider = w_.FindControl<QSlider>(name);
        if (slider == nullptr) {
            Fail("no slider ", name);
            return;
        }
        slider->setValue(value);
        w_.SendNotify(slider, type);
    }

    void Choose(const QString& combo, int index) {
        auto* box = w_.FindControl<QComboBox>(combo);
        if (box == nullptr) {
            Fail("no combo ", combo);
            return;
        }
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    bool Click(const QString& name) {
        const bool clicked = w_.Click(name);
        PumpFor(std::chrono::milliseconds(5));
        return clicked;
    }

    bool Checked(const QString& name) const {
        const auto* button = w_.FindControl<QAbstractButton>(name);
        return button != nullptr && button->isChecked();
    }

    // Opens a channel's output menu and chooses one role item.
    bool AssignRole(int channel, const char* item) {
        if (!w_.Click(QStringLiteral("ch_output_btn_%1").arg(channel)) ||
            w_.OpenMenu() == nullptr) {
            return false;
        }
        const bool clicked = w_.OpenMenu()->ClickItem(QString::fromLatin1(item));
        w_.OpenMenu()->close();
        PumpFor(std::chrono::milliseconds(20));  // the item arrives as message 1027
        return clicked;
    }

    // Every queued command sent and answered, and the answers handled.
    bool Drain() {
        const bool idle = w_.Controller().Link().WaitUntilIdle(std::chrono::seconds(10));
        PumpFor(std::chrono::milliseconds(20));
        return idle;
    }

    // --- The graph ---------------------------------------------------------------------------
    UIEqualizer& Graph() const { return *w_.Graph(); }

    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QWidget* graph = w_.Graph();
        QMouseEvent event(type, QPointF(at), graph->mapToGlobal(QPointF(at)), button, held,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(graph, &event);
    }
    void Press(QPoint at) { Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton); }
    void MoveHeld(QPoint at) { Mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton); }
    void Hover(QPoint at) { Mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton); }
    void Release(QPoint at) { Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }

    // Press at `from`, `steps` moves along the straight line, release at `to`.
    void Drag(QPoint from, QPoint to, int steps = 8) {
        Press(from);
        for (int i = 1; i <= steps; ++i) {
            MoveHeld(from + (to - from) * i / steps);
        }
        Release(to);
    }

    // Controls the driver could not find; the suites expect none.
    int Failures() const { return failures_; }

  private:
    void Fail(const char* what, const QString& name) {
        std::fprintf(stderr, "TuningDriver: %s%s\n", what, name.toLocal8Bit().constData());
        ++failures_;
    }

    CMainWnd& w_;
    int failures_ = 0;
};

// Device values in model units.
inline float DeviceGain(const AmpBand& band) {
    return static_cast<float>(band.gainTenthsPlus18 - 180) / 10.0f;
}
inline float DeviceQ(const AmpBand& band) {
    return static_cast<float>(band.qHundredths) / 100.0f;
}

}  // namespace korvel::test
