#include "windows/window_resources.h"

// Resources of a static library must be registered explicitly (outside any namespace).
static void InitWindowResources() {
    Q_INIT_RESOURCE(windows);
    Q_INIT_RESOURCE(windows_compiled);
}

namespace korvel {

QString WindowLayout(const char* id) {
    static const bool registered = [] {
        InitWindowResources();
        return true;
    }();
    (void)registered;
    return QStringLiteral(":/layout/") + QLatin1String(id);
}

}  // namespace korvel
