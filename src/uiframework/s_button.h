#pragma once
// SButtonUI ("SButton" in a layout): a push button with a named state that the skin styles
// (QPushButton[skin=...][state="running"] ...), for a button that starts and stops something and
// shows which of the two it will do. It notifies "click" like any button; the window creates it
// for the "SButton" tag and switches its text and state.

#include <QPushButton>

namespace korvel::ui {

class SButtonUI : public QPushButton {
    Q_OBJECT
  public:
    explicit SButtonUI(QWidget* parent = nullptr);

    // Sets the "state" property and re-applies the style sheet so the new look shows at once.
    void SetState(const QString& state);
    QString State() const;
};

}  // namespace korvel::ui
