#pragma once
// CMainWnd: the application's main window. It owns the tuning controller (EqualizerManager) for
// the life of the process, shows the model's values in its controls when the controller asks
// (ControllerView), routes every control notification by name to one handler, opens the popup
// menus, and hands the device link's window messages to the controller.
//
// Use (the application shell):
//   Settings& settings = ...;                       // "lan" of the settings file
//   CMainWnd window(TransportFactoryForDevice("usb", &error).value(), settings);
//   window.Create();                                // builds the layout, selects the language
//   window.ShowWindow();
//   window.Controller().Connect(false);             // unless another instance runs
//   ... device arrival / removal: window.Controller().DevicePlugin() / DevicePlugOut()
//   ... language menu of the shell: window.ChangeLanguage(code, value)
// Closing the window disconnects (the device gets PC_Connect 0).

#include <QPointer>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "controller/auto_cal_session.h"
#include "controller/controller_view.h"
#include "controller/equalizer_manager.h"
#include "link/transport.h"
#include "windows/loading_wnd.h"
#include "windows/message_window.h"
#include "windows/settings.h"

class QAbstractButton;
class QKeyEvent;
class QComboBox;
class QLineEdit;
class QSlider;

namespace korvel {

class UIEqualizer;
class SpeakerMapUI;
class CSceneWnd;
class CMixerWnd;
class CNoiseThresholdWnd;
class CAutoCalWnd;
class FirmwareUpdateHost;

class CMainWnd : public MessageWindow, public ControllerView {
    Q_OBJECT
  public:
    static constexpr int kChannels = kChannelSlots;
    static constexpr int kBands = kBandCount;

    // `settings` must outlive the window.
    CMainWnd(TransportFactory factory, Settings& settings, QWidget* parent = nullptr);
    ~CMainWnd() override;

    EqualizerManager& Controller() { return *manager_; }
    const EqualizerManager& Controller() const { return *manager_; }

    // Switches the language ("en", "cn_zh", "ru") and stores its settings value (0, 1, 2).
    void ChangeLanguage(const QString& code, int value);

    // Parametric ("${peq_mode}") or graphic ("${geq_mode}") equaliser presentation.
    bool ParametricMode() const { return parametric_; }
    void SetParametricMode(bool parametric);

    // The edit that the arrow keys move to from `name` ("edit_main_volume", "eq_gain_3", ...)
    // around the focus ring; empty when `name` is not on the ring.
    QString FocusRingNeighbour(const QString& name, bool forward) const;

    // The firmware update windows and the upgrader of the controller's link.
    FirmwareUpdateHost& Firmware() { return *firmware_; }

    UIEqualizer* Graph() const { return graph_; }

    // Undo and redo, as the toolbar buttons and the shortcuts do.
    void UndoEdit();
    void RedoEdit();
    // The filter items after their file dialogs: the current channel's bands from and to a
    // filter text file. Import asks before it leaves lines out; both report what they did.
    bool ImportFilters(const QString& path);
    bool ExportFilters(const QString& path);
    // Answers the filter items' file dialogs instead of the user (tests); `save` is set for
    // the export. An empty answer cancels.
    using FileChooser = std::function<QString(bool save)>;
    void SetFilterFileChooser(FileChooser chooser) { filterFileChooser_ = std::move(chooser); }

    // The calibration window ("btn_irc", "advance_item_autocal"): this window is minimised while
    // it is open; an applied result is read back by disconnecting and connecting again.
    void OpenAutoCalibration();
    CAutoCalWnd* AutoCalibrationWindow() const { return autoCal_; }
    void SetAutoCalTimings(const AutoCalTimings& timings) { autoCalTimings_ = timings; }
    CLoadingWnd* LoadingWindow() const { return loading_.Current(); }

    // --- ControllerView ------------------------------------------------------------------------
    void RefreshControls(RefreshWhat what, int channel, int index) override;
    void ShowMessage(const std::string& key, const std::string& detail) override;
    bool Confirm(const std::string& key) override;
    void SetConnectState(ConnectState state) override;
    void ShowLoading(bool open) override;
    void ShowProgress(const SequenceProgress& progress) override;
    void OperationFinished(const OperationResult& result) override;
    void CloseToolWindow(ToolWindow window) override;
    void StartForcedUpdate() override;
    int ChooseLinkCopy() override;
    int AskThree(const std::string& key, const std::string& first, const std::string& second,
                 const std::string& third) override;
    void ShowEqualizerGraph(const EqualizerGraphData& data) override;
    void ShowBandControls(int channel, std::span<const BandRowState> rows) override;
    void ShowBypassButton(bool bypassEq) override;
    void SetEqPresentation(bool parametric) override;
    void EnableLinkButton(bool enabled) override;
    void ShowOutputMenu(const OutputMenuState& menu) override;
    void SelectSpeakerIcon(int role) override;
    void ShowEditHistory(bool canUndo, bool canRedo) override;
    void ShowStatus(const std::string& key, const std::string& detail) override;
    void OpenSceneWindow(SceneWindowMode mode) override;
    void ShowInputNoise(std::span<const float> levels) override;
    void ShowInputThreshold(int dbu) override;

