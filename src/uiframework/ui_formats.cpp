#include "uiframework/ui_formats.h"

#include <QDataStream>
#include <QIODevice>
#include <QXmlStreamReader>

namespace korvel::ui {

namespace {

constexpr quint32 kMagic = 0x4b56554d;  // "KVUM"
constexpr quint16 kFormatVersion = 1;
constexpr quint16 kLayoutKind = 1;
constexpr quint16 kTextsKind = 2;
constexpr int kMaxDepth = 64;  // deeper than any layout; bounds the reader's recursion

void SetUpStream(QDataStream& stream) {
    stream.setVersion(QDataStream::Qt_6_0);
}

void WriteHeader(QDataStream& stream, quint16 kind) {
    SetUpStream(stream);
    stream << kMagic << kFormatVersion << kind;
}

bool ReadHeader(QDataStream& stream, quint16 kind) {
    SetUpStream(stream);
    quint32 magic = 0;
    quint16 version = 0;
    quint16 readKind = 0;
    stream >> magic >> version >> readKind;
    return stream.status() == QDataStream::Ok && magic == kMagic && version == kFormatVersion &&
           readKind == kind;
}

void WriteNode(QDataStream& stream, const LayoutNode& node) {
    stream << node.tag << node.attributes << quint32(node.children.size());
    for (const LayoutNode& child : node.children) {
        WriteNode(stream, child);
    }
}

bool ReadNode(QDataStream& stream, LayoutNode* node, int depth) {
    quint32 children = 0;
    stream >> node->tag >> node->attributes >> children;
    if (stream.status() != QDataStream::Ok || depth > kMaxDepth) {
        return false;
    }
    for (quint32 i = 0; i < children; ++i) {
        // Every child takes bytes, so a damaged count ends with the data instead of allocating.
        if (stream.atEnd()) {
            return false;
        }
        node->children.emplace_back();
        if (!ReadNode(stream, &node->children.back(), depth + 1)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool ParseLayout(const QByteArray& xml, LayoutNode* root, QString* error) {
    QXmlStreamReader reader(xml);
    std::vector<LayoutNode*> stack;
    bool haveRoot = false;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            LayoutNode* node = nullptr;
            if (stack.empty()) {
                if (haveRoot) {
                    break;  // second root element: reader reports the error below
                }
                haveRoot = true;
                node = root;
            } else {
                stack.back()->children.emplace_back();
                node = &stack.back()->children.back();
            }
            node->tag = reader.name().toString();
            for (const QXmlStreamAttribute& attribute : reader.attributes()) {
                node->attributes.insert(attribute.name().toString(), attribute.value().toString());
            }
            stack.push_back(node);
        } else if (token == QXmlStreamReader::EndElement) {
            stack.pop_back();
        }
    }
    if (reader.hasError() || !haveRoot) {
        *error = reader.hasError() ? reader.errorString() : QStringLiteral("empty layout");
        return false;
    }
    return true;
}

bool ParseLanguageTexts(const QByteArray& xml, QHash<QString, QString>* texts) {
    QXmlStreamReader reader(xml);
    bool sawRoot = false;
    while (reader.readNextStartElement()) {
        if (!sawRoot) {
            if (reader.name() != QLatin1String("Language")) {
                return false;
            }
            sawRoot = true;
            continue;
        }
        if (reader.name() == QLatin1String("Text")) {
            const QString key = reader.attributes().value(QLatin1String("key")).toString();
            const QString text = reader.readElementText();
            if (!key.isEmpty()) {
                texts->insert(key, text);
            }
        } else {
            reader.skipCurrentElement();
        }
    }
    return sawRoot && !reader.hasError();
}

QByteArray CompileLayout(const LayoutNode& root) {
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    WriteHeader(stream, kLayoutKind);
    WriteNode(stream, root);
    return bytes;
}

QByteArray CompileTexts(const QHash<QString, QString>& texts) {
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    WriteHeader(stream, kTextsKind);
    stream << texts;
    return bytes;
}

bool LoadCompiledLayout(const QByteArray& bytes, LayoutNode* root) {
    QDataStream stream(bytes);
    LayoutNode read;
    if (!ReadHeader(stream, kLayoutKind) || !ReadNode(stream, &read, 0) || !stream.atEnd()) {
        return false;
    }
    *root = std::move(read);
    return true;
}

bool LoadCompiledTexts(const QByteArray& bytes, QHash<QString, QString>* texts) {
    QDataStream stream(bytes);
    QHash<QString, QString> read;
    if (!ReadHeader(stream, kTextsKind)) {
        return false;
    }
    stream >> read;
    if (stream.status() != QDataStream::Ok || !stream.atEnd()) {
        return false;
    }
    *texts = std::move(read);
    return true;
}

}  // namespace korvel::ui
