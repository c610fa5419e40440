#include "windows/text_format.h"

namespace korvel {

QString FormatInts(const QString& format, std::initializer_list<int> values) {
    QString out;
    auto value = values.begin();
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == QLatin1Char('%') && i + 1 < format.size()) {
            const QChar next = format[i + 1];
            if (next == QLatin1Char('d') && value != values.end()) {
                out += QString::number(*value++);
                ++i;
                continue;
            }
            if (next == QLatin1Char('%')) {
                out += QLatin1Char('%');
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

}  // namespace korvel
