#include "windows/main_wnd.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListView>
#include <QSlider>

#include "eqgraph/widget/ui_equalizer.h"
#include "log/log.h"
#include "model/conversions.h"
#include "uiframework/framework.h"
#include "uiframework/language.h"
#include "windows/auto_cal_wnd.h"
#include "windows/firmware_update_host.h"
#include "windows/main_wnd_speaker_map.h"
#include "windows/mixer_wnd.h"
#include "windows/msg_checkbox_wnd.h"
#include "windows/msg_wnd.h"
#include "windows/scene_wnd.h"
#include "windows/window_resources.h"

namespace korvel {

namespace {

constexpr char kDebugSwitchFile[] = "debug.ini";
constexpr char kTypeRowHidden[] = "k_type_row_hidden";
const QString kChannelPanel = QStringLiteral(":/xml/channel_settings_mixer.xml");

// Curve colours of the six channels; the current channel is drawn over the others.
const std::vector<QRgb> kCurveColors = {0xFF2DA8FF, 0xFFFF8A3D, 0xFF00D3A7,
                                        0xFFE8C547, 0xFFC77DFF, 0xFFFF5C8A};

}  // namespace

CMainWnd::CMainWnd(TransportFactory factory, Settings& settings, QWidget* parent)
    : MessageWindow(parent, QStringLiteral("MainWnd"), WindowLayout("XML_MAIN"),
                    ui::WindowKind::Main),
      settings_(settings),
      reports_(MessageTargetForThreads()),
      manager_(std::make_unique<EqualizerManager>(std::move(factory), *reports_, *this)),
      firmware_(std::make_unique<FirmwareUpdateHost>(this, *manager_)),
      loading_(this) {
    setProperty("windowClass", QStringLiteral("MainWnd"));
}

CMainWnd::~CMainWnd() {
    loading_.CloseLoading();
    firmware_.reset();
    // The controller joins its worker first; the window's controls are still alive for any
    // view call it makes on the way.
    manager_.reset();
}

QWidget* CMainWnd::CreateControl(const QString& tag, QWidget* parent) {
    if (tag == QLatin1String("Curve")) {
        auto* graph = new UIEqualizer(parent);
        graph->SetTranslator([](const QString& key) { return ui::Tr(key); });
        graph->SetCurveColors(kCurveColors);
        graph->SetScalePercent(ScalePercent());
        graph->SetNotifyHandler([this, graph](const std::string& type) {
            SendNotify(graph, QString::fromStdString(type));
        });
        graph_ = graph;
        return graph;
    }
    if (tag == QLatin1String("SpeakerMap")) {
        speakerMap_ = new SpeakerMapUI(parent);
        return speakerMap_;
    }
    return nullptr;
}

void CMainWnd::InitWindow() {
    WriteLog("CMainWnd::InitWindow\n");
    BuildInto(QStringLiteral("channel_settings"), kChannelPanel);
    connect(&ui::UiFramework::Instance(), &ui::UiFramework::ScaleChanged, this,
            [this] { ApplyGraphScale(); });

    const QString code = ui::LanguageCodeForSetting(settings_.ReadLan());
    if (!code.isEmpty()) {
        ui::LanguageManager::Instance().Select(code);
    }
    RefreshAll();
    BindControls();  // the start states win over the empty model's values
}

void CMainWnd::BindControls() {
    const bool debug = QFileInfo::exists(QString::fromLatin1(kDebugSwitchFile));
    SetVisible(QStringLiteral("btn_debug"), debug);
    SetVisible(QStringLiteral("edt_dpi"), debug);
    SetVisible(QStringLiteral("btnDpi"), debug);
    SetText(QStringLiteral("minbtn"), QStringLiteral("\u2013"));

    if (auto* slider = FindControl<QSlider>(QStringLiteral("slider_main_volume"))) {
        slider->setRange(kMainVolumeMinLevel, kMainVolumeMaxLevel);
        slider->setValue(kMainVolumeSliderStart);
        SetText(QStringLiteral("edit_main_volume"), QString::number(slider->value()));
    }
    for (int role = 1; role <= SpeakerMapUI::kMarkers; ++role) {
        SetText(QStringLiteral("speaker_%1").arg(role), QString());
        SetVisible(QStringLiteral("speaker_%1").arg(role), false);
    }
    for (int ch = 0; ch < kChannels; ++ch) {
        if (QWidget* slider = Indexed("slider_ch_delay_%1", ch)) {
            slider->setVisible(false);
        }
    }
    InitIndexedTexts();
    InitComboPopups();
    SetParametricMode(false);
    SetConnectState(ConnectState::kDisconnected);
    InitEditHistory();
}

void CMainWnd::InitIndexedTexts() {
    for (int band = 0; band < kBands; ++band) {
        SetText(QStringLiteral("pt_enable_%1").arg(band), QString::number(band + 1));
    }
    for (int ch = 0; ch < kChannels; ++ch) {
        SetText(QStringLiteral("ch_enable_%1").arg(ch), QStringLiteral("CH%1").arg(ch + 1));
    }
}

void CMainWnd::InitComboPopups() {
    // Filter type 0 is not offered: the type combos' index is the type 1..3 itself. Its row is
    // hidden once the user first reaches for the list: asking for the list at start would build
    // both popups before the window is first painted.
    for (const char* name : {"hp_type", "lp_type"}) {
        if (auto* combo = FindControl<QComboBox>(QString::fromLatin1(name))) {
            combo->installEventFilter(this);
        }
    }
}

void CMainWnd::HideUnofferedFilterType(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::KeyPress) {
        return;
    }
    auto* combo = qobject_cast<QComboBox*>(watched);
    if (combo == nullptr || combo->property(kTypeRowHidden).toBool()) {
        return;
    }
    combo->setProperty(kTypeRowHidden, true);
    if (auto* view = qobject_cast<QListView*>(combo->view())) {
        view->setRowHidden(0, true);
    }
}

