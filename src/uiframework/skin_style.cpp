#include "uiframework/skin_style.h"

#include <qdrawutil.h>
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QIcon>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOption>
#include <algorithm>

#include "uiframework/dpi_scale.h"

namespace korvel::ui {

namespace {

constexpr char kSkinProperty[] = "skin";

bool Has(const QStyleOption* option, QStyle::StateFlag flag) {
    return option != nullptr && (option->state & flag);
}

bool InState(const QStyleOption* option, SkinState state) {
    switch (state) {
        case SkinState::Hover:
            return Has(option, QStyle::State_MouseOver);
        case SkinState::Pressed:
            return Has(option, QStyle::State_Sunken);
        case SkinState::Checked:
            return Has(option, QStyle::State_On);
        case SkinState::Focus:
            return Has(option, QStyle::State_HasFocus);
        case SkinState::Disabled:
            return option != nullptr && !(option->state & QStyle::State_Enabled);
    }
    return false;
}

bool HasLayer(const SkinLook& look, SkinState state) {
    return std::any_of(look.layers.begin(), look.layers.end(),
                       [state](const SkinLayer& layer) { return layer.state == state; });
}

// The text colour of a disabled control: its disabled box's, then any disabled layer's.
QColor DisabledText(const SkinLook& look) {
    QColor text = look.disabled ? look.disabled->text : look.normal.text;
    for (const SkinLayer& layer : look.layers) {
        if (layer.state == SkinState::Disabled && layer.text) {
            text = *layer.text;
        }
    }
    return text;
}

}  // namespace

SkinStyle::SkinStyle(QStyle* base) : QProxyStyle(base) {}

SkinStyle::~SkinStyle() = default;

SkinStyle* SkinStyle::Application() {
    return qobject_cast<SkinStyle*>(QApplication::style());
}

void SkinStyle::AddLook(const QByteArray& className, const QString& skin, const SkinLook& look) {
    looks_.insert(Key{className, skin}, look);
    classesWithLooks_.insert(className);
    lookClassesOf_.clear();
    lookPalettes_.clear();
}

const SkinLook* SkinStyle::LookOf(const QWidget* widget) const {
    return widget == nullptr ? nullptr : painted_.value(widget, nullptr);
}

const SkinCombo* SkinStyle::PopupComboOf(const QWidget* widget) const {
    // A combo box's list lives in a private container whose parent is the combo box itself;
    // while the combo box builds them, the list's parent is still the combo box.
    const QWidget* parent = widget ? widget->parentWidget() : nullptr;
    if (parent == nullptr) {
        return nullptr;
    }
    const QComboBox* combo = nullptr;
    if (widget->inherits("QComboBoxPrivateContainer")) {
        combo = qobject_cast<const QComboBox*>(parent);
    } else if (qobject_cast<const QAbstractItemView*>(widget)) {
        combo = qobject_cast<const QComboBox*>(
            parent->inherits("QComboBoxPrivateContainer") ? parent->parentWidget() : parent);
    }
    const SkinLook* look = LookOf(combo);
    return look && look->combo ? &*look->combo : nullptr;
}

void SkinStyle::PolishPopupList(QWidget* widget, const SkinCombo& combo) const {
    QPalette palette = widget->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, combo.popupBackground);
        palette.setColor(group, QPalette::Base, combo.popupBackground);
        palette.setColor(group, QPalette::Text, combo.popupText);
        palette.setColor(group, QPalette::HighlightedText, combo.popupText);
        palette.setColor(group, QPalette::Highlight, combo.popupSelection);
    }
    widget->setPalette(palette);
    if (auto* view = qobject_cast<QAbstractItemView*>(widget)) {
        // A list built before its combo box was polished placed its items at their unskinned
        // heights; they are placed again at the skin's.
        view->doItemsLayout();
    }
}

const QList<QByteArray>& SkinStyle::LookClassesOf(const QMetaObject* meta) const {
    const auto known = lookClassesOf_.constFind(meta);
    if (known != lookClassesOf_.constEnd()) {
        return known.value();
    }
    QList<QByteArray> classes;
    for (const QMetaObject* base = meta; base; base = base->superClass()) {
        const QByteArray className(base->className());
        if (classesWithLooks_.contains(className)) {
            classes.append(className);
        }
    }
    return lookClassesOf_.insert(meta, classes).value();
}