    // The tool windows open now (nullptr when closed).
    CSceneWnd* SceneWindow() const;
    CMixerWnd* MixerWindow() const;
    CNoiseThresholdWnd* NoiseThresholdWindow() const;

    // The control names (or name prefixes of indexed controls) that notifications are routed
    // by; each must name a control of the main layout.
    struct RoutedName {
        QString name;
        bool prefix = false;
    };
    static std::vector<RoutedName> RoutedControlNames();

  protected:
    void InitWindow() override;
    void Notify(const ui::Notification& notification) override;
    void HandleMessage(Message& message) override;
    void HandleMenuClick(const QString& itemName) override;
    QWidget* CreateControl(const QString& tag, QWidget* parent) override;
    void ApplySkin() override;
    void OnLanguageChanged() override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    using Handler = void (CMainWnd::*)(const ui::Notification&);
    struct Route;
    static const Route kRoutes[];

    // --- Set-up (main_wnd.cpp) ------------------------------------------------------------------
    void BindControls();
    // --- Skin (main_wnd_skin.cpp)
    // ------------------------------------------------------------------
    void ApplyGraphScale();
    void InitIndexedTexts();
    void InitComboPopups();
    void HideUnofferedFilterType(QObject* watched, QEvent* event);

    // --- Controls by name and index -----------------------------------------------------------
    template <typename T = QWidget>
    T* Indexed(const char* pattern, int index) const {
        return FindControl<T>(QString::fromLatin1(pattern).arg(index));
    }
    const SceneRecord& Live() const { return manager_->LiveScene(); }
    int CurrentChannel() const;

    // --- Refresh (main_wnd_refresh.cpp) ---------------------------------------------------------
    void RefreshSource();
    void RefreshMainVolume();
    void RefreshMainMute();
    void RefreshCrossover(int channel);
    void RefreshBand(int channel, int band);
    void RefreshBands(int channel);
    void ShowBandRow(int band, const BandRowState& row);
    void SetRowText(const QString& name, const QString& text);
    void RefreshChannelDelay(int channel);
    void RefreshChannelVolume(int channel);
    void RefreshChannelMute(int channel);
    void RefreshChannelPhase(int channel);
    void RefreshInputSwitches(int channel);
    void RefreshInputSwitchVisibility();
    void RefreshSpeakerRoles();
    void RefreshLinkLock();
    void RefreshChannelSelector(int channel);
    void RefreshBypassButton(int channel);
    void RefreshAmpSwitch();
    void RefreshEqualizerGraph();
    void RefreshAll();

    // --- Notification handlers (main_wnd_notify.cpp) --------------------------------------------
    void OnMinimise(const ui::Notification& n);
    void OnClose(const ui::Notification& n);
    void OnDpi(const ui::Notification& n);
    void OnConnect(const ui::Notification& n);
    void OnOptionMenu(const ui::Notification& n);
    void OnSceneMenu(const ui::Notification& n);
    void OnAdvanceMenu(const ui::Notification& n);
    void OnOutputMenu(const ui::Notification& n);
    void OnEqMode(const ui::Notification& n);
    void OnEditFocus(const ui::Notification& n);
    void OnFocusRing(const ui::Notification& n);
    void OnDelayUnit(const ui::Notification& n);
    void OnEqualizerGraph(const ui::Notification& n);
    void OnAmpSwitch(const ui::Notification& n);
    void OnResetEq(const ui::Notification& n);
    void OnBypass(const ui::Notification& n);
    void OnResetOutput(const ui::Notification& n);
    void OnLockOutput(const ui::Notification& n);
    void OnLinkOutput(const ui::Notification& n);
    void OnChannelSelect(const ui::Notification& n);
    void OnSpeakerFocus(const ui::Notification& n);
    void OnBandEnable(const ui::Notification& n);
    void OnDebugWindow(const ui::Notification& n);
    void OnAutoCalibration(const ui::Notification& n);
    void OnChannelShow(const ui::Notification& n);
    void OnChannelMute(const ui::Notification& n);
    void OnChannelPhase(const ui::Notification& n);
    void OnChannelSync(const ui::Notification& n);
    void OnMainMute(const ui::Notification& n);
    void OnChannelInput(const ui::Notification& n);
    void OnBandSlider(const ui::Notification& n);
    void OnMainVolumeSlider(const ui::Notification& n);
    void OnChannelVolumeSlider(const ui::Notification& n);
    void OnChannelDelaySlider(const ui::Notification& n);
    void OnStep(const ui::Notification& n);
    void OnCommit(const ui::Notification& n);
    void OnCrossoverCombo(const ui::Notification& n);
    void OnInputSource(const ui::Notification& n);
    // Windows this build does not have yet (memory, calibration, firmware, mixer, ...).
    void Pending(const char* operation, int index) const;
    // The text of an edit as the controller reads it: the translated "${off}" becomes the key.
    std::string CommittedText(const QString& controlName) const;
    int SliderValue(const ui::Notification& n) const;
    // The gain the graph was given for `band` of the current channel (0 when not in effect).
    float ShownGain(int band) const;
    bool OptionChecked(const ui::Notification& n) const;

