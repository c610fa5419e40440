#pragma once
// Modal question with two mutually exclusive options (used when linking two output channels).
// Result: 1 confirmed with "check_box_0", 2 confirmed with "check_box_1", 0 "cancel_btn" or
// "closebtn". Confirming with neither option selected does nothing.

#include "uiframework/window_impl_base.h"

namespace korvel {

class CMsgCheckBoxWnd : public ui::WindowImplBase {
    Q_OBJECT
  public:
    explicit CMsgCheckBoxWnd(QWidget* owner);

    // Empty option texts keep the layout's ("${copy_left_to_right}", "${copy_right_to_left}").
    static int ShowMessage(QWidget* owner, const QString& title, const QString& text,
                           const QString& option0, const QString& option1);

    void SetMessage(const QString& title, const QString& text, const QString& option0,
                    const QString& option1);

  protected:
    void InitWindow() override;
    void Notify(const ui::Notification& notification) override;

  private:
    bool OptionSelected(const char* name) const;
    void UpdateConfirm();
};

}  // namespace korvel