int CMainWnd::CurrentChannel() const {
    const int channel = Live().currChannel;
    return channel >= 0 && channel < kChannels ? channel : 0;
}

// --- Window messages -----------------------------------------------------------------------------

void CMainWnd::HandleMessage(Message& message) {
    manager_->HandleMessage(message);
}

void CMainWnd::closeEvent(QCloseEvent* event) {
    WriteLog("CMainWnd close: disconnect\n");
    if (QWidget* menu = OpenMenu()) {
        menu->close();
    }
    manager_->Disconnect();
    MessageWindow::closeEvent(event);
}

void CMainWnd::keyPressEvent(QKeyEvent* event) {
    // Escape would end the dialog the window is built on; the main window only closes on purpose.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    if (UndoKeyPressed(*event)) {
        return;
    }
    MessageWindow::keyPressEvent(event);
}

// --- ControllerView: dialogs and states ----------------------------------------------------------

void CMainWnd::ShowMessage(const std::string& key, const std::string& detail) {
    if (firmware_->TakeBackupResult(key)) {
        return;  // the update window shows how its backup went
    }
    QString text = QString::fromStdString(key);
    if (!detail.empty()) {
        text = ui::Tr(text) + QLatin1Char(' ') + QString::fromStdString(detail);
    }
    CMsgWnd::ShowMessage(DialogOwner(), QStringLiteral("${tips}"), text,
                         {QStringLiteral("${confirm}")}, 1);
}

void CMainWnd::OperationFinished(const OperationResult& result) {
    if (result.operation == DeviceOperation::kReadWholeProfile) {
        firmware_->BackupFinished(result.ok);
    }
}

bool CMainWnd::Confirm(const std::string& key) {
    return CMsgWnd::ShowMessage(DialogOwner(), QStringLiteral("${tips}"),
                                QString::fromStdString(key)) == 1;
}

int CMainWnd::ChooseLinkCopy() {
    return CMsgCheckBoxWnd::ShowMessage(
        this, QStringLiteral("${tips}"), QStringLiteral("${link_tips}"),
        QStringLiteral("${copy_left_to_right}"), QStringLiteral("${copy_right_to_left}"));
}

int CMainWnd::AskThree(const std::string& key, const std::string& first, const std::string& second,
                       const std::string& third) {
    const QStringList buttons{QString::fromStdString(first), QString::fromStdString(second),
                              QString::fromStdString(third)};
    return CMsgWnd::ShowMessage(this, QStringLiteral("${tips}"), QString::fromStdString(key),
                                buttons, 3);
}

void CMainWnd::SetConnectState(ConnectState state) {
    connectState_ = state;
    auto* button = FindControl<QAbstractButton>(QStringLiteral("btnConnect"));
    if (button == nullptr) {
        return;
    }
    const char* key = "${btn_disconnected}";
    const char* look = "disconnected";
    if (state == ConnectState::kConnecting) {
        key = "${btn_connecting}";
        look = "connecting";
    } else if (state == ConnectState::kConnected) {
        key = "${btn_connected}";
        look = "connected";
    }
    ui::SetControlText(button, QString::fromLatin1(key));
    button->setProperty("state", QString::fromLatin1(look));
    button->setProperty("selected", state == ConnectState::kConnected);
    button->style()->unpolish(button);
    button->style()->polish(button);
}

void CMainWnd::ShowLoading(bool open) {
    if (open && firmware_->BackupRunning()) {
        return;  // the update window shows the backup's progress itself
    }
    if (sceneWnd_) {
        sceneWnd_->ShowLoading(open);  // the scene window's device work covers that window
        return;
    }
    if (open) {
        loading_.Open();
    } else {
        loading_.CloseLoading();
    }
}

void CMainWnd::ShowProgress(const SequenceProgress& progress) {
    if (sceneWnd_) {
        sceneWnd_->ShowProgress(progress);  // its loading window is the open one
        return;
    }
    loading_.ShowProgress(progress);
}

void CMainWnd::CloseToolWindow(ToolWindow window) {
    if (window == ToolWindow::kMixer && mixerWnd_) {
        WriteLog("CMainWnd::CloseToolWindow: mixer\n");
        mixerWnd_->Close(0);
        return;
    }
    if (window == ToolWindow::kAutoCalibration && autoCal_) {
        autoCal_->CloseForDisconnect();
        return;
    }
    if (window == ToolWindow::kUpdateFirmware) {
        firmware_->CloseUpdateWindow();
        return;
    }
    WriteLog("CMainWnd::CloseToolWindow %d: none open\n", static_cast<int>(window));
}

void CMainWnd::StartForcedUpdate() {
    firmware_->StartForcedUpdate();
}

// --- Language ------------------------------------------------------------------------------------

void CMainWnd::ChangeLanguage(const QString& code, int value) {
    WriteLog("change language to %s - %d\n", code.toUtf8().constData(), value);
    ui::LanguageManager::Instance().Select(code);
    settings_.WriteLan(value);
    update();
    WriteLog("change language finish\n");
}

void CMainWnd::OnLanguageChanged() {
    // Texts built from translated pieces ("${off}" volumes, role labels) are rebuilt.
    RefreshMainVolume();
    for (int ch = 0; ch < kChannels; ++ch) {
        RefreshChannelVolume(ch);
        RefreshChannelPhase(ch);
    }
    RefreshSpeakerRoles();
    RefreshBypassButton(CurrentChannel());
    SetParametricMode(parametric_);
    if (graph_) {
        graph_->update();
    }
}

}  // namespace korvel
