#include "uiframework/window_impl_base.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QWindow>

#include "log/log.h"
#include "uiframework/framework.h"
#include "uiframework/language.h"
#include "uiframework/modal_answerer.h"
#include "uiframework/popup_menu.h"
#include "uiframework/posted_event.h"
#include "uiframework/skin_style.h"

namespace korvel::ui {

int StandardButtonResult(const Notification& notification) {
    if (notification.type != notify::kClick) {
        return -1;
    }
    const QString& name = notification.name;
    if (name == QLatin1String("confirm_btn")) {
        return 1;
    }
    if (name == QLatin1String("cancel_btn") || name == QLatin1String("closebtn")) {
        return 0;
    }
    return name == QLatin1String("third_btn") ? 2 : -1;
}

WindowImplBase::WindowImplBase(QWidget* owner, const QString& windowName,
                               const QString& layoutResource, WindowKind kind)
    : QDialog(owner), layoutResource_(layoutResource), kind_(kind) {
    UiFramework& framework = UiFramework::Instance();
    setObjectName(windowName);
    setWindowFlags(kind == WindowKind::Main ? Qt::Window | Qt::FramelessWindowHint
                                            : Qt::Dialog | Qt::FramelessWindowHint);
    setProperty("skin", QStringLiteral("window"));
    scalePercent_ = framework.ScalePercent();
    connect(&framework, &UiFramework::ScaleChanged, this, &WindowImplBase::ApplyScalePercent);
    connect(&LanguageManager::Instance(), &LanguageManager::LanguageChanged, this,
            &WindowImplBase::RetranslateAll);
}

WindowImplBase::~WindowImplBase() = default;

bool WindowImplBase::Create() {
    if (created_) {
        return true;
    }
    created_ = true;  // before building: InitWindow may call back into FindControl and friends
    // The skin first: controls created under a style sheet take it on as they are made, while a
    // sheet set afterwards walks and re-styles every control again.
    ApplySkin();
    LayoutBuilder builder(this, scalePercent_);  // lengths at the window's scale as built
    if (!builder.BuildWindow(layoutResource_, this, &layoutInfo_)) {
        WriteLog("WindowImplBase::Create %s failed\n", objectName().toUtf8().constData());
        return false;
    }
    setWindowTitle(Tr(layoutInfo_.title));
    ApplyWindowSize();
    InitWindow();
    return true;
}

void WindowImplBase::ApplySkin() {
    setStyleSheet(UiFramework::Instance().StyleSheet(scalePercent_));
}

void WindowImplBase::ApplyScalePercent(int percent) {
    if (percent <= 0) {
        return;
    }
    scalePercent_ = percent;
    if (!created_) {
        return;
    }
    ApplySkin();
    ApplyScale(this, percent);
    RepolishPaintedControls();  // after the lengths: a look's minimum height wins, as a sheet's
    ApplyWindowSize();
}

void WindowImplBase::RepolishPaintedControls() {
    // Painted controls take their font and frame widths for the scale when they are polished.
    SkinStyle* style = SkinStyle::Application();
    if (style == nullptr) {
        return;
    }
    for (QWidget* control : findChildren<QWidget*>()) {
        if (style->LookOf(control) != nullptr) {
            style->polish(control);
            control->update();
        }
    }
}

void WindowImplBase::ApplyWindowSize() {
    const QSize design = layoutInfo_.size;
    const int width = ScaleLength(design.width(), scalePercent_);
    const int height = ScaleLength(design.height(), scalePercent_);
    if (width > 0 && height > 0) {
        resize(width, height);
        return;
    }
    // Only a width given: the height follows the content (wrapped message texts).
    if (width > 0) {
        setMinimumWidth(width);
        setMaximumWidth(width);
    }
    if (layout()) {
        layout()->activate();
    }
    adjustSize();
}

int WindowImplBase::ShowModal() {
    Create();
    closed_ = false;
    result_ = 0;
    if (ModalAnswerer* answerer = ModalAnswerer::Current()) {
        return answerer->Answer(*this);
    }
    setWindowModality(parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
    return exec();
}

void WindowImplBase::ShowWindow(bool windowModal) {
    Create();
    // Styled and laid out while the window has no native window yet: then a control's style,
    // font and geometry changes only record themselves, where on a shown window each one asks
    // for repaints and new layouts (this takes a large share off the first paint).
    ensurePolished();
    if (layout()) {
        layout()->activate();
    }
    closed_ = false;
    if (windowModal) {
        open();
    } else {
        show();
    }
}

void WindowImplBase::Close(int result) {
    done(result);
}

void WindowImplBase::done(int result) {
    closed_ = true;
    result_ = result;
    QDialog::done(result);
}

QObject* WindowImplBase::RememberedControl(const QString& name) const {
    const auto it = controlsByName_.constFind(name);
    if (it == controlsByName_.constEnd()) {
        return nullptr;
    }
    QObject* control = it->data();
    if (control == nullptr || control->objectName() != name) {
        return nullptr;
    }
    for (const QObject* up = control->parent(); up != nullptr; up = up->parent()) {
        if (up == this) {
            return control;
        }
    }
    return nullptr;
}

QObject* WindowImplBase::NamedControl(const QString& name) const {
    if (QObject* known = RememberedControl(name)) {
        return known;
    }
    RememberNamedControls();
    return RememberedControl(name);
}

void WindowImplBase::RememberNamedControls() const {
    QHash<QString, QObject*> unique;
    sharedNames_.clear();
    for (QObject* control : findChildren<QObject*>()) {
        const QString name = control->objectName();
        if (name.isEmpty() || sharedNames_.contains(name)) {
            continue;
        }
        if (unique.contains(name)) {
            unique.remove(name);
            sharedNames_.insert(name);
            continue;
        }
        unique.insert(name, control);
    }
    for (auto it = unique.cbegin(); it != unique.cend(); ++it) {
        if (RememberedControl(it.key()) == nullptr) {
            controlsByName_.insert(it.key(), it.value());
        }
    }
}

void WindowImplBase::SetText(const QString& controlName, const QString& raw) {
    SetControlText(FindControl(controlName), raw);
}

QString WindowImplBase::Text(const QString& controlName) const {
    return ControlText(FindControl(controlName));
}

void WindowImplBase::SetVisible(const QString& controlName, bool visible) {
    if (QWidget* control = FindControl(controlName)) {
        control->setVisible(visible);
    }
}

void WindowImplBase::SetEnabled(const QString& controlName, bool enabled) {
    if (QWidget* control = FindControl(controlName)) {
        control->setEnabled(enabled);
    }
}

bool WindowImplBase::Click(const QString& controlName) {
    auto* button = FindControl<QAbstractButton>(controlName);
    if (button == nullptr || !button->isEnabled() || button->isHidden()) {
        return false;
    }
    button->click();
    return true;
}

bool WindowImplBase::BuildInto(const QString& containerName, const QString& layoutResource) {
    LayoutBuilder builder(this, scalePercent_);
    QWidget* container = FindControl(containerName);
    return builder.BuildInto(layoutResource, container);
}

PopupMenu* WindowImplBase::ShowMenu(const QString& menuResource, QWidget* anchor,
                                    const std::function<void(PopupMenu&)>& configure) {
    if (menu_) {
        // Destroyed at once: a menu deleted later would close the new popup along with it.
        // Never inside the old menu's own signals, as its clicks arrive posted (HandleMenuClick).
        delete menu_.data();
    }
    PopupMenu* menu = PopupMenu::Build(menuResource, this);
    if (menu == nullptr) {
        return nullptr;
    }
    menu->setStyleSheet(UiFramework::Instance().StyleSheet(scalePercent_));
    if (configure) {
        configure(*menu);
    }
    menu_ = menu;
    const QPoint at = anchor ? anchor->mapToGlobal(QPoint(0, anchor->height())) : QCursor::pos();
    menu->popup(at);
    return menu;
}

QString WindowImplBase::QuestionTitle() const {
    const QWidget* title = FindControl(QStringLiteral("MessageTitle"));
    return title ? ControlText(title) : windowTitle();
}

QString WindowImplBase::QuestionText() const {
    return ControlText(FindControl(QStringLiteral("MessageText")));
}

void WindowImplBase::SendNotify(QWidget* control, const QString& type) {
    if (control == nullptr) {
        return;
    }
    Notification notification{type, control->objectName(), control};
    Notify(notification);
}

QWidget* WindowImplBase::CreateControl(const QString& tag, QWidget* parent) {
    (void)tag;
    (void)parent;
    return nullptr;
}

bool WindowImplBase::event(QEvent* event) {
    if (event->type() == MenuClickEvent::EventType()) {
        const QString& item = static_cast<MenuClickEvent*>(event)->itemName();
        WriteLog("on menu click %s\n", item.toUtf8().constData());
        HandleMenuClick(item);
        return true;
    }
    return QDialog::event(event);
}

void WindowImplBase::RetranslateAll() {
    setWindowTitle(Tr(layoutInfo_.title));
    for (QWidget* control : findChildren<QWidget*>()) {
        RetranslateControl(control);
    }
    for (PopupMenu* menu : findChildren<PopupMenu*>()) {
        menu->Retranslate();
    }
    OnLanguageChanged();
}

void WindowImplBase::keyPressEvent(QKeyEvent* event) {
    // Escape answers "cancel" in popups; it must not close the application's main window.
    if (kind_ == WindowKind::Main && event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void WindowImplBase::mousePressEvent(QMouseEvent* event) {
    // The caption band drags the frameless window; controls in it get their clicks first.
    const int caption = ScaleLength(layoutInfo_.captionHeight, scalePercent_);
    if (event->button() == Qt::LeftButton && event->position().y() < caption && windowHandle()) {
        windowHandle()->startSystemMove();
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

}  // namespace korvel::ui
