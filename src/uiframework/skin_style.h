#pragma once
// The application style: Fusion, plus painted skins for controls that are not under a style
// sheet. A style sheet styles every control below the widget that carries it, and that costs
// several times what building the control costs; a window with hundreds of controls (the main
// window) therefore paints its controls from looks registered here instead. A look is the box
// model the sheet would give the control (background, border, radius, padding, text colour,
// font), chosen by the control's class and its "skin" property, with state variants.
//
// Controls under a style sheet, and controls without a registered look, are left to the sheet
// and to Fusion unchanged.

#include <QColor>
#include <QGradient>
#include <QHash>
#include <QMargins>
#include <QPalette>
#include <QProxyStyle>
#include <QSet>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace korvel::ui {

// One box of the look; lengths at 96 DPI, scaled like style sheet lengths (hairlines stay).
struct SkinBox {
    QColor background;        // invalid: transparent
    QGradientStops gradient;  // from top to bottom; painted instead of the background when set
    QColor border;            // colour of every side that has a width
    QMargins borderWidth;
    int radius = 0;
    QMargins padding;
    QColor text;  // invalid: the palette's
};

// The slider parts of a look (vertical or horizontal groove, filled pages and handle).
struct SkinSlider {
    int grooveThickness = 4;
    int grooveRadius = 2;
    QColor groove;
    QColor subPage;  // between the groove's start (top or left) and the handle; invalid: groove
    QColor addPage;  // between the handle and the groove's end; invalid: groove
    int handleLength = 12;
    int handleOverhang = 5;  // how far the handle reaches past the groove on each side
    int handleRadius = 6;
    QColor handle;
    QColor handleBorder;
};

// A check box's indicator (the text beside it keeps the look's font and colour).
struct SkinIndicator {
    int size = 16;
    SkinBox normal;
    std::optional<SkinBox> hover;
    std::optional<SkinBox> checked;
    std::optional<SkinBox> disabled;
    QString checkImage;  // drawn centred in a checked indicator
};

// A state of a control that a layer of a look applies in.
enum class SkinState { Hover, Pressed, Checked, Focus, Disabled };

// Part of a box that applies over the chosen box while the control is in `state`: only the
// colours it sets change, so states combine per property as a sheet's rules do (a pressed
// background under a hover border).
struct SkinLayer {
    SkinState state = SkinState::Hover;
    std::optional<QColor> background;
    std::optional<QColor> border;
    std::optional<QColor> text;
};

// A combo box's drop-down button (a bevel at the right of the field, inside the border, with the
// base style's arrow) and its popup list.
struct SkinCombo {
    int dropDownWidth = 16;
    QColor bevelOuterLight;   // the bevel's outer top and left lines
    QColor bevelOuterShadow;  // its outer bottom and right lines
    QColor bevelInnerLight;
    QColor bevelInnerShadow;
    QColor popupBackground;
    QColor popupBorder;
    QColor popupText;
    QColor popupSelection;         // the item under the pointer or keyboard
    QColor popupSelectionOutline;  // a hairline round that item
    int popupItemPadding = 0;      // added to an item's height
    int popupTextIndent = 0;       // between the list's border and an item's text
};

struct SkinLook {
    int fontPixels = 13;
    int fontWeight = 400;
    SkinBox normal;
    std::optional<SkinBox> hover;
    std::optional<SkinBox> pressed;
    std::optional<SkinBox> checked;
    std::optional<SkinBox> focus;
    std::optional<SkinBox> disabled;
    // Applied in order over the box chosen above, so a later layer wins where both set a colour.
    std::vector<SkinLayer> layers;
    Qt::Alignment textAlignment = Qt::AlignCenter;
    // A minimum height of the contents, as a sheet's min-height: it replaces the control's
    // minimum height (border and padding added) when the control is polished.
    std::optional<int> minHeight;
    // False: a frame lays its children over its border and only inside its padding (the
    // caption and tool bars, whose bottom line lies under their children's area).
    bool bordersInsetContents = true;
    // A fixed width of the contents, as a sheet's equal min-width and max-width.
    std::optional<int> width;
    // An image drawn centred in a push button's contents, scaled down to fit them.
    QString image;
    std::optional<SkinSlider> slider;
    std::optional<SkinIndicator> indicator;
    std::optional<SkinCombo> combo;
    // A dynamic property that picks a variant look: the look registered under
    // "skin:value" ("skin:true" for a true boolean) when the control is polished.
    QByteArray variantProperty;
    QColor selection;      // line edits: selection background
    QColor selectionText;  // and its text
};

