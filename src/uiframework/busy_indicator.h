#pragma once
// Animated ring of dots shown while the device is busy. It animates from a timer of the GUI
// event loop, so the window stays responsive and repaints while a worker thread does the work.

#include <QTimer>
#include <QWidget>

namespace korvel::ui {

class BusyIndicator : public QWidget {
    Q_OBJECT
  public:
    explicit BusyIndicator(QWidget* parent = nullptr);

    int Phase() const { return phase_; }  // advances once per animation step
    bool IsAnimating() const { return timer_.isActive(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    QTimer timer_;
    int phase_ = 0;
};

}  // namespace korvel::ui
