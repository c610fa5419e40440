#include "windows/about_wnd.h"

#include <QDesktopServices>
#include <QUrl>

#include "korvel_version.h"
#include "log/log.h"
#include "uiframework/language.h"
#include "windows/embedded_firmware.h"
#include "windows/tool_skin.h"
#include "windows/window_resources.h"

namespace korvel {

namespace {

const QString kModelName = QStringLiteral("Tarvik7");

QString VersionText(int main, int sub) {
    return QStringLiteral("v%1.%2").arg(main).arg(sub);
}

}  // namespace

CAboutWnd::CAboutWnd(QWidget* owner, const DeviceIdentity& device)
    : WindowImplBase(owner, QStringLiteral("msgwnd"), WindowLayout("XML_ABOUT")), device_(device) {
    setProperty("windowClass", QStringLiteral("AboutWnd"));
}

void CAboutWnd::InitWindow() {
    ApplyToolSkin(*this);
    SetVisible(QStringLiteral("company_title"), false);
    // The layout may supply an address; without one there is nothing to open.
    SetVisible(QStringLiteral("web_btn"), !Text(QStringLiteral("web_btn")).isEmpty());
    ShowVersions();
}

void CAboutWnd::ShowVersions() {
    const QString device = device_.model == -1
                               ? kModelName
                               : QStringLiteral("%1 %2 %3")
                                     .arg(kModelName, ui::Tr(QStringLiteral("${version}")),
                                          VersionText(device_.mainVersion, device_.subVersion));
    SetText(QStringLiteral("fw_version"), device);
    SetText(QStringLiteral("soft_version"),
            QStringLiteral("%1 v%2").arg(ui::Tr(QStringLiteral("${soft_version}")),
                                         QStringLiteral(KORVEL_VERSION)));
    const std::optional<FirmwareVersion> embedded = EmbeddedFirmwareVersion();
    SetVisible(QStringLiteral("inner_fw_version"), embedded.has_value());
    if (embedded) {
        SetText(QStringLiteral("inner_fw_version"),
                QStringLiteral("%1 %2").arg(ui::Tr(QStringLiteral("${inner_fw_version}")),
                                            VersionText(embedded->main, embedded->sub)));
    }
    FitToContent();
}

void CAboutWnd::Notify(const ui::Notification& notification) {
    if (notification.type != ui::notify::kClick) {
        return;
    }
    const QString& name = notification.name;
    if (name == QLatin1String("web_btn")) {
        const QString address = Text(name);
        WriteLog("CAboutWnd open %s\n", address.toUtf8().constData());
        QDesktopServices::openUrl(QUrl::fromUserInput(address));
    } else if (name == QLatin1String("confirm_btn")) {
        Close(1);
    } else if (name == QLatin1String("cancel_btn") || name == QLatin1String("closebtn")) {
        Close(0);
    } else if (name == QLatin1String("third_btn")) {
        Close(2);
    }
}

}  // namespace korvel
