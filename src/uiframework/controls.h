#pragma once
// The framework's controls and the plumbing that turns their Qt signals into window
// notifications. Every notification names its control by object name and carries one of the
// type strings below; windows receive them in WindowImplBase::Notify.
//
// Notifications report what the user did. Setting a value from code (setValue, setChecked,
// setCurrentIndex) does not notify, so a window refreshing its controls from the model never
// feeds its own change back to the device.

#include <QLineEdit>
#include <QSlider>
#include <QString>
#include <QVariant>
#include <QWidget>

class QAbstractButton;
class QComboBox;
class QListWidget;
class QToolButton;

namespace korvel::ui {

namespace notify {
inline const QString kClick = QStringLiteral("click");
inline const QString kSelectChanged = QStringLiteral("selectchanged");
inline const QString kValueChanged = QStringLiteral("valuechanged");
inline const QString kMoveValueChanged = QStringLiteral("movevaluechanged");
inline const QString kValueChangedUp = QStringLiteral("valuechangedup");
inline const QString kValueChangedDown = QStringLiteral("valuechangeddown");
inline const QString kValueChangedLeft = QStringLiteral("valuechangedleft");
inline const QString kValueChangedRight = QStringLiteral("valuechangedright");
inline const QString kItemSelect = QStringLiteral("itemselect");
inline const QString kItemClick = QStringLiteral("itemclick");
inline const QString kItemActivate = QStringLiteral("itemactivate");
inline const QString kKillFocus = QStringLiteral("killfocus");
inline const QString kSetFocus = QStringLiteral("setfocus");
inline const QString kReturn = QStringLiteral("return");
}  // namespace notify

// Receives notifications; WindowImplBase is the one implementation windows use.
class NotifySink {
  public:
    virtual ~NotifySink() = default;
    virtual void SendNotify(QWidget* control, const QString& type) = 0;
};

// Sends a notification from `control` to the nearest window (ancestor) that is a NotifySink.
// Custom controls (graphs, progress rings) use this for their own notification types.
void NotifyFromControl(QWidget* control, const QString& type);

// Index carried by an indexed control ("eq_gain_%d" rows) as its user data; -1 when none.
int ControlIndex(const QWidget* control);
QString ControlUserData(const QWidget* control);
void SetControlUserData(QWidget* control, const QString& data);

// Texts may be language keys ("${confirm}") or plain strings. The raw text is kept on the
// control so a language change can translate it again.
void SetControlText(QWidget* control, const QString& raw);
QString ControlText(const QWidget* control);  // the text as shown
void SetControlToolTip(QWidget* control, const QString& raw);
void RetranslateControl(QWidget* control);

// Numeric edit with optional step buttons. Keys: Up/Down and the step buttons send
// "valuechangedup"/"valuechangeddown"; Left at the start and Right at the end of the text send
// "valuechangedleft"/"valuechangedright" (focus rings); Return/Enter sends "return"; focus in and
// out send "setfocus"/"killfocus".
class EditUI : public QLineEdit {
    Q_OBJECT
  public:
    explicit EditUI(QWidget* parent = nullptr);
    void SetStepButtonsVisible(bool visible);
    bool StepButtonsVisible() const { return stepsVisible_; }
    // The step buttons exist once they were first made visible (most edits never show them,
    // and a window has many edits); nullptr before.
    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void PlaceStepButtons();

    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    bool stepsVisible_ = false;
};

// A value field that looks like an EditUI of the same skin but is painted text until it is first
// edited: then an EditUI is made inside it, under the same name, index and skin, and takes over
// for good. A window with a hundred value fields builds and paints them at a fraction of the cost
// of line edits. Focusing, clicking or typing into the field makes its edit, which then sends the
// edit's notifications. Texts set through SetControlText/ControlText reach whichever shows.
class ValueFieldUI : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
  public:
    explicit ValueFieldUI(QWidget* parent = nullptr);
    QString text() const;
    void setText(const QString& text);
    void setAlignment(Qt::Alignment alignment);
    EditUI* Editor();  // made on the first call
    EditUI* ExistingEditor() const { return editor_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QSize HintFor(int textWidth) const;

    QString text_;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
    EditUI* editor_ = nullptr;
    bool forwarding_ = false;
    bool pressForwarded_ = false;  // a press went on to the edit; so does its rest
};

// The line edit behind `control`: the control itself when it is one, a value field's edit (made
// now if need be), or nullptr. ExistingEditorOf never makes one.
QLineEdit* EditorOf(QWidget* control);
QLineEdit* ExistingEditorOf(QWidget* control);

// Slider: "movevaluechanged" while the handle is dragged, "valuechanged" when it is released and
// for keyboard, wheel and page steps.
class SliderUI : public QSlider {
    Q_OBJECT
  public:
    explicit SliderUI(Qt::Orientation orientation, QWidget* parent = nullptr);

  private:
    bool userAction_ = false;
};

// Wiring of the plain Qt controls the layouts create.
void WireButton(QAbstractButton* button);  // "click"
void WireOption(QAbstractButton* option);  // "click", then "selectchanged" when the state changed
void WireCombo(QComboBox* combo);          // "itemselect"
void WireList(
    QListWidget* list);  // "itemselect" (any current-row change), "itemclick", "itemactivate"

// Items whose texts follow language changes.
void AddComboItem(QComboBox* combo, const QString& raw, const QVariant& data = {});
void AddListItem(QListWidget* list, const QString& raw);

}  // namespace korvel::ui
