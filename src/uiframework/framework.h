#pragma once
// Process-wide state of the window framework: resources, style, languages and the display scale
// shared by all windows.

#include <QObject>
#include <QString>

#include "uiframework/dpi_scale.h"

namespace korvel::ui {

// Registers the embedded skin and language resources (idempotent; needs no QApplication).
void EnsureUiFrameworkResources();

class UiFramework : public QObject {
    Q_OBJECT
  public:
    // Needs a QApplication. The first call loads the embedded skin, sets the dark style and
    // registers the English and Chinese language files.
    static UiFramework& Instance();

    int Dpi() const { return dpi_; }
    int ScalePercent() const { return ScalePercentForDpi(dpi_); }
    // Emits ScaleChanged when the scale changes; windows re-apply their lengths and style sheet.
    void SetDpi(int dpi);

    // Chooses the DPI from the widest screen (logged as "screen size %d x %d") and sets it.
    // Screens added, removed or resized later re-run the choice.
    int ApplyScreenDpi();

    // The skin's style sheet with every pixel length scaled to `percent`.
    QString StyleSheet(int percent) const;

    static QString ScaleStyleSheet(const QString& sheet, int percent);

  signals:
    void ScaleChanged(int percent);

  private:
    UiFramework();
    void FollowScreens();

    int dpi_ = kBaseDpi;
    bool followingScreens_ = false;
    QString skin_;
};

}  // namespace korvel::ui
