// The yardstick of the start-up benchmark: a minimal Qt window with the application's fonts,
// announcing its first paint the way korvel-dsp does with its start-up trace. It shows one line of
// text in the application font and one more in each font given as "PIXELS/WEIGHT" on the command
// line: the benchmark passes the sizes and weights korvel-dsp's main window draws its texts in.

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
    const QString sample = QStringLiteral("Korvel DSP Audio 0123456789 -.dB Hz");
    layout->addWidget(new QLabel(sample));
    for (int i = 1; i < argc; ++i) {
        int pixels = 0;
        int weight = 0;
        if (std::sscanf(argv[i], "%d/%d", &pixels, &weight) != 2 || pixels <= 0 || weight <= 0) {
            std::fprintf(stderr, "not a font (PIXELS/WEIGHT): %s\n", argv[i]);
            return 2;
        }
        auto* line = new QLabel(sample);
        QFont lineFont = font;
        lineFont.setPixelSize(pixels);
        lineFont.setWeight(QFont::Weight(weight));
        line->setFont(lineFont);
        layout->addWidget(line);
    }
    window.resize(984, 520);
    window.show();
    return QApplication::exec();
}
