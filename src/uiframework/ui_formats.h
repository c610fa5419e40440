#pragma once
// The framework's text formats without widgets: layout XML, language XML, and their compiled
// forms. The build compiles every embedded layout and language file (korvel-ui-compile) and
// embeds the result beside it as "<resource>.bin"; reading that is several times cheaper than
// parsing the XML, which matters for the first paint of a window with hundreds of controls.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <vector>

namespace korvel::ui {

struct LayoutNode {
    QString tag;
    QHash<QString, QString> attributes;
    std::vector<LayoutNode> children;

    QString Attribute(const QString& name, const QString& fallback = {}) const {
        return attributes.value(name, fallback);
    }
    bool operator==(const LayoutNode& other) const = default;
};

// Parses layout XML into nodes; returns false (and an error text) on malformed XML.
bool ParseLayout(const QByteArray& xml, LayoutNode* root, QString* error);

// Parses a language file (<Language><Text key="...">text</Text>...</Language>).
bool ParseLanguageTexts(const QByteArray& xml, QHash<QString, QString>* texts);

// The name under which a resource's compiled form is embedded.
inline QString CompiledResourceName(const QString& resource) {
    return resource + QStringLiteral(".bin");
}

QByteArray CompileLayout(const LayoutNode& root);
QByteArray CompileTexts(const QHash<QString, QString>& texts);

// Read a compiled form; false when the bytes are not one (wrong kind, version or truncated).
bool LoadCompiledLayout(const QByteArray& bytes, LayoutNode* root);
bool LoadCompiledTexts(const QByteArray& bytes, QHash<QString, QString>* texts);

}  // namespace korvel::ui
