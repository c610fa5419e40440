#include "windows/name_msg_wnd.h"

#include <QLineEdit>

#include "controller/tool_values.h"
#include "log/log.h"
#include "windows/tool_skin.h"
#include "windows/window_resources.h"

namespace korvel {

namespace {
const QString kNameEdit = QStringLiteral("name_edt");
}  // namespace

CNameMsgWnd::CNameMsgWnd(QWidget* owner, QString* name)
    : WindowImplBase(owner, QStringLiteral("namemsgwnd"), WindowLayout("XML_MSG_NAME")),
      name_(name) {
    setProperty("windowClass", QStringLiteral("NameMsgWnd"));
}

int CNameMsgWnd::Ask(QWidget* owner, QString* name) {
    CNameMsgWnd dialog(owner, name);
    dialog.Create();
    return dialog.ShowModal();
}

void CNameMsgWnd::InitWindow() {
    ApplyToolSkin(*this);
    auto* edit = FindControl<QLineEdit>(kNameEdit);
    if (edit == nullptr) {
        return;
    }
    edit->setText(*name_);
    KeepWhatFits();
    connect(edit, &QLineEdit::textEdited, this, [this] { KeepWhatFits(); });
    edit->setFocus();
    edit->selectAll();
}

void CNameMsgWnd::KeepWhatFits() {
    auto* edit = FindControl<QLineEdit>(kNameEdit);
    const std::u16string typed = edit->text().toStdU16String();
    const std::u16string fitted = FitDeviceName(typed);
    if (fitted == typed) {
        return;
    }
    WriteLog("CNameMsgWnd: name cut to the device's field\n");
    const int cursor = std::min(edit->cursorPosition(), static_cast<int>(fitted.size()));
    edit->setText(QString::fromStdU16String(fitted));
    edit->setCursorPosition(cursor);
}

void CNameMsgWnd::Confirm() {
    *name_ = Text(kNameEdit);
    Close(1);
}

void CNameMsgWnd::Notify(const ui::Notification& notification) {
    const QString& name = notification.name;
    if (notification.type == ui::notify::kReturn && name == kNameEdit) {
        Confirm();
        return;
    }
    if (notification.type != ui::notify::kClick) {
        return;
    }
    if (name == QLatin1String("confirm_btn")) {
        Confirm();
    } else if (name == QLatin1String("cancel_btn") || name == QLatin1String("closebtn")) {
        Close(0);
    } else if (name == QLatin1String("third_btn")) {
        Close(2);
    }
}

}  // namespace korvel
