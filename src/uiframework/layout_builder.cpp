#include "uiframework/layout_builder.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "log/log.h"
#include "uiframework/busy_indicator.h"
#include "uiframework/controls.h"
#include "uiframework/dpi_scale.h"
#include "uiframework/skin_style.h"

namespace korvel::ui {

namespace {

constexpr int kMaxIncludeDepth = 8;
constexpr int kMaxRepeat = 256;  // a layout typo must not create millions of widgets

// The length attributes: the property that keeps each 96-DPI length, so the scale can be
// re-applied in place, and the setter that applies it.
struct LengthProperty {
    const char* property;  // "k_" and the attribute's name
    void (QWidget::*apply)(int);
};
constexpr LengthProperty kLengthProperties[] = {
    {"k_width", &QWidget::setFixedWidth},      {"k_height", &QWidget::setFixedHeight},
    {"k_minwidth", &QWidget::setMinimumWidth}, {"k_minheight", &QWidget::setMinimumHeight},
    {"k_maxwidth", &QWidget::setMaximumWidth}, {"k_maxheight", &QWidget::setMaximumHeight}};

bool IsTrue(const QString& value) {
    return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || value == "1";
}

int ToInt(const QString& value, int fallback) {
    bool ok = false;
    const int number = value.trimmed().toInt(&ok);
    return ok ? number : fallback;
}

// "m" or "l,t,r,b" (missing parts repeat the last one given).
QList<int> ParseMargins(const QString& text) {
    QList<int> parts;
    for (const QString& piece : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        parts.append(qMax(0, ToInt(piece, 0)));
    }
    if (parts.isEmpty()) {
        parts.append(0);
    }
    while (parts.size() < 4) {
        parts.append(parts.size() == 1 ? parts[0] : parts[parts.size() - 2]);
    }
    return parts.mid(0, 4);
}

QString Substitute(QString value, const std::vector<int>& indices) {
    for (int index : indices) {
        const qsizetype at = value.indexOf(QLatin1String("%d"));
        if (at < 0) {
            break;
        }
        value.replace(at, 2, QString::number(index));
    }
    return value;
}

Qt::Alignment ParseAlign(const QString& text) {
    Qt::Alignment align = Qt::AlignVCenter;
    if (text.contains(QLatin1String("center"))) {
        align |= Qt::AlignHCenter;
    } else if (text.contains(QLatin1String("right"))) {
        align |= Qt::AlignRight;
    } else {
        align |= Qt::AlignLeft;
    }
    return align;
}

bool HasDynamicProperty(const QList<QByteArray>& names, const char* property) {
    for (const QByteArray& name : names) {
        if (name == property) {
            return true;
        }
    }
    return false;
}

void ApplyLengths(QWidget* widget, int percent) {
    // Reading a property the control does not have first searches every property of its class,
    // which for hundreds of controls adds up; most controls carry one length or none.
    const QList<QByteArray> names = widget->dynamicPropertyNames();
    for (const LengthProperty& length : kLengthProperties) {
        if (HasDynamicProperty(names, length.property)) {
            const QVariant value = widget->property(length.property);
            if (value.isValid()) {
                (widget->*length.apply)(ScaleLength(value.toInt(), percent));
            }
        }
    }
}

void ApplyLayoutLengths(QLayout* layout, int percent) {
    const QVariant margins = layout->property("k_margin");
    if (margins.isValid()) {
        const QList<int> m = ParseMargins(margins.toString());
        layout->setContentsMargins(ScaleLength(m[0], percent), ScaleLength(m[1], percent),
                                   ScaleLength(m[2], percent), ScaleLength(m[3], percent));
    }
    const QVariant spacing = layout->property("k_spacing");
    if (spacing.isValid()) {
        layout->setSpacing(ScaleLength(spacing.toInt(), percent));
    }
}

void SetBoxLayout(QWidget* container, bool vertical, const QHash<QString, QString>& attrs,
                  int percent) {
    QBoxLayout* box = vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(container))
                               : static_cast<QBoxLayout*>(new QHBoxLayout(container));
    // Recorded for later changes of scale, and set at once at this scale.
    const QString margin = attrs.value(QStringLiteral("margin"), QStringLiteral("0"));
    const int spacing = ToInt(attrs.value(QStringLiteral("spacing")), 0);
    box->setProperty("k_margin", margin);
    box->setProperty("k_spacing", spacing);
    const QList<int> m = ParseMargins(margin);
    box->setContentsMargins(ScaleLength(m[0], percent), ScaleLength(m[1], percent),
                            ScaleLength(m[2], percent), ScaleLength(m[3], percent));
    box->setSpacing(ScaleLength(spacing, percent));
}

}  // namespace

