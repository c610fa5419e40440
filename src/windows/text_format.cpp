#include "windows/text_format.h"

namespace korvel {

QString FillFields(const QString& format, const QStringList& values) {
    QString out;
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == QLatin1Char('%') && i + 1 < format.size()) {
            const QChar field = format[i + 1];
            if ((field == QLatin1Char('d') || field == QLatin1Char('s')) && next < values.size()) {
                out += values[next++];
                ++i;
                continue;
            }
            if (field == QLatin1Char('%')) {
                out += QLatin1Char('%');
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

QString FormatInts(const QString& format, std::initializer_list<int> values) {
    QStringList texts;
    for (const int value : values) {
        texts.push_back(QString::number(value));
    }
    return FillFields(format, texts);
}

}  // namespace korvel
