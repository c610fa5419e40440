#include "uiframework/language.h"

#include <QFile>
#include <QRegularExpression>

#include "log/log.h"
#include "uiframework/framework.h"
#include "uiframework/ui_formats.h"

namespace korvel::ui {

namespace {

const QRegularExpression& KeyPattern() {
    // Keys are usually lower case with underscores, but a few carry blanks ("${reverse phase}").
    static const QRegularExpression pattern(QStringLiteral(R"(\$\{([^{}$]+)\})"));
    return pattern;
}

}  // namespace

QString LanguageCodeForSetting(int value) {
    switch (value) {
        case 0:
            return kLanguageEnglish;
        case 1:
            return kLanguageChinese;
        case 2:
            return kLanguageRussian;
        default:
            return {};
    }
}

LanguageManager& LanguageManager::Instance() {
    static LanguageManager* instance = [] {
        auto* manager = new LanguageManager();  // lives as long as the process
        EnsureUiFrameworkResources();
        manager->Register(kLanguageEnglish, kLanguageFileEnglish);
        manager->notLoaded_.insert(kLanguageChinese, kLanguageFileChinese);
        return manager;
    }();
    return *instance;
}

bool LanguageManager::ParseLanguageXml(const QByteArray& xml, QHash<QString, QString>* texts) {
    return ParseLanguageTexts(xml, texts);
}

bool LanguageManager::Register(const QString& code, const QString& path) {
    notLoaded_.remove(code);
    return Load(code, path);
}

bool LanguageManager::Load(const QString& code, const QString& path) const {
    QHash<QString, QString> texts;
    if (QFile compiled(CompiledResourceName(path)); path.startsWith(QLatin1Char(':')) &&
                                                    compiled.open(QIODevice::ReadOnly) &&
                                                    LoadCompiledTexts(compiled.readAll(), &texts)) {
        languages_.insert(code, std::move(texts));
        return true;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !ParseLanguageXml(file.readAll(), &texts)) {
        WriteLog("LanguageManager::Register failed for %s\n", path.toUtf8().constData());
        languages_.remove(code);
        return false;
    }
    languages_.insert(code, std::move(texts));
    return true;
}

void LanguageManager::Select(const QString& code) {
    if (code.isEmpty() || code == current_) {
        return;
    }
    current_ = code;
    emit LanguageChanged();
}

bool LanguageManager::Lookup(const QString& code, const QString& key, QString* text) const {
    if (const auto file = notLoaded_.constFind(code); file != notLoaded_.constEnd()) {
        const QString path = *file;
        notLoaded_.erase(file);
        Load(code, path);
    }
    const auto language = languages_.constFind(code);
    if (language == languages_.constEnd()) {
        return false;
    }
    const auto found = language->constFind(key);
    if (found == language->constEnd()) {
        return false;
    }
    *text = *found;
    return true;
}

QString LanguageManager::Text(const QString& key) const {
    QString text;
    if (Lookup(current_, key, &text) || Lookup(kLanguageEnglish, key, &text)) {
        return text;
    }
    return QStringLiteral("${") + key + QLatin1Char('}');
}

QString LanguageManager::Translate(const QString& raw) const {
    if (!raw.contains(QLatin1String("${"))) {
        return raw;
    }
    QString result;
    qsizetype last = 0;
    auto matches = KeyPattern().globalMatch(raw);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        result += raw.mid(last, match.capturedStart() - last);
        result += Text(match.captured(1));
        last = match.capturedEnd();
    }
    result += raw.mid(last);
    return result;
}

bool LanguageManager::ContainsKey(const QString& raw) {
    // Most texts are values; only a text with "${" can hold a key.
    return raw.contains(QLatin1String("${")) && KeyPattern().match(raw).hasMatch();
}

QString Tr(const QString& raw) {
    return LanguageManager::Instance().Translate(raw);
}

}  // namespace korvel::ui
