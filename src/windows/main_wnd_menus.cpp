// CMainWnd: the popup menus of the caption and of the output buttons, their item clicks
// (HandleMenuClick, after the menu has closed) and the language switch.

#include <QAction>
#include <QFileDialog>

#include "log/log.h"
#include "model/speaker_roles.h"
#include "uiframework/language.h"
#include "uiframework/popup_menu.h"
#include "windows/firmware_update_host.h"
#include "windows/main_wnd.h"

namespace korvel {

namespace {

const QString kOptionMenu = QStringLiteral(":/xml/option_menu.xml");
const QString kSceneMenu = QStringLiteral(":/xml/scene_menu.xml");
const QString kAdvanceMenu = QStringLiteral(":/xml/advance_menu.xml");
const QString kOutputMenu = QStringLiteral(":/xml/output_menu.xml");

// Items that need an open device.
const char* const kDeviceItems[] = {"option_item_reset_default",  "scene_item_load_scene",
                                    "scene_item_saveas_scene",    "scene_item_delete_scene",
                                    "scene_item_save_whole_file", "scene_item_load_whole_file"};

struct LanguageItem {
    const char* item;
    const QString& code;
    int value;
};
const LanguageItem kLanguageItems[] = {
    {"option_item_language_en", ui::kLanguageEnglish, kLanEnglish},
    {"option_item_language_cn", ui::kLanguageChinese, kLanChinese},
    {"option_item_language_ru", ui::kLanguageRussian, kLanRussian},
};

int LanValue(const QString& code) {
    for (const LanguageItem& language : kLanguageItems) {
        if (language.code == code) {
            return language.value;
        }
    }
    return kLanEnglish;
}

}  // namespace

void CMainWnd::PopMenu(const QString& resource, const QString& anchorName) {
    ShowMenu(resource, FindControl(anchorName),
             [this](ui::PopupMenu& menu) { ConfigureMenu(menu); });
}

void CMainWnd::ConfigureMenu(ui::PopupMenu& menu) const {
    const bool connected = manager_->IsConnected();
    for (const char* item : kDeviceItems) {
        menu.SetItemEnabled(QString::fromLatin1(item), connected);
    }
    const QString current = ui::LanguageManager::Instance().Current();
    for (const LanguageItem& language : kLanguageItems) {
        menu.SetItemChecked(QString::fromLatin1(language.item), language.code == current);
    }
}

void CMainWnd::ConfigureOutputMenu(ui::PopupMenu& menu) const {
    // Role items carry a check mark when some channel already plays that role; every role stays
    // selectable (two channels may share one).
    for (const OutputMenuItem& item : outputMenu_.items) {
        if (item.role < 0) {
            continue;  // a group entry: text only
        }
        QAction* action = menu.Item(
            QString::fromLatin1(item.name.data(), static_cast<qsizetype>(item.name.size())));
        if (action == nullptr) {
            continue;
        }
        action->setCheckable(true);
        action->setChecked(item.checked && item.role != kRoleEmpty);
        action->setEnabled(item.enabled);
    }
}

void CMainWnd::OnOptionMenu(const ui::Notification&) {
    PopMenu(kOptionMenu, QStringLiteral("btn_option"));
}

void CMainWnd::OnSceneMenu(const ui::Notification&) {
    PopMenu(kSceneMenu, QStringLiteral("btn_scene"));
}

void CMainWnd::OnAdvanceMenu(const ui::Notification&) {
    PopMenu(kAdvanceMenu, QStringLiteral("btn_advance"));
}

void CMainWnd::OnOutputMenu(const ui::Notification& n) {
    manager_->SetSubMenu(n.Index());  // remembers the channel, then ShowOutputMenu
}

void CMainWnd::ShowOutputMenu(const OutputMenuState& menu) {
    outputMenu_ = menu;
    ShowMenu(kOutputMenu, Indexed("ch_output_btn_%1", menu.channel), [this](ui::PopupMenu& popup) {
        ConfigureMenu(popup);
        ConfigureOutputMenu(popup);
    });
}

void CMainWnd::HandleMenuClick(const QString& item) {
    const EditScope step(*manager_);  // a role choice or a filter import is one undo step
    if (item.startsWith(QLatin1String("output_menu")) ||
        item.startsWith(QLatin1String("output_item"))) {
        manager_->SetOutputValue(manager_->MenuChannel(), item.toStdString());
        return;
    }
    for (const LanguageItem& language : kLanguageItems) {
        if (item == QLatin1String(language.item)) {
            SwitchLanguageTo(language.code);
            return;
        }
    }
    if (item == QLatin1String("option_item_language")) {
        const bool chinese = ui::LanguageManager::Instance().Current() == ui::kLanguageChinese;
        SwitchLanguageTo(chinese ? ui::kLanguageEnglish : ui::kLanguageChinese);
    } else if (item == QLatin1String("option_item_reset_default")) {
        if (manager_->IsConnected()) {
            manager_->ResetMcuFactoryDefault();
        }
    } else if (item == QLatin1String("scene_item_load_file")) {
        LoadSceneFile();
    } else if (item == QLatin1String("scene_item_save_file")) {
        SaveSceneFile();
    } else if (item == QLatin1String("scene_item_import_filters")) {
        OnImportFiltersItem();
    } else if (item == QLatin1String("scene_item_export_filters")) {
        OnExportFiltersItem();
    } else if (item == QLatin1String("option_item_firmware_upgrade")) {
        firmware_->OpenUpdateWindow();
    } else if (item == QLatin1String("advance_item_autocal")) {
        OpenAutoCalibration();
    } else {
        OpenToolFromMenu(item);
    }
    // "advance_item_poweroff_delay" and "advance_item_ktv" have no action.
}

void CMainWnd::SwitchLanguageTo(const QString& code) {
    if (ui::LanguageManager::Instance().Current() == code) {
        return;  // already active: nothing changes, nothing is written
    }
    ChangeLanguage(code, LanValue(code));
}

void CMainWnd::SaveSceneFile() {
    const QString path = QFileDialog::getSaveFileName(
        this, ui::Tr(QStringLiteral("${save_scene_file}")), QString(), QStringLiteral("*.spf"));
    if (!path.isEmpty()) {
        manager_->SaveSenceConfigToFile(path.toStdString());
    }
}

void CMainWnd::LoadSceneFile() {
    const QString path = QFileDialog::getOpenFileName(
        this, ui::Tr(QStringLiteral("${load_scene_file}")), QString(), QStringLiteral("*.spf"));
    if (!path.isEmpty()) {
        manager_->LoadSenceConfigFromFile(path.toStdString());
    }
}

}  // namespace korvel
