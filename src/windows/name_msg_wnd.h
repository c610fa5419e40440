#pragma once
// The name dialog of a scene being saved: one edit, filled with the current name. The edit takes
// only what the device's 16-byte name field holds exactly (16 Latin letters or 8 Chinese
// characters, whole characters only); input beyond that is refused as it is typed or pasted, and
// the limit is shown under the edit.
// Result: 1 "confirm_btn" or Return in "name_edt" (the buffer then holds the name), 0
// "cancel_btn" or "closebtn", 2 "third_btn".

#include <QString>

#include "uiframework/window_impl_base.h"

namespace korvel {

class CNameMsgWnd : public ui::WindowImplBase {
    Q_OBJECT
  public:
    // `name` must outlive the window.
    CNameMsgWnd(QWidget* owner, QString* name);

    static int Ask(QWidget* owner, QString* name);

  protected:
    void InitWindow() override;
    void Notify(const ui::Notification& notification) override;

  private:
    void KeepWhatFits();
    void Confirm();

    QString* name_;
};

}  // namespace korvel
