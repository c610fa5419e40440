// The main window's skin. Style sheets cost several times what building a control costs, and the
// main window has hundreds of controls, so its most numerous ones are painted by the application
// style from looks registered here (the band strip: its frame, labels, edits, sliders and band
// switches), while the sections around them keep the framework's and the main window's style
// sheets. The window itself and its root frame carry no sheet: a sheet styles every control
// below the widget that carries it.

#include <QFile>

#include "eqgraph/widget/ui_equalizer.h"
#include "uiframework/framework.h"
#include "uiframework/skin_style.h"
#include "windows/main_wnd.h"

namespace korvel {

namespace {

const QString kMainSkin = QStringLiteral(":/skin/main.qss");
const QString kRootName = QStringLiteral("main_root");
const QString kBandStripName = QStringLiteral("eq_bands");

QString LoadText(const QString& resource) {
    QFile file(resource);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

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

}  // namespace

void CMainWnd::ApplySkin() {
    // The window carries no sheet; its sections take theirs as they are built (ControlBuilt) and
    // again after a change of scale (ApplySectionSkins).
    static const bool registered = [] {
        if (ui::SkinStyle* style = ui::SkinStyle::Application()) {
            RegisterLooks(*style);
        }
        return true;
    }();
    (void)registered;
}

void CMainWnd::ApplySectionSkins() {
    if (QWidget* root = FindControl(kRootName)) {
        for (QWidget* section : root->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (IsSheetSection(section)) {
                section->setStyleSheet(SectionStyleSheet());
            }
        }
    }
    if (graph_) {
        graph_->SetScalePercent(ScalePercent());
    }
}

bool CMainWnd::IsSheetSection(const QWidget* control) const {
    const QWidget* parent = control->parentWidget();
    return parent != nullptr && parent->objectName() == kRootName &&
           control->objectName() != kBandStripName;
}

QString CMainWnd::SectionStyleSheet() {
    const int percent = ScalePercent();
    if (sectionSheetPercent_ != percent) {
        // The main window's rules follow the framework's, so they win where both apply.
        sectionSheet_ = ui::UiFramework::Instance().StyleSheet(percent) + QLatin1Char('\n') +
                        ui::UiFramework::ScaleStyleSheet(LoadText(kMainSkin), percent);
        sectionSheetPercent_ = percent;
    }
    return sectionSheet_;
}

}  // namespace korvel
