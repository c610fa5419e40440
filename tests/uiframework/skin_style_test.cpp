// Looks of the application style: state layers combine per colour, later layers winning.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <memory>

#include "common/qt_test_app.h"
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

}  // namespace
}  // namespace korvel::ui
