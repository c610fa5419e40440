// The yardstick of the start-up benchmark: a minimal Qt window with the application's fonts and
// one line of text, announcing its first paint the way korvel-dsp does with its start-up trace.

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <ctime>

namespace {

class MinimalWindow : public QWidget {
  protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            timespec cpu{};
            clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
            std::printf("korvel-dsp: first paint\nkorvel-dsp: first paint cpu %.3f ms\n",
                        cpu.tv_sec * 1e3 + cpu.tv_nsec / 1e6);
            std::fflush(stdout);
        }
        return QWidget::event(event);
    }

  private:
    bool painted_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QFont font = QApplication::font();  // the families korvel-dsp asks for
    font.setFamilies({QStringLiteral("Segoe UI"), QStringLiteral("Microsoft YaHei"),
                      QStringLiteral("Noto Sans CJK SC"), QStringLiteral("DejaVu Sans")});
    font.setStyleStrategy(QFont::PreferNoShaping);
    QApplication::setFont(font);
    MinimalWindow window;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("Korvel DSP Audio")));
    window.resize(984, 520);
    window.show();
    return QApplication::exec();
}
