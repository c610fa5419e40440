#pragma once
// Base of every skinned window. A window names its layout resource; Create() builds the controls
// from it, finds them by name (FindControl), and routes every control notification to the one
// virtual Notify. Menu item clicks arrive in HandleMenuClick after the menu has closed; windows
// that receive posts from other threads add them in their own event handling (MessageWindow).
//
//   class CAboutWnd : public korvel::ui::WindowImplBase {
//   public:
//       explicit CAboutWnd(QWidget* owner)
//           : WindowImplBase(owner, "msgwnd", ":/layout/XML_ABOUT", WindowKind::Popup) {}
//   protected:
//       void InitWindow() override { SetText("soft_version", "..."); }
//       void Notify(const korvel::ui::Notification& n) override {
//           if (n.type == "click" && n.name == "closebtn") Close(0);
//       }
//   };
//   CAboutWnd about(owner); int result = about.ShowModal();

#include <QDialog>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>

#include "uiframework/controls.h"
#include "uiframework/layout_builder.h"
#include "uiframework/popup_menu.h"

namespace korvel::ui {

struct Notification {
    QString type;  // "click", "selectchanged", ... (notify::k...)
    QString name;  // the control's name
    QWidget* sender = nullptr;

    int Index() const { return ControlIndex(sender); }  // user data of indexed controls, or -1
};

// The result the common buttons of a layout stand for: "confirm_btn" 1, "cancel_btn" and
// "closebtn" 0, "third_btn" 2; -1 for any other control or notification.
int StandardButtonResult(const Notification& notification);

enum class WindowKind {
    Main,   // top-level application window
    Popup,  // tool window over its owner (message boxes, tool windows)
};

class WindowImplBase : public QDialog, public NotifySink, public ControlFactory {
    Q_OBJECT
  public:
    WindowImplBase(QWidget* owner, const QString& windowName, const QString& layoutResource,
                   WindowKind kind = WindowKind::Popup);
    ~WindowImplBase() override;

    QString WindowName() const { return objectName(); }

    // Builds the layout (once) and runs InitWindow. Show and ShowModal call it when needed.
    bool Create();
    bool IsCreated() const { return created_; }

    // Runs the window modally and returns the result passed to Close. With a ModalAnswerer
    // installed the answerer decides instead and no modal loop runs.
    int ShowModal();
    // Shows the window modeless (main window) or window-modal over its owner without blocking.
    void ShowWindow(bool windowModal = false);
    void Close(int result);
    bool IsClosed() const { return closed_; }
    int Result() const { return result_; }

    // The first descendant of type T with this name, as findChild finds it. Controls are
    // remembered by name: a window looks its controls up by name many hundred times while it
    // refreshes, and each findChild walks the whole tree. A name not remembered yet walks the
    // tree once and remembers every name that only one control carries.
    template <typename T = QWidget>
    T* FindControl(const QString& name) const {
        if (name.isEmpty()) {
            return nullptr;
        }
        QObject* control = NamedControl(name);
        if (T* typed = qobject_cast<T*>(control)) {
            return typed;
        }
        if (control == nullptr && !sharedNames_.contains(name)) {
            return nullptr;  // the walk saw every descendant
        }
        // A name several controls share, or a control of another type.
        return findChild<T*>(name);
    }

    // Text of a control by name; raw texts may hold language keys. Missing controls are ignored.
    void SetText(const QString& controlName, const QString& raw);
    QString Text(const QString& controlName) const;
    void SetVisible(const QString& controlName, bool visible);
    void SetEnabled(const QString& controlName, bool enabled);
    bool Click(const QString& controlName);  // clicks a button as the user would

    // Builds a further layout file into a named container (e.g. a panel into a placeholder).
    bool BuildInto(const QString& containerName, const QString& layoutResource);

    // Opens a popup menu from a menu layout at the lower-left corner of `anchor`, replacing a
    // menu that is still open; `configure` may enable, hide or check items before it shows.
    PopupMenu* ShowMenu(const QString& menuResource, QWidget* anchor,
                        const std::function<void(PopupMenu&)>& configure = {});
    PopupMenu* OpenMenu() const { return menu_; }

    int ScalePercent() const { return scalePercent_; }
    void ApplyScalePercent(int percent);
    QSize DesignSize() const { return layoutInfo_.size; }
    // Re-fits a window whose layout gives no height after its texts changed.
    void FitToContent() { ApplyWindowSize(); }

    // The texts a ModalAnswerer records for this window.
    virtual QString QuestionTitle() const;
    virtual QString QuestionText() const;

    void SendNotify(QWidget* control, const QString& type) override;

  protected:
    virtual void InitWindow() {}
    virtual void Notify(const Notification& notification) { (void)notification; }
    virtual void HandleMenuClick(const QString& itemName) { (void)itemName; }
    // Custom controls of this window's layouts; nullptr for unknown tags.
    QWidget* CreateControl(const QString& tag, QWidget* parent) override;
    // Called after a language change re-applied all texts.
    virtual void OnLanguageChanged() {}
    // Styles the window for the current scale: by default the framework's style sheet on the
    // whole window. Called before the controls are built and again when the scale changes.
    virtual void ApplySkin();

    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void done(int result) override;

  private:
    // A remembered control that still exists, still has this name and is still inside the window.
    QObject* RememberedControl(const QString& name) const;
    // The remembered control of this name, after one walk over the window if it was not known.
    QObject* NamedControl(const QString& name) const;
    void RememberNamedControls() const;
    void RetranslateAll();
    void RepolishPaintedControls();
    void ApplyWindowSize();

    QString layoutResource_;
    WindowKind kind_;
    WindowLayoutInfo layoutInfo_;
    bool created_ = false;
    bool closed_ = false;
    int result_ = 0;
    int scalePercent_ = 100;
    QPointer<PopupMenu> menu_;
    mutable QHash<QString, QPointer<QObject>> controlsByName_;
    mutable QSet<QString> sharedNames_;  // names of several controls, as the last walk found them
};

}  // namespace korvel::ui
