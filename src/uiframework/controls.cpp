#include "uiframework/controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>

#include "uiframework/language.h"

namespace korvel::ui {

namespace {

constexpr char kRawTextProperty[] = "k_text";
constexpr char kRawToolTipProperty[] = "k_tooltip";
constexpr char kUserDataProperty[] = "userdata";
// Set between a button's "pressed" and its "clicked": did this click change the check state?
constexpr char kToggledProperty[] = "k_toggled";
constexpr int kRawItemRole = Qt::UserRole + 100;

void ShowText(QWidget* control, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(text);
    } else if (control->isWindow()) {
        control->setWindowTitle(text);
    } else {
        control->setProperty("text", text);
    }
}

// Keeps `raw` in `property` when it holds a text key, and drops a key kept before otherwise.
// Dropping is skipped when there is nothing to drop: even that searches every declared property
// of the control's class first, and most controls never carry one.
void KeepRawText(QWidget* control, const char* property, const QString& raw) {
    if (LanguageManager::ContainsKey(raw)) {
        control->setProperty(property, raw);
    } else if (control->dynamicPropertyNames().contains(property)) {
        control->setProperty(property, QVariant());
    }
}

}  // namespace

void NotifyFromControl(QWidget* control, const QString& type) {
    for (QWidget* w = control; w != nullptr; w = w->parentWidget()) {
        if (auto* sink = dynamic_cast<NotifySink*>(w)) {
            sink->SendNotify(control, type);
            return;
        }
    }
}

QString ControlUserData(const QWidget* control) {
    return control ? control->property(kUserDataProperty).toString() : QString();
}

int ControlIndex(const QWidget* control) {
    bool ok = false;
    const int index = ControlUserData(control).toInt(&ok);
    return ok ? index : -1;
}

void SetControlUserData(QWidget* control, const QString& data) {
    control->setProperty(kUserDataProperty, data);
}

void SetControlText(QWidget* control, const QString& raw) {
    if (control == nullptr) {
        return;
    }
    // Only keep the raw form when it needs translating: a plain text typed into an edit must not
    // be restored over the user's later input by a language change.
    KeepRawText(control, kRawTextProperty, raw);
    ShowText(control, Tr(raw));
}

QString ControlText(const QWidget* control) {
    if (control == nullptr) {
        return {};
    }
    if (auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) {
        return button->text();
    }
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) {
        return edit->text();
    }
    if (auto* combo = qobject_cast<const QComboBox*>(control)) {
        return combo->currentText();
    }
    if (control->isWindow()) {
        return control->windowTitle();
    }
    return control->property("text").toString();
}

void SetControlToolTip(QWidget* control, const QString& raw) {
    KeepRawText(control, kRawToolTipProperty, raw);
    control->setToolTip(Tr(raw));
}

void RetranslateControl(QWidget* control) {
    const QVariant raw = control->property(kRawTextProperty);
    if (raw.isValid()) {
        ShowText(control, Tr(raw.toString()));
    }
    const QVariant tip = control->property(kRawToolTipProperty);
    if (tip.isValid()) {
        control->setToolTip(Tr(tip.toString()));
    }
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        for (int i = 0; i < combo->count(); ++i) {
            const QVariant item = combo->itemData(i, kRawItemRole);
            if (item.isValid()) {
                combo->setItemText(i, Tr(item.toString()));
            }
        }
    }
    if (auto* list = qobject_cast<QListWidget*>(control)) {
        for (int i = 0; i < list->count(); ++i) {
            const QVariant item = list->item(i)->data(kRawItemRole);
            if (item.isValid()) {
                list->item(i)->setText(Tr(item.toString()));
            }
        }
    }
}

// ---- EditUI ----

EditUI::EditUI(QWidget* parent) : QLineEdit(parent) {}

void EditUI::SetStepButtonsVisible(bool visible) {
    stepsVisible_ = visible;
    if (visible && up_ == nullptr) {
        auto makeStep = [this](Qt::ArrowType arrow, const QString& type) {
            auto* button = new QToolButton(this);
            button->setArrowType(arrow);
            button->setFocusPolicy(Qt::NoFocus);  // stepping must not take the focus from the edit
            button->setAutoRepeat(true);
            button->setCursor(Qt::ArrowCursor);
            button->setProperty("skin", QStringLiteral("step"));
            connect(button, &QToolButton::clicked, this,
                    [this, type] { NotifyFromControl(this, type); });
            return button;
        };
        up_ = makeStep(Qt::UpArrow, notify::kValueChangedUp);
        down_ = makeStep(Qt::DownArrow, notify::kValueChangedDown);
    }
    // New buttons of an edit not shown yet are left to appear with it: showing them now would
    // style them ahead of the window. Shown or hidden explicitly, they are shown explicitly.
    if (up_ != nullptr &&
        (!visible || isVisible() || up_->testAttribute(Qt::WA_WState_ExplicitShowHide))) {
        up_->setVisible(visible);
        down_->setVisible(visible);
    }
    PlaceStepButtons();
}