std::shared_ptr<const LayoutNode> LayoutBuilder::Load(const QString& resource) {
    // Only resources are kept: they cannot change while the program runs, files can.
    static QHash<QString, std::shared_ptr<const LayoutNode>> parsedResources;
    const bool isResource = resource.startsWith(QLatin1Char(':'));
    if (isResource) {
        if (auto kept = parsedResources.value(resource)) {
            return kept;
        }
    }
    if (isResource) {
        QFile compiled(CompiledResourceName(resource));
        auto root = std::make_shared<LayoutNode>();
        if (compiled.open(QIODevice::ReadOnly) &&
            LoadCompiledLayout(compiled.readAll(), root.get())) {
            parsedResources.insert(resource, root);
            return root;
        }
    }
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly)) {
        error_ = QStringLiteral("cannot open layout ") + resource;
        WriteLog("LayoutBuilder: %s\n", error_.toUtf8().constData());
        return nullptr;
    }
    auto root = std::make_shared<LayoutNode>();
    QString parseError;
    if (!ParseLayout(file.readAll(), root.get(), &parseError)) {
        error_ = resource + QStringLiteral(": ") + parseError;
        WriteLog("LayoutBuilder: %s\n", error_.toUtf8().constData());
        return nullptr;
    }
    if (isResource) {
        parsedResources.insert(resource, root);
    }
    return root;
}

bool LayoutBuilder::BuildWindow(const QString& resource, QWidget* host, WindowLayoutInfo* info) {
    const std::shared_ptr<const LayoutNode> root = Load(resource);
    if (!root) {
        return false;
    }
    info->title = root->Attribute(QStringLiteral("title"));
    const QList<int> size =
        ParseMargins(root->Attribute(QStringLiteral("size"), QStringLiteral("0")));
    info->size = QSize(size[0], size[1]);
    info->captionHeight = ToInt(root->Attribute(QStringLiteral("caption")), 0);
    auto* layout = new QVBoxLayout(host);
    layout->setProperty("k_margin", QStringLiteral("0"));
    layout->setProperty("k_spacing", 0);
    ApplyLayoutLengths(layout, percent_);
    std::vector<int> indices;
    BuildChildren(*root, host, layout, indices);
    return true;
}

bool LayoutBuilder::BuildInto(const QString& resource, QWidget* container) {
    if (container == nullptr) {
        error_ = QStringLiteral("no container for ") + resource;
        return false;
    }
    const std::shared_ptr<const LayoutNode> root = Load(resource);
    if (!root) {
        return false;
    }
    if (container->layout() == nullptr) {
        SetBoxLayout(container, true, {}, percent_);
    }
    std::vector<int> indices;
    BuildChildren(*root, container, container->layout(), indices);
    return true;
}

void LayoutBuilder::BuildChildren(const LayoutNode& node, QWidget* parent, QLayout* layout,
                                  std::vector<int>& indices) {
    for (const LayoutNode& child : node.children) {
        BuildNode(child, parent, layout, indices);
    }
}

