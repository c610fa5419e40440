#include "uiframework/controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QStyleOptionFrame>
#include <QTextLayout>
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

// ---- ValueFieldUI ----

namespace {

// The margins QLineEdit keeps around its line of text inside the style's contents rectangle.
constexpr int kLineEditHorizontalMargin = 2;
constexpr int kLineEditVerticalMargin = 1;

}  // namespace

ValueFieldUI::ValueFieldUI(QWidget* parent) : QWidget(parent) {
    // As a line edit: focus by tab and click, the text cursor, its size policy.
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::IBeamCursor);
    setSizePolicy(QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed, QSizePolicy::LineEdit));
}

QString ValueFieldUI::text() const {
    return editor_ ? editor_->text() : text_;
}

void ValueFieldUI::setText(const QString& text) {
    text_ = text;
    if (editor_) {
        editor_->setText(text);
    } else {
        update();
    }
}

void ValueFieldUI::setAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    if (editor_) {
        editor_->setAlignment(alignment);
    }
    update();
}

EditUI* ValueFieldUI::Editor() {
    if (editor_ == nullptr) {
        auto* editor = new EditUI(this);
        editor->setObjectName(objectName());
        SetControlUserData(editor, ControlUserData(this));
        editor->setProperty("skin", property("skin"));
        editor->setAlignment(alignment_);
        editor->setText(text_);
        editor->setGeometry(rect());
        editor_ = editor;
        editor->show();
        if (!hasFocus()) {
            // A field with the focus passes it on itself, with the reason it got it for.
            setFocusProxy(editor);
        }
        setTabOrder(this, editor);  // tabbing on from the edit goes where it went from the field
    }
    return editor_;
}

QLineEdit* EditorOf(QWidget* control) {
    if (auto* field = qobject_cast<ValueFieldUI*>(control)) {
        return field->Editor();
    }
    return qobject_cast<QLineEdit*>(control);
}

QLineEdit* ExistingEditorOf(QWidget* control) {
    if (auto* field = qobject_cast<ValueFieldUI*>(control)) {
        return field->ExistingEditor();
    }
    return qobject_cast<QLineEdit*>(control);
}

QSize ValueFieldUI::HintFor(int textWidth) const {
    // QLineEdit's own size hints, so a field takes the place an edit would.
    const QFontMetrics fm(font());
    const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    const int height = qMax(fm.height(), qMax(14, iconSize - 2)) + 2 * kLineEditVerticalMargin;
    QStyleOptionFrame option;
    option.initFrom(this);
    option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    option.state |= QStyle::State_Sunken;
    return style()->sizeFromContents(QStyle::CT_LineEdit, &option,
                                     QSize(textWidth + 2 * kLineEditHorizontalMargin, height),
                                     this);
}

QSize ValueFieldUI::sizeHint() const {
    ensurePolished();
    return HintFor(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 17);
}

QSize ValueFieldUI::minimumSizeHint() const {
    ensurePolished();
    return HintFor(fontMetrics().maxWidth());
}

void ValueFieldUI::paintEvent(QPaintEvent* /*event*/) {
    if (editor_) {
        return;  // the edit covers the field
    }
    // Drawn the way QLineEdit draws an unfocused, unscrolled line: the style's panel, then the
    // text laid out alike and placed by the same rules, so the field looks just like its edit.
    QPainter painter(this);
    QStyleOptionFrame panel;
    panel.initFrom(this);
    panel.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &panel, this);
    panel.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &panel, this);
    painter.setClipRect(contents);

    QTextLayout layout(text_, font());
    QTextOption option;
    option.setTextDirection(layoutDirection());
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    layout.setTextOption(option);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();

    const QFontMetrics fm = fontMetrics();
    const int lineHeight = qMax(fm.boundingRect(text_).height(), fm.height());
    const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment_);
    int top = contents.y() + (contents.height() - lineHeight + 1) / 2;
    if (align & Qt::AlignTop) {
        top = contents.y() + kLineEditVerticalMargin;
    } else if (align & Qt::AlignBottom) {
        top = contents.bottom() + 1 - lineHeight - kLineEditVerticalMargin;
    }
    const QRect lineRect(contents.x() + kLineEditHorizontalMargin, top,
                         contents.width() - 2 * kLineEditHorizontalMargin, lineHeight);
    const int textWidth = qRound(line.naturalTextWidth());
    const int widthUsed = textWidth + 1;  // with room for the cursor
    int scroll = 0;
    if (widthUsed > lineRect.width()) {
        scroll = textWidth - lineRect.width() + 1;  // the end shows, as after setText
    } else if (align & Qt::AlignRight) {
        scroll = widthUsed - lineRect.width() + 1;
    } else if (align & Qt::AlignHCenter) {
        scroll = (widthUsed - lineRect.width()) / 2;
    }
    const QPoint topLeft = lineRect.topLeft() - QPoint(scroll, qRound(line.ascent()) - fm.ascent());
    painter.setPen(palette().text().color());
    layout.draw(&painter, topLeft, {}, contents);
}

void ValueFieldUI::focusInEvent(QFocusEvent* event) {
    // Given on, the reason keeps its meaning: tabbing in selects the value, as in any edit.
    EditUI* editor = Editor();
    editor->setFocus(event->reason());
    setFocusProxy(editor);
}

// A press or key that reaches the field itself goes to its edit, made first if need be: the
// press that focuses a field arrives after the focus has made the edit. The edit takes every
// press; what it ignores of keys passes on to the window through the field, and is not sent back.
// The rest of a forwarded press comes here too (the field holds the mouse until the button is
// released) and goes on to the edit.
void ValueFieldUI::mousePressEvent(QMouseEvent* event) {
    if (forwarding_) {
        event->ignore();
        return;
    }
    forwarding_ = true;
    QCoreApplication::sendEvent(Editor(), event);
    forwarding_ = false;
    pressForwarded_ = true;
    event->accept();  // the edit, and its parents if it ignored the press, have had it
}

void ValueFieldUI::mouseMoveEvent(QMouseEvent* event) {
    if (pressForwarded_) {
        QCoreApplication::sendEvent(editor_, event);
    } else {
        event->ignore();
    }
}

void ValueFieldUI::mouseReleaseEvent(QMouseEvent* event) {
    if (pressForwarded_) {
        pressForwarded_ = false;
        QCoreApplication::sendEvent(editor_, event);
    } else {
        event->ignore();
    }
}

void ValueFieldUI::keyPressEvent(QKeyEvent* event) {
    if (editor_ != nullptr) {
        event->ignore();  // one the edit ignored
        return;
    }
    QCoreApplication::sendEvent(Editor(), event);
    event->accept();
}

// A right-click on a field offers the edit's menu (paste, select all), as on any edit. The menu
// request is sent to the widget that was under the press, which is the field even when the press
// has just made the edit.
void ValueFieldUI::contextMenuEvent(QContextMenuEvent* event) {
    if (forwarding_) {
        event->ignore();  // the edit offers no menu; it goes on to the window
        return;
    }
    forwarding_ = true;
    QCoreApplication::sendEvent(Editor(), event);
    forwarding_ = false;
    event->accept();  // the edit, and its parents if it ignored the request, have had it
}

void ValueFieldUI::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (editor_) {
        editor_->setGeometry(rect());
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
