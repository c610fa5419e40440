#pragma once
// The scene window: the ten scenes stored in the amplifier, in one of three modes (load, save
// as, delete). Choosing a row (double click, or the confirm button with a row selected) asks what
// protects the existing scenes, collects the name of a scene being saved, and hands the device
// work to the controller; the loading window covers this window until the device has answered.
// Result: 0 ("cancel_btn", "closebtn").

#include "controller/equalizer_manager.h"
#include "windows/loading_wnd.h"

namespace korvel {

class CSceneWnd : public ui::WindowImplBase {
    Q_OBJECT
  public:
    static constexpr int kRows = kStoredScenes;

    // `manager` must outlive the window.
    CSceneWnd(QWidget* owner, EqualizerManager& manager, SceneWindowMode mode);
    ~CSceneWnd() override;

    SceneWindowMode Mode() const { return mode_; }
    // The owner forwards the controller's requests while this window is open: the scene names
    // changed; open (1274) or close (1275) the loading window over this window.
    void RefreshNames();
    void ShowLoading(bool open);
    void ShowProgress(const SequenceProgress& progress) { loading_.ShowProgress(progress); }
    CLoadingWnd* LoadingWindow() const { return loading_.Current(); }

    // The name shown in the row of scene 1..10 (its "value" control).
    QString RowName(int scene) const;

  protected:
    void InitWindow() override;
    void Notify(const ui::Notification& notification) override;
    void OnLanguageChanged() override;

  private:
    void BuildRows();
    void FitRows();
    void ApplyMode();
    void ActOnRow(int row);
    void Load(int scene);
    void Save(int scene);
    void Delete(int scene);
    QString SceneNameText(int scene) const;
    int SelectedRow() const;
    void ShowStartFailure();

    EqualizerManager& manager_;
    SceneWindowMode mode_;
    LoadingWindowHost loading_;
};

}  // namespace korvel