void LayoutBuilder::BuildNode(const LayoutNode& node, QWidget* parent, QLayout* layout,
                              std::vector<int>& indices) {
    // Shares the node's attributes; only values with a "%d" inside a Repeat are copied.
    QHash<QString, QString> attrs = node.attributes;
    if (!indices.empty()) {
        for (auto it = node.attributes.constBegin(); it != node.attributes.constEnd(); ++it) {
            if (it.value().contains(QLatin1String("%d"))) {
                attrs.insert(it.key(), Substitute(it.value(), indices));
            }
        }
    }
    auto* box = qobject_cast<QBoxLayout*>(layout);

    if (node.tag == QLatin1String("Repeat")) {
        const int count = qBound(0, ToInt(attrs.value(QStringLiteral("count")), 0), kMaxRepeat);
        const int start = ToInt(attrs.value(QStringLiteral("start")), 0);
        for (int i = 0; i < count; ++i) {
            indices.push_back(start + i);
            BuildChildren(node, parent, layout, indices);
            indices.pop_back();
        }
        return;
    }
    if (node.tag == QLatin1String("Include")) {
        if (includeDepth_ >= kMaxIncludeDepth) {
            WriteLog("LayoutBuilder: include nesting too deep\n");
            return;
        }
        if (const auto included = Load(attrs.value(QStringLiteral("resource")))) {
            ++includeDepth_;
            BuildChildren(*included, parent, layout, indices);
            --includeDepth_;
        }
        return;
    }
    if (node.tag == QLatin1String("Stretch")) {
        if (box) {
            box->addStretch(ToInt(attrs.value(QStringLiteral("factor")), 1));
        }
        return;
    }

    QWidget* widget = CreateWidget(node, attrs, parent);
    if (widget == nullptr) {
        WriteLog("LayoutBuilder: unknown control tag %s\n", node.tag.toUtf8().constData());
        return;
    }
    widget->setObjectName(attrs.value(QStringLiteral("name")));
    if (attrs.contains(QStringLiteral("userdata"))) {
        SetControlUserData(widget, attrs.value(QStringLiteral("userdata")));
    } else if (!indices.empty() && node.Attribute(QStringLiteral("name")).contains("%d")) {
        SetControlUserData(widget, QString::number(indices.back()));
    }
    const QString skin = attrs.value(QStringLiteral("skin"));
    if (!skin.isEmpty()) {
        widget->setProperty("skin", skin);
    }
    if (const SkinStyle* style = SkinStyle::Application()) {
        style->ApplyLookFont(widget, skin);
    }
    if (attrs.contains(QStringLiteral("text"))) {
        SetControlText(widget, attrs.value(QStringLiteral("text")));
    }
    if (attrs.contains(QStringLiteral("tooltip"))) {
        SetControlToolTip(widget, attrs.value(QStringLiteral("tooltip")));
    }
    if (attrs.contains(QStringLiteral("enabled"))) {
        widget->setEnabled(IsTrue(attrs.value(QStringLiteral("enabled"))));
    }
    // Each length is recorded for later changes of scale and set at once at this scale.
    for (const LengthProperty& length : kLengthProperties) {
        const QString key = QString::fromLatin1(length.property + 2);  // "k_width" -> "width"
        if (attrs.contains(key)) {
            const int design = qMax(0, ToInt(attrs.value(key), 0));
            widget->setProperty(length.property, design);
            (widget->*length.apply)(ScaleLength(design, percent_));
        }
    }
    if (layout) {
        if (box) {
            box->addWidget(widget, ToInt(attrs.value(QStringLiteral("stretch")), 0));
        } else {
            layout->addWidget(widget);
        }
    }
    // Hidden last, so the parent layout never shows it.
    if (attrs.contains(QStringLiteral("visible")) &&
        !IsTrue(attrs.value(QStringLiteral("visible")))) {
        widget->setVisible(false);
    }
    if (widget->layout() && !qobject_cast<QComboBox*>(widget)) {
        BuildChildren(node, widget, widget->layout(), indices);
    }
}

