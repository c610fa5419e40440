#pragma once
// Top view of a car with one marker button per speaker role ("speaker_1" .. "speaker_24").
// The main window shows the markers of the roles that some output channel carries; a click on a
// marker notifies the window like any other button.

#include <QWidget>
#include <array>

class QPushButton;

namespace korvel {

class SpeakerMapUI : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kMarkers = 24;

    explicit SpeakerMapUI(QWidget* parent = nullptr);

    // Marker of role 1..24; nullptr for any other role.
    QPushButton* Marker(int role) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QRectF CarBody() const;
    void PlaceMarkers();

    std::array<QPushButton*, kMarkers> markers_{};
};

}  // namespace korvel
