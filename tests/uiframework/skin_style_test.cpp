// Looks of the application style: state layers combine per colour, later layers winning, and
// a skinned combo box's list.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <memory>

#include "common/qt_test_app.h"
#include "uiframework/framework.h"
#include "uiframework/skin_style.h"

namespace korvel::ui {
namespace {

const QColor kNormal(0x101010), kEdge(0x202020), kHoverBack(0x303030), kHoverEdge(0x404040),
    kPressedBack(0x505050), kCheckedBack(0x606060), kCheckedEdge(0x707070);

SkinLook LayeredLook() {
    SkinLook look;
    look.normal.background = kNormal;
    look.normal.border = kEdge;
    look.normal.borderWidth = QMargins(1, 1, 1, 1);
    look.layers = {{SkinState::Hover, kHoverBack, kHoverEdge, {}},
                   {SkinState::Pressed, kPressedBack, {}, {}},
                   {SkinState::Checked, kCheckedBack, kCheckedEdge, {}}};
    return look;
}

TEST(SkinStyleTest, StateLayersCombinePerColour) {
    test::EnsureQtApp();
    SkinStyle style(QStyleFactory::create(QStringLiteral("Fusion")));
    style.AddLook("QPushButton", QStringLiteral("layered"), LayeredLook());
    QPushButton button;
    button.setProperty("skin", QStringLiteral("layered"));
    button.setStyle(&style);
    button.ensurePolished();
    ASSERT_NE(style.LookOf(&button), nullptr);

    struct Case {
        QStyle::State state;
        QColor background;
        QColor border;
    };
    const QStyle::State on = QStyle::State_Enabled;
    const Case cases[] = {
        {on, kNormal, kEdge},
        {on | QStyle::State_MouseOver, kHoverBack, kHoverEdge},
        {on | QStyle::State_MouseOver | QStyle::State_Sunken, kPressedBack, kHoverEdge},
        {on | QStyle::State_MouseOver | QStyle::State_On, kCheckedBack, kCheckedEdge},
    };
    for (const Case& c : cases) {
        QImage image(20, 20, QImage::Format_RGB32);
        image.fill(Qt::white);
        QStyleOptionButton option;
        option.rect = image.rect();
        option.state = c.state;
        QPainter painter(&image);
        style.drawControl(QStyle::CE_PushButton, &option, &painter, &button);
        painter.end();
        EXPECT_EQ(image.pixelColor(10, 10), c.background) << int(c.state);
        EXPECT_EQ(image.pixelColor(0, 10), c.border) << int(c.state);
    }
    button.setStyle(nullptr);
}

// Every row of a skinned combo box's list takes the skin's padded height and sits right below the
// one before (rows placed at another height overlap and push the last ones out of the popup), and
// the list takes the popup's colours.
TEST(SkinStyleTest, ComboListRowsTakeThePaddedHeight) {
    test::EnsureQtApp();
    UiFramework::Instance();  // installs the application style
    SkinStyle* style = SkinStyle::Application();
    ASSERT_NE(style, nullptr);
    SkinLook look;
    SkinCombo list;
    list.popupBackground = QColor(0x1d2025);
    list.popupBorder = QColor(0x414855);
    list.popupText = QColor(0xdce1e8);
    list.popupSelection = QColor(0x2a2e35);
    list.popupItemPadding = 10;
    look.combo = list;
    style->AddLook("QComboBox", QStringLiteral("listtest"), look);

    QWidget window;
    auto* combo = new QComboBox(&window);
    for (int i = 0; i < 6; ++i) {
        combo->addItem(QString::number(i));
    }
    QFont font = combo->font();
    font.setPixelSize(11);
    combo->setProperty("skin", QStringLiteral("listtest"));
    combo->setFont(font);  // a combo box makes its list on its first font change
    window.show();
    test::PumpFor(std::chrono::milliseconds(20));
    combo->showPopup();
    test::PumpFor(std::chrono::milliseconds(50));

    QAbstractItemView* view = combo->view();
    const int rowHeight = view->visualRect(combo->model()->index(0, 0)).height();
    EXPECT_GE(rowHeight, QFontMetrics(font).height() + style->ScalePercent() * 10 / 100 - 1);
    for (int row = 1; row < combo->count(); ++row) {
        EXPECT_EQ(view->visualRect(combo->model()->index(row, 0)).top(), row * rowHeight) << row;
    }
    EXPECT_EQ(view->palette().color(QPalette::Base), list.popupBackground);
    combo->hidePopup();
}

}  // namespace
}  // namespace korvel::ui
