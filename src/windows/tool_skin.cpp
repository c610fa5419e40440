#include "windows/tool_skin.h"

#include <QFile>

#include "uiframework/framework.h"

namespace korvel {

namespace {

const QString& ToolSheet() {
    static const QString sheet = [] {
        QFile file(QStringLiteral(":/skin/tools.qss"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }();
    return sheet;
}

void Apply(ui::WindowImplBase& window) {
    if (QWidget* root = window.FindControl(QStringLiteral("tool_root"))) {
        root->setStyleSheet(ui::UiFramework::ScaleStyleSheet(ToolSheet(), window.ScalePercent()));
    }
}

}  // namespace

void ApplyToolSkin(ui::WindowImplBase& window) {
    Apply(window);
    QObject::connect(&ui::UiFramework::Instance(), &ui::UiFramework::ScaleChanged, &window,
                     [&window] { Apply(window); });
}

}  // namespace korvel
