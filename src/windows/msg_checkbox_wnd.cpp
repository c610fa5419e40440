#include "windows/msg_checkbox_wnd.h"

#include <QAbstractButton>

#include "windows/window_resources.h"

namespace korvel {

CMsgCheckBoxWnd::CMsgCheckBoxWnd(QWidget* owner)
    : WindowImplBase(owner, QStringLiteral("msgcbwnd"), WindowLayout("XML_CHECKBOX_MSG")) {
    setProperty("windowClass", QStringLiteral("MsgCheckBoxWnd"));
}

int CMsgCheckBoxWnd::ShowMessage(QWidget* owner, const QString& title, const QString& text,
                                 const QString& option0, const QString& option1) {
    CMsgCheckBoxWnd box(owner);
    box.Create();
    box.SetMessage(title, text, option0, option1);
    return box.ShowModal();
}

void CMsgCheckBoxWnd::InitWindow() {
    ui::UiFramework::Instance().ApplyScreenDpi();
    UpdateConfirm();
}

void CMsgCheckBoxWnd::SetMessage(const QString& title, const QString& text, const QString& option0,
                                 const QString& option1) {
    if (!title.isEmpty()) {
        SetText(QStringLiteral("MessageTitle"), title);
    }
    if (!text.isEmpty()) {
        SetText(QStringLiteral("MessageText"), text);
    }
    // The options change only as a pair, so they never show one custom and one default text.
    if (!option0.isEmpty() && !option1.isEmpty()) {
        SetText(QStringLiteral("check_box_0"), option0);
        SetText(QStringLiteral("check_box_1"), option1);
    }
    FitToContent();
}

bool CMsgCheckBoxWnd::OptionSelected(const char* name) const {
    const auto* option = FindControl<QAbstractButton>(QLatin1String(name));
    return option != nullptr && option->isChecked();
}

void CMsgCheckBoxWnd::UpdateConfirm() {
    // Confirm has nothing to confirm until one option is chosen; a greyed button says so.
    SetEnabled(QStringLiteral("confirm_btn"),
               OptionSelected("check_box_0") || OptionSelected("check_box_1"));
}

void CMsgCheckBoxWnd::Notify(const ui::Notification& notification) {
    if (notification.type == ui::notify::kSelectChanged) {
        UpdateConfirm();
        return;
    }
    if (notification.type != ui::notify::kClick) {
        return;
    }
    if (notification.name == QLatin1String("confirm_btn")) {
        if (OptionSelected("check_box_0")) {
            Close(1);
        } else if (OptionSelected("check_box_1")) {
            Close(2);
        }
    } else if (notification.name == QLatin1String("cancel_btn") ||
               notification.name == QLatin1String("closebtn")) {
        Close(0);
    }
}

}  // namespace korvel
