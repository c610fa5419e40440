#include "uiframework/s_button.h"

#include <QStyle>

#include "uiframework/controls.h"

namespace korvel::ui {

SButtonUI::SButtonUI(QWidget* parent) : QPushButton(parent) {
    setAutoDefault(false);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    WireButton(this);
}

void SButtonUI::SetState(const QString& state) {
    if (State() == state) {
        return;
    }
    setProperty("state", state);
    style()->unpolish(this);
    style()->polish(this);
    update();
}

QString SButtonUI::State() const {
    return property("state").toString();
}

}  // namespace korvel::ui
