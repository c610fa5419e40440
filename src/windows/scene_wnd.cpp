#include "windows/scene_wnd.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>

#include "log/log.h"
#include "model/scene_name.h"
#include "uiframework/framework.h"
#include "uiframework/language.h"
#include "windows/msg_wnd.h"
#include "windows/name_msg_wnd.h"
#include "windows/text_format.h"
#include "windows/tool_skin.h"
#include "windows/window_resources.h"

namespace korvel {

namespace {

struct ModeTexts {
    const char* title;
    const char* confirm;
};

ModeTexts TextsOf(SceneWindowMode mode) {
    switch (mode) {
        case SceneWindowMode::kSave:
            return {"${save_as_scene}", "${save}"};
        case SceneWindowMode::kDelete:
            return {"${delete_scene}", "${delete}"};
        case SceneWindowMode::kLoad:
            break;
    }
    return {"${load_scene}", "${load}"};
}

const QString kList = QStringLiteral("listview");
constexpr int kNumberWidth = 48;  // lengths at 96 DPI
constexpr int kRowHeight = 32;

}  // namespace

CSceneWnd::CSceneWnd(QWidget* owner, EqualizerManager& manager, SceneWindowMode mode)
    : WindowImplBase(owner, QStringLiteral("scenewnd"), WindowLayout("XML_SENCE_PROFILE")),
      manager_(manager),
      mode_(mode),
      loading_(this) {
    setProperty("windowClass", QStringLiteral("MsgWnd"));
}

CSceneWnd::~CSceneWnd() {
    loading_.CloseLoading();
}

void CSceneWnd::OnLanguageChanged() {
    ApplyMode();
}

void CSceneWnd::InitWindow() {
    ApplyToolSkin(*this);
    ApplyMode();
    BuildRows();
    RefreshNames();
}

void CSceneWnd::ApplyMode() {
    const ModeTexts texts = TextsOf(mode_);
    SetText(QStringLiteral("window_title"), QString::fromLatin1(texts.title));
    ui::SetControlText(this, QString::fromLatin1(texts.title));  // the window's own title
    SetText(QStringLiteral("confirm_btn"), QString::fromLatin1(texts.confirm));
    SetText(QStringLiteral("cancel_btn"), QStringLiteral("${exit}"));
}

void CSceneWnd::BuildRows() {
    auto* list = FindControl<QListWidget>(kList);
    if (list == nullptr) {
        return;
    }
    list->clear();
    for (int row = 0; row < kRows; ++row) {
        auto* item = new QListWidgetItem(list);
        auto* cells = new QWidget;
        // Clicks go through the row's labels to the list, so a double click selects the row.
        cells->setAttribute(Qt::WA_TransparentForMouseEvents);
        auto* layout = new QHBoxLayout(cells);
        layout->setContentsMargins(4, 0, 4, 0);
        layout->setSpacing(10);
        auto* number = new QLabel(QString::number(row + 1), cells);
        number->setObjectName(QStringLiteral("number"));
        number->setProperty("skin", QStringLiteral("scenenumber"));
        number->setProperty("k_width", kNumberWidth);  // rescaled with the window
        auto* value = new QLabel(cells);
        value->setObjectName(QStringLiteral("value"));
        value->setProperty("skin", QStringLiteral("scenename"));
        layout->addWidget(number);
        layout->addWidget(value, 1);
        list->setItemWidget(item, cells);
        ui::ApplyScale(cells, ScalePercent());
    }
    FitRows();
    connect(&ui::UiFramework::Instance(), &ui::UiFramework::ScaleChanged, this,
            [this] { FitRows(); });
    list->setCurrentRow(-1);
}

void CSceneWnd::FitRows() {
    auto* list = FindControl<QListWidget>(kList);
    for (int row = 0; list != nullptr && row < list->count(); ++row) {
        list->item(row)->setSizeHint(QSize(0, ui::ScaleLength(kRowHeight, ScalePercent())));
    }
}

void CSceneWnd::RefreshNames() {
    auto* list = FindControl<QListWidget>(kList);
    if (list == nullptr) {
        return;
    }
    for (int row = 0; row < list->count() && row < kRows; ++row) {
        QWidget* cells = list->itemWidget(list->item(row));
        if (auto* value = cells ? cells->findChild<QLabel*>(QStringLiteral("value")) : nullptr) {
            value->setText(SceneNameText(row + 1));
        }
    }
}

QString CSceneWnd::SceneNameText(int scene) const {
    const SceneName* name = manager_.StoredSceneName(scene);
    return name ? QString::fromStdU16String(DeviceNameToUtf16(*name)) : QString();
}

QString CSceneWnd::RowName(int scene) const {
    const auto* list = FindControl<QListWidget>(kList);
    if (list == nullptr || scene < 1 || scene > list->count()) {
        return {};
    }
    QWidget* cells = list->itemWidget(list->item(scene - 1));
    const auto* value = cells ? cells->findChild<QLabel*>(QStringLiteral("value")) : nullptr;
    return value ? value->text() : QString();
}

int CSceneWnd::SelectedRow() const {
    const auto* list = FindControl<QListWidget>(kList);
    if (list == nullptr || list->selectedItems().isEmpty()) {
        return -1;
    }
    return list->row(list->selectedItems().first());
}

void CSceneWnd::Notify(const ui::Notification& notification) {
    const QString& name = notification.name;
    if (notification.type == ui::notify::kItemActivate && name == kList) {
        ActOnRow(SelectedRow());
        return;
    }
    if (notification.type != ui::notify::kClick) {
        return;
    }
    if (name == QLatin1String("confirm_btn")) {
        ActOnRow(SelectedRow());
    } else if (name == QLatin1String("cancel_btn") || name == QLatin1String("closebtn")) {
        Close(0);
    }
}

void CSceneWnd::ActOnRow(int row) {
    if (row < 0 || row >= kRows) {
        return;  // nothing selected
    }
    const int scene = row + 1;
    switch (mode_) {
        case SceneWindowMode::kLoad:
            WriteLog("SENCE_LOAD id = %d\n", row);
            Load(scene);
            break;
        case SceneWindowMode::kSave:
            WriteLog("SENCE_SAVE id = %d\n", row);
            Save(scene);
            break;
        case SceneWindowMode::kDelete:
            WriteLog("SENCE_DELETE id = %d\n", row);
            Delete(scene);
            break;
    }
}

void CSceneWnd::Load(int scene) {
    WriteLog("LoadSence\n");
    const QString name = SceneNameText(scene);
    const QString question =
        name.isEmpty()
            ? FillFields(ui::Tr(QStringLiteral("${load_scene_tips2}")), {QString::number(scene)})
            : FillFields(ui::Tr(QStringLiteral("${load_scene_tips1}")),
                         {QString::number(scene), name});
    if (CMsgWnd::ShowMessage(this, QStringLiteral("${tips}"), question) != 1) {
        return;
    }
    if (!manager_.LoadSceneFromDevice(scene)) {
        ShowStartFailure();
    }
}

void CSceneWnd::Save(int scene) {
    WriteLog("SaveSence\n");
    QString name = SceneNameText(scene);
    if (!name.isEmpty()) {
        const QString question =
            FillFields(ui::Tr(QStringLiteral("${save_scene_overwrite}")), {QString::number(scene)});
        if (CMsgWnd::ShowMessage(this, QStringLiteral("${tips}"), question) != 1) {
            return;
        }
    }
    if (CNameMsgWnd::Ask(this, &name) != 1) {
        return;
    }
    const std::u16string typed = name.toStdU16String();
    if (typed.empty()) {
        return;  // nothing to save under; the scene keeps its name
    }
    const SceneName bytes = Utf16ToDeviceName(typed);
    for (int other = 1; other <= kStoredScenes; ++other) {
        const SceneName* otherName = manager_.StoredSceneName(other);
        if (other == scene || otherName == nullptr || *otherName != bytes) {
            continue;
        }
        // The device keeps what it held: the scene's row stays as it was.
        const QString text = FillFields(ui::Tr(QStringLiteral("${same_name_tips}")),
                                        {name, QString::number(other), SceneNameText(other)});
        CMsgWnd::ShowMessage(this, QStringLiteral("${tips}"), text, {QStringLiteral("${confirm}")},
                             1);
        return;
    }
    if (!manager_.SaveSceneToDevice(scene, typed)) {
        ShowStartFailure();
    }
}

void CSceneWnd::Delete(int scene) {
    WriteLog("DeleteSence\n");
    if (!manager_.DeleteSceneFromDevice(scene)) {
        ShowStartFailure();
    }
}

void CSceneWnd::ShowStartFailure() {
    CMsgWnd::ShowMessage(this, QStringLiteral("${tips}"), QStringLiteral("${scene_not_started}"),
                         {QStringLiteral("${confirm}")}, 1);
}

void CSceneWnd::ShowLoading(bool open) {
    if (open) {
        loading_.Open();
    } else {
        loading_.CloseLoading();
    }
}

}  // namespace korvel
