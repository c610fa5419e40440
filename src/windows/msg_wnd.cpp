#include "windows/msg_wnd.h"

#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <algorithm>

#include "windows/window_resources.h"

namespace korvel {

CMsgWnd::CMsgWnd(QWidget* owner)
    : WindowImplBase(owner, QStringLiteral("msgwnd"), WindowLayout("XML_MSG")) {
    setProperty("windowClass", QStringLiteral("MsgWnd"));
}

int CMsgWnd::ShowMessage(QWidget* owner, const QString& title, const QString& text) {
    CMsgWnd box(owner);
    box.Create();
    box.SetMessage(title, text);
    return box.ShowModal();
}

int CMsgWnd::ShowMessage(QWidget* owner, const QString& title, const QString& text,
                         const QStringList& buttonTexts, int count) {
    CMsgWnd box(owner);
    box.Create();
    box.SetMessage(title, text);
    box.SetButtons(buttonTexts, count);
    return box.ShowModal();
}

void CMsgWnd::InitWindow() {
    // The box follows the display scale chosen for the main window.
    ui::UiFramework::Instance().ApplyScreenDpi();
    FindControl<QPushButton>(QStringLiteral("confirm_btn"))->setFocus();
}

void CMsgWnd::SetMessage(const QString& title, const QString& text) {
    if (!title.isEmpty()) {
        SetText(QStringLiteral("MessageTitle"), title);
    }
    if (!text.isEmpty()) {
        SetText(QStringLiteral("MessageText"), text);
        FitTextHeight();
    }
    FitToContent();
}

void CMsgWnd::FitTextHeight() {
    auto* label = FindControl<QLabel>(QStringLiteral("MessageText"));
    if (label == nullptr) {
        return;
    }
    if (textMinHeight_ < 0) {
        textMinHeight_ = label->minimumHeight();
    }
    // The box has a fixed width; the text's lines wrap at that width less the margins around
    // it. Measured before the box is shown, a long text would otherwise be cut off.
    int width = minimumWidth();
    for (QWidget* w = label->parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (const QLayout* box = w->layout()) {
            const QMargins margins = box->contentsMargins();
            width -= margins.left() + margins.right();
        }
        width -= 2 * (w->contentsRect().x() - w->rect().x());
        if (w == this) {
            break;
        }
    }
    label->setMinimumHeight(std::max(textMinHeight_, label->heightForWidth(width - 4)));
    // The new height reaches the box through every layout above the text.
    for (QWidget* w = label->parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (QLayout* box = w->layout()) {
            box->invalidate();
        }
        if (w == this) {
            break;
        }
    }
}

void CMsgWnd::SetButtons(const QStringList& buttonTexts, int count) {
    // A count outside 1..3 is clamped: the box always offers a way out and never reads a text
    // the caller did not pass (missing texts keep the layout's own).
    count = std::clamp(count, 1, 3);
    const QString names[] = {QStringLiteral("confirm_btn"), QStringLiteral("cancel_btn"),
                             QStringLiteral("third_btn")};
    for (int i = 0; i < count; ++i) {
        if (i < buttonTexts.size() && !buttonTexts[i].isEmpty()) {
            SetText(names[i], buttonTexts[i]);
        }
    }
    SetVisible(names[1], count >= 2);
    thirdShown_ = count == 3;
    SetVisible(names[2], thirdShown_);
    FitToContent();
}

void CMsgWnd::Notify(const ui::Notification& notification) {
    if (const int result = ui::StandardButtonResult(notification); result >= 0) {
        Close(result);
    }
}

}  // namespace korvel