const SkinLook* SkinStyle::FindLook(const QWidget* widget) const {
    // Under a style sheet the sheet paints; this style is then only its base.
    if (looks_.isEmpty() || widget->style() != this) {
        return nullptr;
    }
    if (LookClassesOf(widget->metaObject()).isEmpty()) {
        return nullptr;
    }
    return FindLook(widget, widget->property(kSkinProperty).toString());
}

const SkinLook* SkinStyle::FindLook(const QWidget* widget, const QString& skin) const {
    if (looks_.isEmpty() || widget->style() != this) {
        return nullptr;
    }
    for (const QByteArray& className : LookClassesOf(widget->metaObject())) {
        const auto it = looks_.constFind(Key{className, skin});
        if (it == looks_.constEnd()) {
            continue;
        }
        if (!it->variantProperty.isEmpty()) {
            const QString value = widget->property(it->variantProperty.constData()).toString();
            const auto variant = looks_.constFind(Key{className, skin + QLatin1Char(':') + value});
            if (!value.isEmpty() && variant != looks_.constEnd()) {
                return &variant.value();
            }
        }
        return &it.value();
    }
    return nullptr;
}

void SkinStyle::SetLookFont(QWidget* widget, const SkinLook& look) const {
    QFont font = widget->font();
    font.setPixelSize(qMax(1, ScaleLength(look.fontPixels, percent_)));
    font.setWeight(QFont::Weight(look.fontWeight));
    if (!(font == widget->font())) {
        widget->setFont(font);
    }
}

void SkinStyle::ApplyBaseFont(QWidget* window) const {
    SetLookFont(window, SkinLook{});
}

void SkinStyle::ApplyLookFont(QWidget* widget) const {
    if (const SkinLook* look = FindLook(widget)) {
        SetLookFont(widget, *look);
    }
}

void SkinStyle::ApplyLookFont(QWidget* widget, const QString& skin) const {
    if (const SkinLook* look = FindLook(widget, skin)) {
        SetLookFont(widget, *look);
    }
}