    void ShowDelaySlider(int channel);  // -1 hides every delay slider

    // --- Edit history (main_wnd_history.cpp) -----------------------------------------------------
    void InitEditHistory();
    // Routes a notification to its handler; Notify makes what it changes one undo step.
    void Dispatch(const ui::Notification& notification);
    void OnUndo(const ui::Notification& n);
    void OnRedo(const ui::Notification& n);
    // A press on the graph or a slider opens one undo step until the drag ends.
    void BeginDrag(QObject* source);
    void EndDrag();
    bool DragHeld() const;
    bool UndoKeyInEdit(QObject* watched, QEvent* event);
    void WatchEditKeys(QWidget* edit);
    // Ctrl+Z, Ctrl+Shift+Z, Ctrl+Y that reached the window without its shortcuts (a control
    // passed them on while the window was not the active one): undone or redone here.
    bool UndoKeyPressed(QKeyEvent& key);

    // --- Filter files (main_wnd_filters.cpp) ----------------------------------------------------
    void OnImportFiltersItem();
    void OnExportFiltersItem();
    QString ChooseFilterFile(bool save);

    // --- Menus and language (main_wnd_menus.cpp) ------------------------------------------------
    void PopMenu(const QString& resource, const QString& anchorName);
    void ConfigureMenu(ui::PopupMenu& menu) const;
    void ConfigureOutputMenu(ui::PopupMenu& menu) const;
    void SwitchLanguageTo(const QString& code);
    void SaveSceneFile();
    void LoadSceneFile();

    // --- Tool windows (main_wnd_tools.cpp) ------------------------------------------------------
    // Handles the menu items of the tool windows; false for any other item.
    bool OpenToolFromMenu(const QString& item);
    void OpenMixerWindow();
    void OpenNoiseThresholdWindow();
    void OpenMemoryWindow();
    void OpenAboutWindow();
    void SaveWholeFile();
    void LoadWholeFile();
    // The window that message boxes and the loading window cover: the open scene window, or
    // this one.
    QWidget* DialogOwner();

    Settings& settings_;
    std::shared_ptr<MessageTarget> reports_;  // before manager_: the controller posts to it
    std::unique_ptr<EqualizerManager> manager_;
    std::unique_ptr<FirmwareUpdateHost> firmware_;  // uses manager_'s link; destroyed first
    LoadingWindowHost loading_;

    UIEqualizer* graph_ = nullptr;
    SpeakerMapUI* speakerMap_ = nullptr;
    bool parametric_ = false;
    OutputMenuState outputMenu_;
    int rowsBypass_ = -1;  // the bypass flag of the current channel when its rows were shown
    // Curves handed to the graph, one 512-point array per channel (kept between redraws).
    std::vector<std::array<double, 512>> curveFrequencies_;
    std::vector<std::array<double, 512>>
        curveTotals_;  // the role menu being opened: its channel and check marks
    ConnectState connectState_ = ConnectState::kDisconnected;
    QObject* dragSource_ = nullptr;  // the graph or slider held down, while its drag lasts
    FileChooser filterFileChooser_;
    QPointer<CSceneWnd> sceneWnd_;
    QPointer<CMixerWnd> mixerWnd_;
    QPointer<CNoiseThresholdWnd> noiseWnd_;
    CAutoCalWnd* autoCal_ = nullptr;  // while the calibration window is open
    AutoCalTimings autoCalTimings_;
};

}  // namespace korvel
