#include "uiframework/popup_menu.h"

#include <QFile>

#include "log/log.h"
#include "uiframework/language.h"
#include "uiframework/layout_builder.h"
#include "uiframework/posted_event.h"

namespace korvel::ui {

namespace {
constexpr char kRawTextProperty[] = "k_text";

void SetRawText(QObject* object, QAction* action, const QString& raw) {
    object->setProperty(kRawTextProperty, raw);
    action->setText(Tr(raw));
}
}  // namespace

PopupMenu::PopupMenu(QWidget* owner) : QMenu(owner), owner_(owner) {
    setAttribute(Qt::WA_DeleteOnClose);
}

PopupMenu* PopupMenu::Build(const QString& resource, QWidget* owner) {
    QFile file(resource);
    LayoutNode root;
    QString error;
    if (!file.open(QIODevice::ReadOnly) || !ParseLayout(file.readAll(), &root, &error)) {
        WriteLog("PopupMenu: cannot load %s %s\n", resource.toUtf8().constData(),
                 error.toUtf8().constData());
        return nullptr;
    }
    auto* menu = new PopupMenu(owner);  // owned by the owner window; deletes itself on close
    menu->setObjectName(root.Attribute(QStringLiteral("name"), resource));
    menu->AddItems(menu, root);
    return menu;
}

void PopupMenu::AddItems(QMenu* menu, const LayoutNode& node) {
    for (const LayoutNode& child : node.children) {
        if (child.tag == QLatin1String("Separator")) {
            menu->addSeparator();
        } else if (child.tag == QLatin1String("Menu")) {
            QMenu* sub = menu->addMenu(QString());
            sub->setObjectName(child.Attribute(QStringLiteral("name")));
            sub->menuAction()->setObjectName(sub->objectName());
            SetRawText(sub->menuAction(), sub->menuAction(),
                       child.Attribute(QStringLiteral("text")));
            AddItems(sub, child);
        } else if (child.tag == QLatin1String("Item")) {
            const QString name = child.Attribute(QStringLiteral("name"));
            QAction* action = menu->addAction(QString());
            action->setObjectName(name);
            SetRawText(action, action, child.Attribute(QStringLiteral("text")));
            action->setCheckable(child.Attribute(QStringLiteral("checkable")) == "true");
            action->setEnabled(child.Attribute(QStringLiteral("enabled")) != "false");
            action->setVisible(child.Attribute(QStringLiteral("visible")) != "false");
            connect(action, &QAction::triggered, this, [this, name] {
                EventPoster(owner_).Post(std::make_unique<MenuClickEvent>(name));
            });
        }
    }
}

QAction* PopupMenu::Item(const QString& name) const {
    if (name.isEmpty()) {
        return nullptr;
    }
    for (QAction* action : findChildren<QAction*>()) {
        if (action->objectName() == name) {
            return action;
        }
    }
    return nullptr;
}

bool PopupMenu::SetItemEnabled(const QString& name, bool enabled) {
    QAction* action = Item(name);
    if (action) {
        action->setEnabled(enabled);
    }
    return action != nullptr;
}

bool PopupMenu::SetItemVisible(const QString& name, bool visible) {
    QAction* action = Item(name);
    if (action) {
        action->setVisible(visible);
    }
    return action != nullptr;
}

bool PopupMenu::SetItemChecked(const QString& name, bool checked) {
    QAction* action = Item(name);
    if (action) {
        action->setCheckable(true);
        action->setChecked(checked);
    }
    return action != nullptr;
}

bool PopupMenu::ClickItem(const QString& name) {
    QAction* action = Item(name);
    if (action == nullptr || !action->isEnabled() || !action->isVisible()) {
        return false;
    }
    action->trigger();
    close();
    return true;
}

void PopupMenu::Retranslate() {
    for (QAction* action : findChildren<QAction*>()) {
        const QVariant raw = action->property(kRawTextProperty);
        if (raw.isValid()) {
            action->setText(Tr(raw.toString()));
        }
    }
}

}  // namespace korvel::ui
