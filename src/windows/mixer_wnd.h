#pragma once
// The mixer window: the input-to-output mixing matrix of one source, a cell per input and output
// with an enable box, a level slider and a level edit. Every change is stored and sent at once
// through the controller. Sources without mixable inputs show no rows.
// Result: 1 "confirm_btn", 0 "cancel_btn" or "closebtn", 2 "third_btn".

#include "controller/equalizer_manager.h"
#include "uiframework/window_impl_base.h"

namespace korvel {

class CMixerWnd : public ui::WindowImplBase {
    Q_OBJECT
  public:
    static constexpr int kColumns = 8;  // in the layout; outputs 6 and 7 stay hidden
    static constexpr int kOutputs = kChannelSlots;
    static constexpr int kRows = 6;

    // `manager` must outlive the window.
    CMixerWnd(QWidget* owner, EqualizerManager& manager, int source);

    int Source() const { return source_; }
    int Inputs() const { return inputs_; }
    // The edit the arrow keys move to from the edit of (output, input).
    QString NeighbourEdit(int output, int input, bool forward) const;

  protected:
    void InitWindow() override;
    void Notify(const ui::Notification& notification) override;
    void OnLanguageChanged() override { ShowTitles(); }

  private:
    struct CellIndex {
        int output = -1;
        int input = -1;
    };
    // The (output, input) of a cell control's name ("box_edit_3_1"); nullopt when the name does
    // not end in a shown cell's numbers.
    std::optional<CellIndex> CellOf(const QString& name) const;

    void BuildMatrix();
    void ShowTitles();
    void ApplySizeRule();
    void ShowCell(CellIndex cell);
    void OnEnable(CellIndex cell);
    void OnSlider(CellIndex cell);
    void OnEditCommit(CellIndex cell);
    void OnEditStep(CellIndex cell, bool up);
    void FocusEdit(const QString& name);

    EqualizerManager& manager_;
    int source_;
    int inputs_ = 0;
    bool ready_ = false;
};

}  // namespace korvel