QPalette SkinStyle::LookPalette(const SkinLook& look, const QPalette& inherited) const {
    // Most controls inherit one palette, so each look's result is worked out once.
    const std::pair<const SkinLook*, qint64> key(&look, inherited.cacheKey());
    if (const auto known = lookPalettes_.constFind(key); known != lookPalettes_.constEnd()) {
        return known.value();
    }
    QPalette palette = inherited;
    auto setText = [&](QPalette::ColorGroup group, const QColor& color) {
        if (color.isValid()) {
            for (QPalette::ColorRole role :
                 {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
                palette.setColor(group, role, color);
            }
        }
    };
    setText(QPalette::Active, look.normal.text);
    setText(QPalette::Inactive, look.normal.text);
    setText(QPalette::Disabled, DisabledText(look));
    if (look.selection.isValid()) {
        palette.setColor(QPalette::Highlight, look.selection);
        palette.setColor(QPalette::HighlightedText, look.selectionText);
    }
    lookPalettes_.insert(key, palette);
    return palette;
}

void SkinStyle::polish(QWidget* widget) {
    QProxyStyle::polish(widget);
    if (const SkinCombo* combo = PopupComboOf(widget)) {
        PolishPopupList(widget, *combo);
        return;
    }
    const SkinLook* look = FindLook(widget);
    if (look == nullptr) {
        painted_.remove(widget);
        return;
    }
    painted_.insert(widget, look);
    connect(widget, &QObject::destroyed, this, &SkinStyle::Forget, Qt::UniqueConnection);

    SetLookFont(widget, *look);

    const QPalette palette = LookPalette(*look, widget->palette());
    if (!(palette == widget->palette())) {
        widget->setPalette(palette);
    }

    if (look->hover || HasLayer(*look, SkinState::Hover)) {
        widget->setAttribute(Qt::WA_Hover);
    }
    if (look->width) {
        const QMargins inset = Inset(look->normal);
        widget->setFixedWidth(Scaled(*look->width) + inset.left() + inset.right());
    }
    if (look->minHeight) {
        const QMargins inset = Inset(look->normal);
        widget->setMinimumHeight(Scaled(*look->minHeight) + inset.top() + inset.bottom());
    }
    if (auto* frame = qobject_cast<QFrame*>(widget)) {
        if (look->normal.background.isValid() || !look->normal.gradient.isEmpty() ||
            !look->normal.borderWidth.isNull()) {
            frame->setAttribute(Qt::WA_StyledBackground);
        }
        // Lays the frame's contents inside its border and padding (subElementRect below).
        frame->setFrameStyle(frame->frameStyle());
    }
}

void SkinStyle::unpolish(QWidget* widget) {
    QProxyStyle::unpolish(widget);
}

void SkinStyle::Forget(QObject* object) {
    painted_.remove(static_cast<QWidget*>(object));
}

int SkinStyle::Scaled(int length) const {
    if (length == 0) {
        return 0;
    }
    const int scaled = qMax(1, ScaleLength(qAbs(length), percent_));
    return length < 0 ? -scaled : scaled;
}

QMargins SkinStyle::Scaled(const QMargins& margins) const {
    return {Scaled(margins.left()), Scaled(margins.top()), Scaled(margins.right()),
            Scaled(margins.bottom())};
}

QMargins SkinStyle::Inset(const SkinBox& box) const {
    return Scaled(box.borderWidth) + Scaled(box.padding);
}

SkinBox SkinStyle::BoxFor(const SkinLook& look, const QStyleOption* option) const {
    SkinBox box = StateBoxFor(look, option);
    for (const SkinLayer& layer : look.layers) {
        if (!InState(option, layer.state)) {
            continue;
        }
        box.background = layer.background.value_or(box.background);
        box.border = layer.border.value_or(box.border);
        box.text = layer.text.value_or(box.text);
    }
    return box;
}

const SkinBox& SkinStyle::StateBoxFor(const SkinLook& look, const QStyleOption* option) const {
    if (look.disabled && !Has(option, State_Enabled)) {
        return *look.disabled;
    }
    if (look.pressed && Has(option, State_Sunken)) {
        return *look.pressed;
    }
    if (look.checked && Has(option, State_On)) {
        return *look.checked;
    }
    if (look.hover && Has(option, State_MouseOver)) {
        return *look.hover;
    }
    if (look.focus && Has(option, State_HasFocus)) {
        return *look.focus;
    }
    return look.normal;
}

const SkinBox& SkinStyle::IndicatorBoxFor(const SkinIndicator& indicator,
                                          const QStyleOption* option) const {
    if (indicator.disabled && !Has(option, State_Enabled)) {
        return *indicator.disabled;
    }
    if (indicator.checked && Has(option, State_On)) {
        return *indicator.checked;
    }
    if (indicator.hover && Has(option, State_MouseOver)) {
        return *indicator.hover;
    }
    return indicator.normal;
}

void SkinStyle::PaintBox(QPainter* painter, const QRect& rect, const SkinBox& box) const {
    const QMargins border = box.border.isValid() ? Scaled(box.borderWidth) : QMargins();
    const int radius = Scaled(box.radius);
    QBrush fill(box.background);
    if (!box.gradient.isEmpty()) {
        QLinearGradient gradient(QRectF(rect).topLeft(), QRectF(rect).bottomLeft());
        gradient.setStops(box.gradient);
        fill = QBrush(gradient);
    }
    const bool filled = box.background.isValid() || !box.gradient.isEmpty();
    painter->save();
    if (radius > 0) {
        painter->setRenderHint(QPainter::Antialiasing, true);
        QPainterPath outer;
        outer.addRoundedRect(QRectF(rect), radius, radius);
        if (filled) {
            painter->fillPath(outer, fill);
        }
        if (!border.isNull()) {
            const QRectF innerRect = QRectF(rect).marginsRemoved(QMarginsF(border));
            const qreal innerRadius = qMax<qreal>(0, radius - border.left());
            QPainterPath inner;
            inner.addRoundedRect(innerRect, innerRadius, innerRadius);
            painter->fillPath(outer.subtracted(inner), box.border);
        }
    } else {
        if (filled) {
            painter->fillRect(rect, fill);
        }
        if (!border.isNull()) {
            const QRect r = rect;
            painter->fillRect(QRect(r.left(), r.top(), r.width(), border.top()), box.border);
            painter->fillRect(
                QRect(r.left(), r.bottom() - border.bottom() + 1, r.width(), border.bottom()),
                box.border);
            painter->fillRect(QRect(r.left(), r.top(), border.left(), r.height()), box.border);
            painter->fillRect(
                QRect(r.right() - border.right() + 1, r.top(), border.right(), r.height()),
                box.border);
        }
    }
    painter->restore();
}

void SkinStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                              QPainter* painter, const QWidget* widget) const {
    if (element == PE_PanelTipLabel && toolTip_) {
        PaintBox(painter, option->rect, *toolTip_);
        return;
    }
    if (element == PE_PanelItemViewItem) {
        if (const SkinCombo* combo = PopupComboOf(widget)) {
            if (Has(option, State_Selected)) {
                SkinBox item;
                item.background = combo->popupSelection;
                item.border = combo->popupSelectionOutline;
                item.borderWidth = QMargins(1, 1, 1, 1);
                PaintBox(painter, option->rect, item);
            }
            return;
        }
    }
    if (const SkinLook* look = LookOf(widget)) {
        switch (element) {
            case PE_Widget:
            case PE_PanelLineEdit:
                PaintBox(painter, option->rect, BoxFor(*look, option));
                return;
            case PE_FrameLineEdit:
            case PE_FrameFocusRect:
                return;
            case PE_IndicatorCheckBox:
                if (look->indicator) {
                    const SkinBox& box = IndicatorBoxFor(*look->indicator, option);
                    PaintBox(painter, option->rect, box);
                    if (Has(option, State_On) && !look->indicator->checkImage.isEmpty()) {
                        const QPixmap check(look->indicator->checkImage);
                        const QRect inner = option->rect.marginsRemoved(Inset(box));
                        QRect target(QPoint(), check.size().boundedTo(inner.size()));
                        target.moveCenter(inner.center());
                        painter->drawPixmap(target, check);
                    }
                    return;
                }
                break;
            default:
                break;
        }
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void SkinStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const {
    if (element == CE_ShapedFrame) {
        if (const SkinCombo* combo = PopupComboOf(widget)) {
            SkinBox frame;
            frame.border = combo->popupBorder;
            frame.borderWidth = QMargins(1, 1, 1, 1);
            PaintBox(painter, option->rect, frame);
            return;
        }
    }
    const SkinLook* look = LookOf(widget);
    const auto* comboOption = qstyleoption_cast<const QStyleOptionComboBox*>(option);
    if (look != nullptr && look->combo && comboOption != nullptr && element == CE_ComboBoxLabel) {
        // The current text at the field's left edge, without the base style's extra margin.
        const QRect field = subControlRect(CC_ComboBox, comboOption, SC_ComboBoxEditField, widget);
        drawItemText(painter, field, Qt::AlignLeft | Qt::AlignVCenter, option->palette,
                     Has(option, State_Enabled), comboOption->currentText, QPalette::ButtonText);
        return;
    }
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (look != nullptr && look->indicator && button != nullptr && element == CE_CheckBox) {
        QStyleOptionButton part = *button;
        part.rect = subElementRect(SE_CheckBoxIndicator, option, widget);
        drawPrimitive(PE_IndicatorCheckBox, &part, painter, widget);
        if (!button->text.isEmpty()) {
            part.rect = option->rect;
            part.rect.setLeft(part.rect.left() + Scaled(look->indicator->size) + 2 * Scaled(1) +
                              Scaled(8));
            QProxyStyle::drawControl(CE_CheckBoxLabel, &part, painter, widget);
        }
        return;
    }
    if (look == nullptr || button == nullptr || element != CE_PushButton) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const SkinBox box = BoxFor(*look, option);
    PaintBox(painter, option->rect, box);
    const QRect contents = option->rect.marginsRemoved(Inset(box));
    if (!look->image.isEmpty()) {
        QIcon(look->image).paint(painter, contents, Qt::AlignCenter);
    }
    painter->save();
    painter->setPen(box.text.isValid() ? box.text : option->palette.buttonText().color());
    painter->drawText(contents, int(look->textAlignment) | Qt::TextShowMnemonic, button->text);
    painter->restore();
}

QRect SkinStyle::SliderGroove(const SkinSlider& slider, const QStyleOptionComplex* option) const {
    const auto* options = qstyleoption_cast<const QStyleOptionSlider*>(option);
    const QRect r = option->rect;
    const int thickness = Scaled(slider.grooveThickness);
    if (options != nullptr && options->orientation == Qt::Vertical) {
        return {r.left() + (r.width() - thickness) / 2, r.top(), thickness, r.height()};
    }
    return {r.left(), r.top() + (r.height() - thickness) / 2, r.width(), thickness};
}

QRect SkinStyle::SliderHandle(const SkinSlider& slider, const QStyleOptionComplex* option) const {
    const auto* options = qstyleoption_cast<const QStyleOptionSlider*>(option);
    const QRect groove = SliderGroove(slider, option);
    if (options == nullptr) {
        return groove;
    }
    const bool vertical = options->orientation == Qt::Vertical;
    // The handle's length with its border, moved along the groove as a sheet moves it.
    const int length = Scaled(slider.handleLength) + 2 * Scaled(1);
    const int overhang = Scaled(slider.handleOverhang);
    const int span = (vertical ? groove.height() : groove.width()) - length;
    const int position = sliderPositionFromValue(
        options->minimum, options->maximum, options->sliderPosition, span, options->upsideDown);
    if (vertical) {
        return {groove.left() - overhang, groove.top() + position, groove.width() + 2 * overhang,
                length};
    }
    return {groove.left() + position, groove.top() - overhang, length,
            groove.height() + 2 * overhang};
}

void SkinStyle::PaintSlider(const SkinLook& look, const QStyleOptionComplex* option,
                            QPainter* painter) const {
    const SkinSlider& slider = *look.slider;
    const auto* options = qstyleoption_cast<const QStyleOptionSlider*>(option);
    const bool vertical = options != nullptr && options->orientation == Qt::Vertical;
    const QRect groove = SliderGroove(slider, option);
    const QRect handle = SliderHandle(slider, option);
    SkinBox part;
    part.radius = slider.grooveRadius;
    part.background = slider.groove;
    PaintBox(painter, groove, part);
    // Before the handle's middle and after it, as the sheet's sub-page and add-page.
    QRect before = vertical ? QRect(groove.topLeft(), QPoint(groove.right(), handle.center().y()))
                            : QRect(groove.topLeft(), QPoint(handle.center().x(), groove.bottom()));
    QRect after = vertical
                      ? QRect(QPoint(groove.left(), handle.center().y() + 1), groove.bottomRight())
                      : QRect(QPoint(handle.center().x() + 1, groove.top()), groove.bottomRight());
    if (slider.subPage.isValid()) {
        part.background = slider.subPage;
        PaintBox(painter, before, part);
    }
    if (slider.addPage.isValid()) {
        part.background = slider.addPage;
        PaintBox(painter, after, part);
    }
    SkinBox knob;
    knob.background = slider.handle;
    knob.border = slider.handleBorder;
    knob.borderWidth = QMargins(1, 1, 1, 1);
    knob.radius = slider.handleRadius;
    PaintBox(painter, handle, knob);
}

void SkinStyle::PaintToolButton(const SkinLook& look, const QStyleOptionComplex* option,
                                QPainter* painter, const QWidget* widget) const {
    const auto* tool = qstyleoption_cast<const QStyleOptionToolButton*>(option);
    const SkinBox box = BoxFor(look, option);
    PaintBox(painter, option->rect, box);
    if (tool == nullptr || tool->arrowType == Qt::NoArrow) {
        return;
    }
    QStyleOption arrow = *option;
    arrow.rect = option->rect.marginsRemoved(Inset(box));
    const PrimitiveElement element = tool->arrowType == Qt::UpArrow     ? PE_IndicatorArrowUp
                                     : tool->arrowType == Qt::DownArrow ? PE_IndicatorArrowDown
                                     : tool->arrowType == Qt::LeftArrow ? PE_IndicatorArrowLeft
                                                                        : PE_IndicatorArrowRight;
    QProxyStyle::drawPrimitive(element, &arrow, painter, widget);
}

QRect SkinStyle::ComboDropDown(const SkinLook& look, const QRect& rect) const {
    const QRect inside = rect.marginsRemoved(Scaled(look.normal.borderWidth));
    const int width = Scaled(look.combo->dropDownWidth);
    return {inside.right() - width + 1, inside.top(), width, inside.height()};
}

void SkinStyle::PaintCombo(const SkinLook& look, const QStyleOptionComplex* option,
                           QPainter* painter, const QWidget* widget) const {
    const SkinCombo& combo = *look.combo;
    PaintBox(painter, option->rect, BoxFor(look, option));
    const QRect dropDown = ComboDropDown(look, option->rect);
    QPalette bevel;
    bevel.setColor(QPalette::Light, combo.bevelOuterLight);
    bevel.setColor(QPalette::Shadow, combo.bevelOuterShadow);
    bevel.setColor(QPalette::Button, combo.bevelInnerLight);
    bevel.setColor(QPalette::Dark, combo.bevelInnerShadow);
    qDrawWinButton(painter, dropDown, bevel, false, nullptr);
    QStyleOption arrow = *option;
    arrow.rect = dropDown;
    QProxyStyle::drawPrimitive(PE_IndicatorArrowDown, &arrow, painter, widget);
}

void SkinStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                   QPainter* painter, const QWidget* widget) const {
    const SkinLook* look = LookOf(widget);
    if (control == CC_Slider && look != nullptr && look->slider) {
        PaintSlider(*look, option, painter);
        return;
    }
    if (control == CC_ToolButton && look != nullptr) {
        PaintToolButton(*look, option, painter, widget);
        return;
    }
    if (control == CC_ComboBox && look != nullptr && look->combo) {
        PaintCombo(*look, option, painter, widget);
        return;
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

QRect SkinStyle::subElementRect(SubElement element, const QStyleOption* option,
                                const QWidget* widget) const {
    if (element == SE_ItemViewItemText) {
        if (const SkinCombo* combo = PopupComboOf(widget)) {
            return QProxyStyle::subElementRect(element, option, widget)
                .adjusted(Scaled(combo->popupTextIndent), 0, 0, 0);
        }
    }
    if (const SkinLook* look = LookOf(widget)) {
        switch (element) {
            case SE_LineEditContents:
            case SE_ShapedFrameContents:
            case SE_FrameContents:
                return option->rect.marginsRemoved(look->bordersInsetContents
                                                       ? Inset(look->normal)
                                                       : Scaled(look->normal.padding));
            case SE_CheckBoxIndicator:
                if (look->indicator) {
                    const int size = Scaled(look->indicator->size) + 2 * Scaled(1);
                    const QRect r = option->rect;
                    return {r.left(), r.top() + (r.height() - size) / 2, size, size};
                }
                break;
            case SE_FrameLayoutItem:
            case SE_PushButtonLayoutItem:
            case SE_SliderLayoutItem:
                return option->rect;
            default:
                break;
        }
    }
    return QProxyStyle::subElementRect(element, option, widget);
}

QRect SkinStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                SubControl subControl, const QWidget* widget) const {
    const SkinLook* look = LookOf(widget);
    if (control == CC_Slider && look != nullptr && look->slider) {
        if (subControl == SC_SliderGroove) {
            return SliderGroove(*look->slider, option);
        }
        if (subControl == SC_SliderHandle) {
            return SliderHandle(*look->slider, option);
        }
    }
    if (control == CC_ComboBox && look != nullptr && look->combo) {
        switch (subControl) {
            case SC_ComboBoxArrow:
                return ComboDropDown(*look, option->rect);
            case SC_ComboBoxEditField: {
                QRect field = option->rect.marginsRemoved(Inset(look->normal));
                field.setRight(ComboDropDown(*look, option->rect).left() - 1);
                return field;
            }
            case SC_ComboBoxFrame:
            case SC_ComboBoxListBoxPopup:
                return option->rect;
            default:
                break;
        }
    }
    return QProxyStyle::subControlRect(control, option, subControl, widget);
}

int SkinStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                           const QWidget* widget) const {
    if (const SkinLook* look = LookOf(widget)) {
        switch (metric) {
            case PM_DefaultFrameWidth:
                return 0;
            case PM_SliderLength:
                if (look->slider) {
                    return Scaled(look->slider->handleLength) + 2 * Scaled(1);
                }
                break;
            default:
                break;
        }
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

QSize SkinStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                  const QWidget* widget) const {
    if (type == CT_ItemViewItem) {
        if (const SkinCombo* combo = PopupComboOf(widget)) {
            return QProxyStyle::sizeFromContents(type, option, size, widget) +
                   QSize(Scaled(combo->popupTextIndent), Scaled(combo->popupItemPadding));
        }
    }
    if (const SkinLook* look = LookOf(widget)) {
        const QMargins inset = Inset(look->normal);
        switch (type) {
            case CT_PushButton:
            case CT_LineEdit: {
                QSize result = size.grownBy(inset);
                if (look->minHeight) {
                    result.setHeight(qMax(result.height(),
                                          Scaled(*look->minHeight) + inset.top() + inset.bottom()));
                }
                return result;
            }
            default:
                break;
        }
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

int SkinStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returnData) const {
    if (hint == SH_ComboBox_PopupFrameStyle) {
        // The list's container draws the popup's one hairline border (drawControl). It is set
        // before the popup is sized, so the list fits inside it.
        if (const SkinLook* look = LookOf(widget); look && look->combo) {
            return QFrame::Box | QFrame::Plain;
        }
    }
    if (hint == SH_ComboBox_Popup) {
        // A skinned combo box opens a plain list below it, not a menu over its current item.
        if (const SkinLook* look = widget ? FindLook(widget) : nullptr; look && look->combo) {
            return 0;
        }
    }
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

}  // namespace korvel::ui