class SkinStyle : public QProxyStyle {
    Q_OBJECT
  public:
    explicit SkinStyle(QStyle* base);
    ~SkinStyle() override;

    // The application's SkinStyle, or nullptr when another style is set.
    static SkinStyle* Application();

    // Registers the look of controls of class `className` (or a subclass) whose "skin" property
    // is `skin` (empty: controls without a skin).
    void AddLook(const QByteArray& className, const QString& skin, const SkinLook& look);
    // The box of tool tips that no style sheet styles (those of controls painted from looks).
    void SetToolTipBox(const SkinBox& box) { toolTip_ = box; }
    void SetScalePercent(int percent) { percent_ = percent; }
    int ScalePercent() const { return percent_; }

    // The look painting `widget`, or nullptr when it is left to a style sheet or to Fusion.
    const SkinLook* LookOf(const QWidget* widget) const;
    // The combo look of the combo box whose open list `widget` is (its view or the view's
    // container), or null.
    const SkinCombo* PopupComboOf(const QWidget* widget) const;

    // Gives a control its look's font as soon as its class and skin are known, so the texts set
    // while a window is built are laid out once, in their final font, and not again when the
    // control is polished.
    void ApplyLookFont(QWidget* widget) const;
    // The same for a control whose "skin" property is known to be `skin` (empty: none).
    void ApplyLookFont(QWidget* widget, const QString& skin) const;
    // Gives a window the font of a look that sets none, at the current scale. Its controls
    // inherit it, so most of them need no font of their own.
    void ApplyBaseFont(QWidget* window) const;

    void polish(QWidget* widget) override;
    void unpolish(QWidget* widget) override;
    using QProxyStyle::polish;
    using QProxyStyle::unpolish;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                         SubControl subControl, const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;

  private slots:
    void Forget(QObject* widget);

  private:
    struct Key {
        QByteArray className;
        QString skin;
        bool operator==(const Key& other) const = default;
    };
    friend size_t qHash(const Key& key, size_t seed) {
        return qHashMulti(seed, key.className, key.skin);
    }

    const SkinLook* FindLook(const QWidget* widget) const;
    const SkinLook* FindLook(const QWidget* widget, const QString& skin) const;
    const QList<QByteArray>& LookClassesOf(const QMetaObject* meta) const;
    QPalette LookPalette(const SkinLook& look, const QPalette& inherited) const;
    void SetLookFont(QWidget* widget, const SkinLook& look) const;
    SkinBox BoxFor(const SkinLook& look, const QStyleOption* option) const;
    const SkinBox& StateBoxFor(const SkinLook& look, const QStyleOption* option) const;
    const SkinBox& IndicatorBoxFor(const SkinIndicator& indicator,
                                   const QStyleOption* option) const;
    void PaintToolButton(const SkinLook& look, const QStyleOptionComplex* option, QPainter* painter,
                         const QWidget* widget) const;
    int Scaled(int length) const;
    void PolishPopupList(QWidget* widget, const SkinCombo& combo) const;
    QMargins Scaled(const QMargins& margins) const;
    QMargins Inset(const SkinBox& box) const;  // border and padding
    void PaintBox(QPainter* painter, const QRect& rect, const SkinBox& box) const;
    void PaintSlider(const SkinLook& look, const QStyleOptionComplex* option,
                     QPainter* painter) const;
    void PaintCombo(const SkinLook& look, const QStyleOptionComplex* option, QPainter* painter,
                    const QWidget* widget) const;
    QRect ComboDropDown(const SkinLook& look, const QRect& rect) const;
    QRect SliderGroove(const SkinSlider& slider, const QStyleOptionComplex* option) const;
    QRect SliderHandle(const SkinSlider& slider, const QStyleOptionComplex* option) const;

    QHash<Key, SkinLook> looks_;
    QSet<QByteArray> classesWithLooks_;
    // For each class met, its own and its base classes' names that have looks, nearest first.
    mutable QHash<const QMetaObject*, QList<QByteArray>> lookClassesOf_;
    // A look's palette for each palette it was applied over (by the palette's cache key).
    mutable QHash<std::pair<const SkinLook*, qint64>, QPalette> lookPalettes_;
    QHash<const QWidget*, const SkinLook*> painted_;
    std::optional<SkinBox> toolTip_;
    int percent_ = 100;
};

}  // namespace korvel::ui
