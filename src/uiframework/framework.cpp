#include "uiframework/framework.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QPalette>
#include <QRegularExpression>
#include <QScreen>
#include <QStyleFactory>
#include <vector>

#include "log/log.h"
#include "uiframework/language.h"
#include "uiframework/skin_style.h"

// Resources of a static library must be registered explicitly (outside any namespace).
static void InitUiFrameworkResources() {
    Q_INIT_RESOURCE(uiframework);
    Q_INIT_RESOURCE(uiframework_compiled);
}

void korvel::ui::EnsureUiFrameworkResources() {
    static const bool registered = [] {
        InitUiFrameworkResources();
        return true;
    }();
    (void)registered;
}

namespace korvel::ui {

namespace {

QPalette DarkPalette() {
    QPalette palette;
    const QColor window(0x1d, 0x20, 0x25);
    const QColor base(0x15, 0x17, 0x1b);
    const QColor text(0xdc, 0xe1, 0xe8);
    const QColor accent(0x2d, 0xa8, 0xff);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window.lighter(110));
    palette.setColor(QPalette::ToolTipBase, QColor(0x2a, 0x2e, 0x35));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(0x2a, 0x2e, 0x35));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, QColor(0xff, 0x5a, 0x5f));
    palette.setColor(QPalette::Highlight, accent);
    palette.setColor(QPalette::HighlightedText, QColor(0x0b, 0x0d, 0x10));
    palette.setColor(QPalette::Link, accent);
    palette.setColor(QPalette::PlaceholderText, QColor(0x7c, 0x85, 0x93));
    const QColor disabled(0x6b, 0x72, 0x7d);
    palette.setColor(QPalette::Disabled, QPalette::Text, disabled);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, disabled);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, disabled);
    return palette;
}

}  // namespace

UiFramework& UiFramework::Instance() {
    static UiFramework* instance = new UiFramework();  // lives as long as the process
    return *instance;
}

UiFramework::UiFramework() {
    EnsureUiFrameworkResources();
    // Fusion, with the painted skins of controls that are not under a style sheet.
    QApplication::setStyle(new SkinStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
    QApplication::setPalette(DarkPalette());
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Segoe UI"), QStringLiteral("Microsoft YaHei"),
                      QStringLiteral("Noto Sans CJK SC"), QStringLiteral("DejaVu Sans")});
    QApplication::setFont(font);
    QFile skin(QStringLiteral(":/skin/dark.qss"));
    if (skin.open(QIODevice::ReadOnly)) {
        skin_ = QString::fromUtf8(skin.readAll());
    } else {
        WriteLog("UiFramework: skin style sheet missing\n");
    }
    LanguageManager::Instance();  // registers the embedded language files
}

void UiFramework::SetDpi(int dpi) {
    if (dpi <= 0) {
        return;
    }
    const int before = ScalePercent();
    dpi_ = dpi;
    if (SkinStyle* style = SkinStyle::Application()) {
        style->SetScalePercent(ScalePercent());
    }
    if (ScalePercent() != before) {
        emit ScaleChanged(ScalePercent());
    }
}

int UiFramework::ApplyScreenDpi() {
    std::vector<ScreenRect> rects;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        rects.push_back({g.x(), g.y(), g.width(), g.height()});
    }
    const ScreenRect widest = WidestScreen(rects);
    WriteLog("screen size %d x %d\n", widest.width, widest.height);
    SetDpi(ChooseDpi(widest));
    FollowScreens();
    return dpi_;
}

void UiFramework::FollowScreens() {
    if (followingScreens_) {
        return;
    }
    followingScreens_ = true;
    auto watch = [this](QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, this, [this] { ApplyScreenDpi(); });
    };
    for (QScreen* screen : QGuiApplication::screens()) {
        watch(screen);
    }
    connect(qApp, &QGuiApplication::screenAdded, this, [this, watch](QScreen* screen) {
        watch(screen);
        ApplyScreenDpi();
    });
    // The removed screen is still listed while this signal runs; choose once it is gone.
    connect(qApp, &QGuiApplication::screenRemoved, this, [this] {
        QMetaObject::invokeMethod(
            this, [this] { ApplyScreenDpi(); }, Qt::QueuedConnection);
    });
}

QString UiFramework::ScaleStyleSheet(const QString& sheet, int percent) {
    static const QRegularExpression pixels(QStringLiteral(R"((\d+)px)"));
    QString result;
    qsizetype last = 0;
    auto matches = pixels.globalMatch(sheet);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        result += sheet.mid(last, match.capturedStart() - last);
        const int length = match.captured(1).toInt();
        // Hairlines stay at least one pixel wide at small scales.
        const int scaled = length == 0 ? 0 : qMax(1, ScaleLength(length, percent));
        result += QString::number(scaled) + QStringLiteral("px");
        last = match.capturedEnd();
    }
    result += sheet.mid(last);
    return result;
}

QString UiFramework::StyleSheet(int percent) const {
    return ScaleStyleSheet(skin_, percent);
}

}  // namespace korvel::ui