void EditUI::PlaceStepButtons() {
    if (!stepsVisible_) {
        setTextMargins(0, 0, 0, 0);
        return;
    }
    const int buttonWidth = qMax(10, height() * 2 / 3);
    const int half = height() / 2;
    up_->setGeometry(width() - buttonWidth - 1, 1, buttonWidth, half - 1);
    down_->setGeometry(width() - buttonWidth - 1, half, buttonWidth, height() - half - 1);
    setTextMargins(0, 0, buttonWidth, 0);
}

void EditUI::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    PlaceStepButtons();
}

void EditUI::keyPressEvent(QKeyEvent* event) {
    const bool noSelection = !hasSelectedText();
    switch (event->key()) {
        case Qt::Key_Up:
            NotifyFromControl(this, notify::kValueChangedUp);
            return;
        case Qt::Key_Down:
            NotifyFromControl(this, notify::kValueChangedDown);
            return;
        case Qt::Key_Left:
            if (noSelection && cursorPosition() == 0 && event->modifiers() == Qt::NoModifier) {
                NotifyFromControl(this, notify::kValueChangedLeft);
                return;
            }
            break;
        case Qt::Key_Right:
            if (noSelection && cursorPosition() == text().size() &&
                event->modifiers() == Qt::NoModifier) {
                NotifyFromControl(this, notify::kValueChangedRight);
                return;
            }
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Accepted here so a dialog's default button does not fire as well.
            event->accept();
            NotifyFromControl(this, notify::kReturn);
            return;
        default:
            break;
    }
    QLineEdit::keyPressEvent(event);
}

void EditUI::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    NotifyFromControl(this, notify::kSetFocus);
}

void EditUI::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A context menu of the edit itself is not a loss of focus for the value being typed.
    if (event->reason() != Qt::PopupFocusReason) {
        NotifyFromControl(this, notify::kKillFocus);
    }
}

// ---- SliderUI ----

SliderUI::SliderUI(Qt::Orientation orientation, QWidget* parent) : QSlider(orientation, parent) {
    setTracking(true);
    // actionTriggered precedes the value change it causes; a programmatic setValue has no action.
    connect(this, &QSlider::actionTriggered, this,
            [this](int) { userAction_ = sliderPosition() != value(); });
    connect(this, &QSlider::valueChanged, this, [this](int) {
        if (!userAction_) {
            return;
        }
        userAction_ = false;
        NotifyFromControl(this, isSliderDown() ? notify::kMoveValueChanged : notify::kValueChanged);
    });
    connect(this, &QSlider::sliderReleased, this,
            [this] { NotifyFromControl(this, notify::kValueChanged); });
}

// ---- plain Qt controls ----

void WireButton(QAbstractButton* button) {
    QObject::connect(button, &QAbstractButton::clicked, button,
                     [button] { NotifyFromControl(button, notify::kClick); });
}

void WireOption(QAbstractButton* option) {
    option->setCheckable(true);
    QObject::connect(option, &QAbstractButton::pressed, option,
                     [option] { option->setProperty(kToggledProperty, false); });
    QObject::connect(option, &QAbstractButton::toggled, option,
                     [option] { option->setProperty(kToggledProperty, true); });
    QObject::connect(option, &QAbstractButton::clicked, option, [option] {
        const bool changed = option->property(kToggledProperty).toBool();
        option->setProperty(kToggledProperty, false);
        NotifyFromControl(option, notify::kClick);
        if (changed) {
            NotifyFromControl(option, notify::kSelectChanged);
        }
    });
}

void WireCombo(QComboBox* combo) {
    QObject::connect(combo, &QComboBox::activated, combo,
                     [combo] { NotifyFromControl(combo, notify::kItemSelect); });
}

void WireList(QListWidget* list) {
    QObject::connect(list, &QListWidget::currentRowChanged, list,
                     [list] { NotifyFromControl(list, notify::kItemSelect); });
    QObject::connect(list, &QListWidget::itemClicked, list,
                     [list] { NotifyFromControl(list, notify::kItemClick); });
    QObject::connect(list, &QListWidget::itemActivated, list,
                     [list] { NotifyFromControl(list, notify::kItemActivate); });
}

void AddComboItem(QComboBox* combo, const QString& raw, const QVariant& data) {
    combo->addItem(Tr(raw), data);
    if (LanguageManager::ContainsKey(raw)) {
        combo->setItemData(combo->count() - 1, raw, kRawItemRole);
    }
}

void AddListItem(QListWidget* list, const QString& raw) {
    auto* item = new QListWidgetItem(Tr(raw), list);  // owned by the list
    if (LanguageManager::ContainsKey(raw)) {
        item->setData(kRawItemRole, raw);
    }
}

}  // namespace korvel::ui