QWidget* LayoutBuilder::CreateWidget(const LayoutNode& node, const QHash<QString, QString>& attrs,
                                     QWidget* parent) {
    const QString& tag = node.tag;
    if (tag == QLatin1String("VBox") || tag == QLatin1String("HBox")) {
        auto* frame = new QFrame(parent);
        SetBoxLayout(frame, tag == QLatin1String("VBox"), attrs, percent_);
        return frame;
    }
    if (tag == QLatin1String("Spacer")) {
        auto* spacer = new QWidget(parent);
        spacer->setAttribute(Qt::WA_TransparentForMouseEvents);
        return spacer;
    }
    if (tag == QLatin1String("Label")) {
        auto* label = new QLabel(parent);
        label->setAlignment(ParseAlign(attrs.value(QStringLiteral("align"))));
        label->setWordWrap(IsTrue(attrs.value(QStringLiteral("wordwrap"))));
        label->setTextInteractionFlags(Qt::NoTextInteraction);
        return label;
    }
    if (tag == QLatin1String("Button")) {
        auto* button = new QPushButton(parent);
        // Only the button marked default reacts to Return; others must not steal it from edits.
        button->setAutoDefault(false);
        button->setDefault(IsTrue(attrs.value(QStringLiteral("default"))));
        button->setFocusPolicy(Qt::TabFocus);
        button->setCursor(Qt::PointingHandCursor);
        WireButton(button);
        return button;
    }
    if (tag == QLatin1String("Option")) {
        const QString style = attrs.value(QStringLiteral("style"));
        const QString group = attrs.value(QStringLiteral("group"));
        QAbstractButton* option = nullptr;
        if (style == QLatin1String("button")) {
            auto* toggle = new QPushButton(parent);
            toggle->setAutoDefault(false);
            toggle->setCursor(Qt::PointingHandCursor);
            option = toggle;
        } else if (!group.isEmpty() || style == QLatin1String("radio")) {
            option = new QRadioButton(parent);
        } else {
            option = new QCheckBox(parent);
        }
        WireOption(option);
        if (!group.isEmpty()) {
            // One exclusive group per name within the window.
            QWidget* window = parent->window();
            const QString key = QStringLiteral("k_group_") + group;
            auto* buttons = window->findChild<QButtonGroup*>(key, Qt::FindDirectChildrenOnly);
            if (buttons == nullptr) {
                buttons = new QButtonGroup(window);
                buttons->setObjectName(key);
            }
            buttons->addButton(option);
        }
        option->setChecked(IsTrue(attrs.value(QStringLiteral("selected"))));
        return option;
    }
    if (tag == QLatin1String("Edit")) {
        auto* edit = new EditUI(parent);
        edit->SetStepButtonsVisible(IsTrue(attrs.value(QStringLiteral("steps"))));
        edit->setReadOnly(IsTrue(attrs.value(QStringLiteral("readonly"))));
        // Setting a length lays the text out again, even when it is the default one.
        if (attrs.contains(QStringLiteral("maxlength"))) {
            edit->setMaxLength(ToInt(attrs.value(QStringLiteral("maxlength")), 32767));
        }
        if (attrs.contains(QStringLiteral("align"))) {
            edit->setAlignment(ParseAlign(attrs.value(QStringLiteral("align"))));
        }
        return edit;
    }
    if (tag == QLatin1String("Field")) {
        auto* field = new ValueFieldUI(parent);
        if (attrs.contains(QStringLiteral("align"))) {
            field->setAlignment(ParseAlign(attrs.value(QStringLiteral("align"))));
        }
        return field;
    }
    if (tag == QLatin1String("Slider")) {
        const bool vertical =
            attrs.value(QStringLiteral("orientation")) == QLatin1String("vertical");
        auto* slider = new SliderUI(vertical ? Qt::Vertical : Qt::Horizontal, parent);
        slider->setRange(ToInt(attrs.value(QStringLiteral("min")), 0),
                         ToInt(attrs.value(QStringLiteral("max")), 100));
        slider->setSingleStep(ToInt(attrs.value(QStringLiteral("step")), 1));
        slider->setPageStep(ToInt(attrs.value(QStringLiteral("page")), 10));
        slider->setValue(ToInt(attrs.value(QStringLiteral("value")), 0));
        return slider;
    }
    if (tag == QLatin1String("Combo")) {
        auto* combo = new QComboBox(parent);
        for (const LayoutNode& item : node.children) {
            if (item.tag == QLatin1String("Item")) {
                AddComboItem(combo, item.Attribute(QStringLiteral("text")),
                             item.Attribute(QStringLiteral("userdata")));
            }
        }
        combo->setCurrentIndex(
            ToInt(attrs.value(QStringLiteral("selected")), combo->count() ? 0 : -1));
        WireCombo(combo);
        return combo;
    }
    if (tag == QLatin1String("List")) {
        auto* list = new QListWidget(parent);
        for (const LayoutNode& item : node.children) {
            if (item.tag == QLatin1String("Item")) {
                AddListItem(list, item.Attribute(QStringLiteral("text")));
            }
        }
        WireList(list);
        return list;
    }
    if (tag == QLatin1String("Progress")) {
        auto* progress = new QProgressBar(parent);
        progress->setRange(ToInt(attrs.value(QStringLiteral("min")), 0),
                           ToInt(attrs.value(QStringLiteral("max")), 100));
        progress->setValue(ToInt(attrs.value(QStringLiteral("value")), 0));
        progress->setTextVisible(IsTrue(attrs.value(QStringLiteral("textvisible"))));
        return progress;
    }
    if (tag == QLatin1String("Busy")) {
        return new BusyIndicator(parent);
    }
    return factory_ ? factory_->CreateControl(tag, parent) : nullptr;
}

void ApplyScale(QWidget* root, int percent) {
    ApplyLengths(root, percent);
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        ApplyLengths(widget, percent);
    }
    if (root->layout()) {
        ApplyLayoutLengths(root->layout(), percent);
    }
    for (QLayout* layout : root->findChildren<QLayout*>()) {
        ApplyLayoutLengths(layout, percent);
    }
}

void SetScaledFixedSize(QWidget* widget, int width, int height, int percent) {
    widget->setProperty("k_width", width);
    widget->setProperty("k_height", height);
    ApplyLengths(widget, percent);
}

}  // namespace korvel::ui
