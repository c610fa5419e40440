// The main window's skin. Style sheets cost several times what building a control costs, and the
// main window has hundreds of controls, so its most numerous ones are painted by the application
// style from looks registered here: the band strip and the channel cards with the speaker map
// (frames, labels, edits with their step buttons, sliders, switches, check boxes). The sections
// above them (caption, tool bar, graph and crossover panel) keep the framework's and the main
// window's style sheets, set on their common frame "main_top". The window itself and its root
// frame carry no sheet: a sheet styles every control below the widget that carries it.

#include <initializer_list>
#include <optional>
#include <utility>

#include "eqgraph/widget/ui_equalizer.h"
#include "uiframework/controls.h"
#include "uiframework/framework.h"
#include "uiframework/skin_style.h"
#include "windows/main_wnd.h"

namespace korvel {

namespace {

const QString kRootName = QStringLiteral("main_root");

ui::SkinBox Box(QColor background, QColor border, QMargins borderWidth, int radius, QColor text,
                QMargins padding = {}) {
    ui::SkinBox box;
    box.background = background;
    box.border = border;
    box.borderWidth = borderWidth;
    box.radius = radius;
    box.text = text;
    box.padding = padding;
    return box;
}

constexpr QMargins kHairline(1, 1, 1, 1);

void RegisterLooks(ui::SkinStyle& style) {
    ui::SkinLook root;
    root.normal = Box(QColor(0x15171b), QColor(0x2f343d), kHairline, 0, QColor(0xdce1e8));
    style.AddLook("QFrame", QStringLiteral("mainframe"), root);

    ui::SkinLook strip;
    strip.normal =
        Box(QColor(0x1b1e23), QColor(0x262a31), QMargins(0, 1, 0, 1), 0, QColor(0xdce1e8));
    // The band fields' size: the 93 fields inherit it rather than each re-laying out its text.
    strip.fontPixels = 10;
    style.AddLook("QFrame", QStringLiteral("bandstrip"), strip);

    ui::SkinLook rowLabel;
    rowLabel.fontPixels = 11;
    rowLabel.fontWeight = 700;
    rowLabel.normal.text = QColor(0x7f8998);
    style.AddLook("QLabel", QStringLiteral("rowlabel"), rowLabel);

    ui::SkinLook scaleLabel;
    scaleLabel.fontPixels = 10;
    scaleLabel.normal.text = QColor(0x5f6876);
    style.AddLook("QLabel", QStringLiteral("scalelabel"), scaleLabel);

    ui::SkinLook bandEdit;
    bandEdit.fontPixels = 10;
    bandEdit.normal = Box(QColor(0x121418), QColor(0x2c3139), kHairline, 2, QColor(0xdce1e8));
    bandEdit.focus = bandEdit.normal;
    bandEdit.focus->border = QColor(0x2da8ff);
    bandEdit.disabled = Box(QColor(0x17191d), QColor(0x22262c), kHairline, 2, QColor(0x8a93a2));
    bandEdit.selection = QColor(0x2da8ff);
    bandEdit.selectionText = QColor(0x0b0d10);
    style.AddLook("QLineEdit", QStringLiteral("band"), bandEdit);
    // A band value is painted text in the edit's look until it is first edited.
    style.AddLook(ui::ValueFieldUI::staticMetaObject.className(), QStringLiteral("band"), bandEdit);

    ui::SkinLook bandSlider;
    ui::SkinSlider slider;
    slider.grooveThickness = 4;
    slider.grooveRadius = 2;
    slider.groove = QColor(0x30353e);
    slider.subPage = QColor(0x30353e);
    slider.addPage = QColor(0x2da8ff);
    slider.handleLength = 8;
    slider.handleOverhang = 5;
    slider.handleRadius = 3;
    slider.handle = QColor(0xe8edf3);
    slider.handleBorder = QColor(0x2da8ff);
    bandSlider.slider = slider;
    style.AddLook("QSlider", QStringLiteral("band"), bandSlider);

    ui::SkinLook bandSwitch;
    bandSwitch.fontPixels = 10;
    bandSwitch.fontWeight = 700;
    bandSwitch.minHeight = 0;
    bandSwitch.normal = Box(QColor(0x22262c), QColor(0x2f343d), kHairline, 3, QColor(0x7f8998));
    bandSwitch.checked = Box(QColor(0x13507a), QColor(0x2da8ff), kHairline, 3, QColor(0xffffff));
    style.AddLook("QPushButton", QStringLiteral("bandnum"), bandSwitch);
}

// A state layer of a push button look.
ui::SkinLayer Layer(ui::SkinState state, std::optional<QColor> background,
                    std::optional<QColor> border = {}, std::optional<QColor> text = {}) {
    return {state, background, border, text};
}

// The framework's push button: the state rules follow each other, so a later state wins where
// two set the same colour (focus over checked over disabled over pressed over hover).
ui::SkinLook PlainButton(int fontPixels, QMargins padding) {
    ui::SkinLook look;
    look.fontPixels = fontPixels;
    look.minHeight = 18;
    look.normal = Box(QColor(0x2a2e35), QColor(0x414855), kHairline, 4, QColor(0xdce1e8), padding);
    look.layers = {
        Layer(ui::SkinState::Hover, QColor(0x333944), QColor(0x566070)),
        Layer(ui::SkinState::Pressed, QColor(0x23272d)),
        Layer(ui::SkinState::Disabled, {}, QColor(0x30353d), QColor(0x6b727d)),
        Layer(ui::SkinState::Checked, QColor(0x1f4b6e), QColor(0x2da8ff), QColor(0xffffff)),
        Layer(ui::SkinState::Focus, {}, QColor(0x2da8ff))};
    return look;
}

ui::SkinLook Label(int fontPixels, int weight, QColor text) {
    ui::SkinLook look;
    look.fontPixels = fontPixels;
    look.fontWeight = weight;
    look.normal.text = text;
    return look;
}

ui::SkinLook Filled(QColor background, QColor border, QMargins borderWidth, int radius = 0) {
    ui::SkinLook look;
    look.normal = Box(background, border, borderWidth, radius, QColor(0xdce1e8));
    return look;
}

// A bold button whose "state" property picks one of its looks.
ui::SkinLook StateButton() {
    ui::SkinLook look;
    look.fontWeight = 700;
    look.minHeight = 18;
    look.variantProperty = "state";
    return look;
}

// Registers `look` under `skin`, once per state with that state's box ("" is the plain skin).
void AddStateLooks(ui::SkinStyle& style, const QString& skin, ui::SkinLook look,
                   std::initializer_list<std::pair<const char*, ui::SkinBox>> states) {
    for (const auto& [state, box] : states) {
        look.normal = box;
        const QString name = *state ? skin + QLatin1Char(':') + QLatin1String(state) : skin;
        style.AddLook("QPushButton", name, look);
    }
}

// The caption, the tool bar and the crossover panel: frames, labels and buttons.
void RegisterTopLooks(ui::SkinStyle& style) {
    ui::SkinLook bar = Filled(QColor(0x101215), QColor(0x262a31), QMargins(0, 0, 0, 1));
    bar.bordersInsetContents = false;
    style.AddLook("QFrame", QStringLiteral("caption"), bar);
    bar.normal.background = QColor(0x1a1d22);
    style.AddLook("QFrame", QStringLiteral("toolbar"), bar);
    ui::SkinLook panel = Filled(QColor(0x1b1e23), QColor(0x2b3038), kHairline, 6);
    // The panel's fields and combo boxes are 12 px: they inherit it instead of changing their
    // font after they are made, which re-lays out a field's text and builds a combo box's list.
    panel.fontPixels = 12;
    style.AddLook("QFrame", QStringLiteral("panel"), panel);

    ui::SkinLook logo;
    logo.width = 4;
    logo.normal.radius = 2;
    logo.normal.gradient = {{0.0, QColor(0x2da8ff)}, {1.0, QColor(0x00d3a7)}};
    style.AddLook("QLabel", QStringLiteral("logo"), logo);

    ui::SkinLook title = Label(15, 700, QColor(0xf2f5f9));
    title.normal.padding = QMargins(4, 0, 0, 0);
    style.AddLook("QLabel", QStringLiteral("apptitle"), title);
    // Bold like every emphasised text of the window: two weights in all, so a size needs no
    // third font engine (Linux fonts have no semibold face, so this draws as before there).
    ui::SkinLook model = Label(11, 700, QColor(0x7fc8ff));
    model.normal = Box(QColor(0x16324a), QColor(0x235a85), kHairline, 3, QColor(0x7fc8ff),
                       QMargins(6, 1, 6, 1));
    style.AddLook("QLabel", QStringLiteral("appmodel"), model);
    style.AddLook("QLabel", QStringLiteral("status"), Label(12, 400, QColor(0x8e98a8)));
    style.AddLook("QLabel", QStringLiteral("paneltitle"), Label(12, 700, QColor(0x7fc8ff)));
    style.AddLook("QLabel", QStringLiteral("filterlabel"), Label(12, 700, QColor(0xc9d0da)));
    ui::SkinLook separator = Label(13, 400, QColor(0xdce1e8));
    separator.normal.background = QColor(0x30353e);
    style.AddLook("QLabel", QStringLiteral("vsep"), separator);
    style.AddLook("QLabel", QStringLiteral("hsep"), separator);

    ui::SkinLook combo;
    combo.normal = Box(QColor(0x2a2e35), QColor(0x414855), kHairline, 3, QColor(0xdce1e8),
                       QMargins(8, 2, 8, 2));
    combo.layers = {Layer(ui::SkinState::Hover, {}, QColor(0x566070))};
    ui::SkinCombo dropDown;
    dropDown.bevelOuterLight = QColor(0x2a2e35);
    dropDown.bevelOuterShadow = QColor(0x0e0f12);
    dropDown.bevelInnerLight = QColor(0x30353d);
    dropDown.bevelInnerShadow = QColor(0x1c1f23);
    dropDown.popupBackground = QColor(0x1d2025);
    dropDown.popupBorder = QColor(0x414855);
    dropDown.popupText = QColor(0xdce1e8);
    dropDown.popupSelection = QColor(0x2a2e35);
    dropDown.popupSelectionOutline = QColor(0x22252a);
    dropDown.popupItemPadding = 11;
    dropDown.popupTextIndent = 3;
    combo.combo = dropDown;
    style.AddLook("QComboBox", QString(), combo);
    combo.fontPixels = 12;
    combo.normal.padding = QMargins(4, 1, 4, 1);
    style.AddLook("QComboBox", QStringLiteral("small"), combo);

    // The caption's scale field (shown for debugging only).
    ui::SkinLook edit;
    edit.normal = Box(QColor(0x15171b), QColor(0x3a404a), kHairline, 3, QColor(0xe8edf3),
                      QMargins(4, 2, 4, 2));
    edit.layers = {Layer(ui::SkinState::Focus, {}, QColor(0x2da8ff)),
                   Layer(ui::SkinState::Disabled, {}, {}, QColor(0x6b727d))};
    edit.selection = QColor(0x2da8ff);
    edit.selectionText = QColor(0x0b0d10);
    style.AddLook("QLineEdit", QString(), edit);

    style.SetToolTipBox(Box(QColor(0x2a2e35), QColor(0x414855), kHairline, 0, QColor(0xdce1e8)));

    ui::SkinLook menu;
    menu.minHeight = 18;
    menu.normal = Box({}, {}, kHairline, 4, QColor(0xc9d0da), QMargins(12, 3, 12, 3));
    menu.layers = {Layer(ui::SkinState::Hover, QColor(0x262b33), QColor(0x363c46), Qt::white)};
    style.AddLook("QPushButton", QStringLiteral("menubtn"), menu);

    ui::SkinLook minimize;
    minimize.fontPixels = 16;
    minimize.fontWeight = 700;
    minimize.minHeight = 0;
    minimize.normal.text = QColor(0xc9d0da);
    minimize.layers = {Layer(ui::SkinState::Hover, QColor(0x2a2f37))};
    style.AddLook("QPushButton", QStringLiteral("min"), minimize);

    // The padding sizes the cross, so it follows the scale like every other length.
    ui::SkinLook close;
    close.minHeight = 0;
    close.normal.padding = QMargins(16, 13, 16, 13);
    close.image = QStringLiteral(":/skin/img/close.png");
    close.layers = {Layer(ui::SkinState::Hover, QColor(0xc42b1c)),
                    Layer(ui::SkinState::Pressed, QColor(0x9e2216))};
    style.AddLook("QPushButton", QStringLiteral("close"), close);

    // The connect and amplifier buttons: their "state" picks the colours; hovering lightens the
    // connect button's border in all of them.
    ui::SkinLook connect = StateButton();
    connect.layers = {Layer(ui::SkinState::Hover, {}, QColor(0x9aa4b2))};
    const QMargins connectPadding(18, 4, 18, 4);
    AddStateLooks(style, QStringLiteral("connect"), connect,
                  {{"", Box(QColor(0x2a1d20), QColor(0x7a2d33), kHairline, 16, QColor(0xff5a5f),
                            connectPadding)},
                   {"connecting", Box(QColor(0x2e2a1a), QColor(0x8a7430), kHairline, 16,
                                      QColor(0xffd35a), connectPadding)},
                   {"connected", Box(QColor(0x13507a), QColor(0x2da8ff), kHairline, 16,
                                     QColor(0xffffff), connectPadding)}});
    const QMargins ampPadding(12, 3, 12, 3);
    AddStateLooks(
        style, QStringLiteral("amp"), StateButton(),
        {{"", Box(QColor(0x2a1d20), QColor(0x7a2d33), kHairline, 4, QColor(0xff5a5f), ampPadding)},
         {"on",
          Box(QColor(0x0f5e4c), QColor(0x00d3a7), kHairline, 4, QColor(0xffffff), ampPadding)}});

    style.AddLook("QPushButton", QStringLiteral("tool"), PlainButton(13, QMargins(12, 3, 12, 3)));
    // Action buttons: a checked one keeps its own colours over every other state.
    ui::SkinLook action = PlainButton(12, QMargins(6, 2, 6, 2));
    action.layers.push_back(
        Layer(ui::SkinState::Checked, QColor(0x13507a), QColor(0x2da8ff), Qt::white));
    style.AddLook("QPushButton", QStringLiteral("action"), action);
}

// A small switch of the channel cards: no padding, 1px border, radius 3.
ui::SkinLook Switch(int fontPixels, int weight, ui::SkinBox normal, ui::SkinBox checked) {
    ui::SkinLook look;
    look.fontPixels = fontPixels;
    look.fontWeight = weight;
    look.normal = normal;
    look.checked = checked;
    look.minHeight = 0;
    return look;
}

void RegisterChannelLooks(ui::SkinStyle& style) {
    ui::SkinLook card;
    card.normal = Box(QColor(0x1b1e23), QColor(0x2b3038), kHairline, 6, QColor(0xdce1e8));
    card.variantProperty = "current";
    style.AddLook("QFrame", QStringLiteral("chcard"), card);
    card.normal = Box(QColor(0x1a2330), QColor(0x2da8ff), kHairline, 6, QColor(0xdce1e8));
    style.AddLook("QFrame", QStringLiteral("chcard:true"), card);

    ui::SkinLook show;
    show.normal.text = QColor(0xdce1e8);
    show.disabled = ui::SkinBox{};
    show.disabled->text = QColor(0x6b727d);
    ui::SkinIndicator indicator;
    indicator.size = 14;
    indicator.normal = Box(QColor(0x15171b), QColor(0x5a6474), kHairline, 3, {});
    indicator.hover = Box(QColor(0x15171b), QColor(0x2da8ff), kHairline, 3, {});
    indicator.checked = Box(QColor(0x2da8ff), QColor(0x2da8ff), kHairline, 3, {});
    indicator.disabled = Box(QColor(0x15171b), QColor(0x3a404a), kHairline, 3, {});
    indicator.checkImage = QStringLiteral(":/skin/img/check.png");
    show.indicator = indicator;
    show.hover = show.normal;
    style.AddLook("QCheckBox", QStringLiteral("show"), show);

    const QMargins sides(2, 0, 2, 0);
    style.AddLook(
        "QPushButton", QStringLiteral("chsel"),
        Switch(12, 700,
               Box(QColor(0x262a31), QColor(0x3a404a), kHairline, 3, QColor(0xc9d0da), sides),
               Box(QColor(0x1f8fe0), QColor(0x2da8ff), kHairline, 3, QColor(0xffffff), sides)));
    style.AddLook(
        "QPushButton", QStringLiteral("chip"),
        Switch(11, 400,
               Box(QColor(0x262a31), QColor(0x3a404a), kHairline, 3, QColor(0xaab3c0), sides),
               Box(QColor(0x5a3c12), QColor(0xe8a33d), kHairline, 3, QColor(0xffffff), sides)));
    ui::SkinLook mute =
        Switch(11, 700, Box(QColor(0x262a31), QColor(0x414855), kHairline, 3, QColor(0x9aa4b2)),
               Box(QColor(0x8c1f28), QColor(0xff5a5f), kHairline, 3, QColor(0xffffff)));
    mute.minHeight = 18;  // the framework's button minimum: the mute skin keeps it
    style.AddLook("QPushButton", QStringLiteral("mute"), mute);
    ui::SkinLook input =
        Switch(11, 700, Box(QColor(0x22262c), QColor(0x353b45), kHairline, 3, QColor(0x7f8998)),
               Box(QColor(0x0f5e4c), QColor(0x00d3a7), kHairline, 3, QColor(0xffffff)));
    input.disabled = Box(QColor(0x1b1e23), QColor(0x262a31), kHairline, 3, QColor(0x454b55));
    style.AddLook("QPushButton", QStringLiteral("input"), input);

    const QMargins rolePadding(6, 0, 6, 0);
    ui::SkinLook role;
    role.fontPixels = 12;
    role.fontWeight = 700;  // bold, like the model badge: the window uses two weights
    role.minHeight = 0;
    role.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    role.normal =
        Box(QColor(0x121418), QColor(0x3a404a), kHairline, 3, QColor(0xe8edf3), rolePadding);
    role.hover =
        Box(QColor(0x121418), QColor(0x2da8ff), kHairline, 3, QColor(0xe8edf3), rolePadding);
    role.disabled =
        Box(QColor(0x121418), QColor(0x2b3038), kHairline, 3, QColor(0x8a93a2), rolePadding);
    style.AddLook("QPushButton", QStringLiteral("role"), role);

    ui::SkinLook speaker;
    speaker.minHeight = 0;
    speaker.normal = Box(QColor(0x2da8ff), QColor(0xbfe4ff), kHairline, 6, {});
    speaker.checked = Box(QColor(0xffb23d), QColor(0xfff0d0), kHairline, 6, {});
    style.AddLook("QPushButton", QStringLiteral("speaker"), speaker);

    ui::SkinLook volume;
    ui::SkinSlider slider;
    slider.grooveThickness = 4;
    slider.grooveRadius = 2;
    slider.groove = QColor(0x3a404a);
    slider.subPage = QColor(0x2da8ff);
    slider.handleLength = 12;
    slider.handleOverhang = 5;
    slider.handleRadius = 6;
    slider.handle = QColor(0xe8edf3);
    slider.handleBorder = QColor(0x2da8ff);
    volume.slider = slider;
    style.AddLook("QSlider", QString(), volume);

    ui::SkinLook value;
    value.fontPixels = 12;
    value.normal = Box(QColor(0x15171b), QColor(0x3a404a), kHairline, 3, QColor(0xe8edf3),
                       QMargins(2, 1, 2, 1));
    value.focus = value.normal;
    value.focus->border = QColor(0x2da8ff);
    value.disabled = value.normal;
    value.disabled->text = QColor(0x6b727d);
    value.selection = QColor(0x2da8ff);
    value.selectionText = QColor(0x0b0d10);
    style.AddLook("QLineEdit", QStringLiteral("value"), value);

    ui::SkinLook step;
    step.normal =
        Box(QColor(0x262a31), QColor(0x3a404a), QMargins(1, 0, 0, 0), 0, QColor(0xdce1e8));
    step.hover = Box(QColor(0x313743), QColor(0x3a404a), QMargins(1, 0, 0, 0), 0, QColor(0xdce1e8));
    step.pressed =
        Box(QColor(0x1f4b6e), QColor(0x3a404a), QMargins(1, 0, 0, 0), 0, QColor(0xdce1e8));
    style.AddLook("QToolButton", QStringLiteral("step"), step);

    ui::SkinLook fieldLabel;
    fieldLabel.fontPixels = 12;
    fieldLabel.normal.text = QColor(0x8e98a8);
    style.AddLook("QLabel", QStringLiteral("fieldlabel"), fieldLabel);
    ui::SkinLook inputLabel;
    inputLabel.fontPixels = 11;
    inputLabel.normal.text = QColor(0x7f8998);
    style.AddLook("QLabel", QStringLiteral("inlabel"), inputLabel);
}

}  // namespace

void CMainWnd::ApplySkin() {
    // The window carries no style sheet: every control is painted from the looks registered
    // here with the application style.
    static const bool registered = [] {
        if (ui::SkinStyle* style = ui::SkinStyle::Application()) {
            RegisterLooks(*style);
            RegisterChannelLooks(*style);
            RegisterTopLooks(*style);
        }
        return true;
    }();
    (void)registered;
    if (const ui::SkinStyle* style = ui::SkinStyle::Application()) {
        // Hundreds of short labels and values, which need neither kerning nor ligatures: laid
        // out without shaping, measuring them costs half as much. The controls inherit it.
        QFont base = font();
        base.setStyleStrategy(QFont::PreferNoShaping);
        setFont(base);
        style->ApplyBaseFont(this);
    }
}

void CMainWnd::ApplyGraphScale() {
    if (graph_) {
        graph_->SetScalePercent(ScalePercent());
    }
}

}  // namespace korvel
