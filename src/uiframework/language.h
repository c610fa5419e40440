#pragma once
// Language manager: maps the dollar-brace text keys of layouts and code ("${tips}") to the texts
// of the selected language. Language files are embedded resources in a small XML format:
//
//   <Language code="en">
//     <Text key="tips">Tips</Text>
//   </Language>
//
// A key missing in the selected language falls back to English; a key missing there too is
// shown as written ("${key}"), so a missing translation is visible rather than blank.

#include <QHash>
#include <QObject>
#include <QString>

namespace korvel::ui {

inline const QString kLanguageEnglish = QStringLiteral("en");
inline const QString kLanguageChinese = QStringLiteral("cn_zh");
inline const QString kLanguageRussian = QStringLiteral("ru");

inline const QString kLanguageFileEnglish = QStringLiteral(":/lan/lan_en.xml");
inline const QString kLanguageFileChinese = QStringLiteral(":/lan/lan_cn.xml");

// The language code stored as the settings value "lan": 0 en, 1 cn_zh, 2 ru; anything else gives
// an empty code, which leaves the current language in force.
QString LanguageCodeForSetting(int value);

// Used from the GUI thread only: a lookup may read a language file that was not loaded yet.
class LanguageManager : public QObject {
    Q_OBJECT
  public:
    // The first call registers the embedded English and Chinese files; English, the fallback of
    // every language, is loaded at once, Chinese when its first text is looked up.
    static LanguageManager& Instance();

    // Registers a language file (resource or file path) under a code; loads it at once.
    // Returns false when the file cannot be read or parsed (the code then has no texts).
    bool Register(const QString& code, const QString& path);

    // Selects a language. An unregistered code is accepted: its texts fall back to English.
    // Emits LanguageChanged when the code differs from the current one.
    void Select(const QString& code);
    QString Current() const { return current_; }

    // The text of one key (without the dollar braces).
    QString Text(const QString& key) const;

    // Replaces every "${key}" in `raw` by its text; text without keys is returned unchanged.
    QString Translate(const QString& raw) const;

    static bool ContainsKey(const QString& raw);

    // Parses one language file's content; exposed for tests. Returns false on malformed XML.
    static bool ParseLanguageXml(const QByteArray& xml, QHash<QString, QString>* texts);

  signals:
    void LanguageChanged();

  private:
    LanguageManager() = default;
    bool Lookup(const QString& code, const QString& key, QString* text) const;
    bool Load(const QString& code, const QString& path) const;

    // Loaded languages, and embedded files not read yet (code to path).
    mutable QHash<QString, QHash<QString, QString>> languages_;
    mutable QHash<QString, QString> notLoaded_;
    QString current_ = kLanguageEnglish;
};

// Shorthand for LanguageManager::Instance().Translate(raw).
QString Tr(const QString& raw);

}  // namespace korvel::ui
