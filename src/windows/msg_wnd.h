#pragma once
// Modal message box: a title, a text and one to three buttons.
// Result: 1 "confirm_btn", 0 "cancel_btn" or "closebtn" (and Escape), 2 "third_btn".

#include <QStringList>

#include "uiframework/window_impl_base.h"

namespace korvel {

class CMsgWnd : public ui::WindowImplBase {
    Q_OBJECT
  public:
    explicit CMsgWnd(QWidget* owner);

    // Two buttons with the layout's own texts ("${confirm}", "${cancel}").
    static int ShowMessage(QWidget* owner, const QString& title, const QString& text);
    // `count` buttons (1 to 3) taking their texts from `buttonTexts` in order: confirm, cancel,
    // third. One button hides "cancel_btn"; three show "third_btn".
    static int ShowMessage(QWidget* owner, const QString& title, const QString& text,
                           const QStringList& buttonTexts, int count);

    // Empty title or text leaves the layout's label unchanged.
    void SetMessage(const QString& title, const QString& text);
    void SetButtons(const QStringList& buttonTexts, int count);
    bool ThirdButtonShown() const { return thirdShown_; }

  protected:
    void InitWindow() override;
    void Notify(const ui::Notification& notification) override;

  private:
    void FitTextHeight();

    bool thirdShown_ = false;
    int textMinHeight_ = -1;  // the layout's minimum height of the text
};

}  // namespace korvel
