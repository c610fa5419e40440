// korvel-ui-compile layout|language IN OUT
//
// Compiles a layout or language file for embedding (see ui_formats.h). A file that does not
// parse fails the build with its error instead of failing at run time.

#include <QFile>
#include <QSaveFile>
#include <cstdio>
#include <cstring>

#include "uiframework/ui_formats.h"

namespace {

int Fail(const char* path, const QString& why) {
    std::fprintf(stderr, "korvel-ui-compile: %s: %s\n", path, why.toLocal8Bit().constData());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[1], "layout") != 0 && std::strcmp(argv[1], "language"))) {
        std::fprintf(stderr, "usage: korvel-ui-compile layout|language IN OUT\n");
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[2]));
    if (!in.open(QIODevice::ReadOnly)) {
        return Fail(argv[2], in.errorString());
    }
    const QByteArray xml = in.readAll();
    QByteArray compiled;
    if (std::strcmp(argv[1], "layout") == 0) {
        korvel::ui::LayoutNode root;
        QString error;
        if (!korvel::ui::ParseLayout(xml, &root, &error)) {
            return Fail(argv[2], error);
        }
        compiled = korvel::ui::CompileLayout(root);
    } else {
        QHash<QString, QString> texts;
        if (!korvel::ui::ParseLanguageTexts(xml, &texts)) {
            return Fail(argv[2], QStringLiteral("not a language file"));
        }
        compiled = korvel::ui::CompileTexts(texts);
    }
    QSaveFile out(QString::fromLocal8Bit(argv[3]));
    if (!out.open(QIODevice::WriteOnly) || out.write(compiled) != compiled.size() ||
        !out.commit()) {
        return Fail(argv[3], out.errorString());
    }
    return 0;
}
