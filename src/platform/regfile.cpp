#include "platform/regfile.h"

#include <QStringDecoder>
#include <QStringList>
#include <algorithm>

namespace td {

namespace {

// Finds a name in a list through its index.
template <typename List>
auto* lookUp(List& list, const QHash<QString, std::size_t>& index, const QString& name) {
    const auto it = index.constFind(foldedName(name));
    return it == index.constEnd() ? nullptr : &list[*it];
}

// Removes the named item from a list and its index; the items after it move up one place.
template <typename List>
bool removeFrom(List& list, QHash<QString, std::size_t>& index, const QString& name) {
    const auto it = index.find(foldedName(name));
    if (it == index.end()) {
        return false;
    }
    const std::size_t position = *it;
    index.erase(it);
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(position));
    for (auto& place : index) {
        if (place > position) {
            --place;
        }
    }
    return true;
}

QString escapeString(const QString& text) {
    const auto special = [](QChar c) {
        return c == QLatin1Char('\\') || c == QLatin1Char('"') || c == QLatin1Char('\n') ||
               c == QLatin1Char('\r');
    };
    if (std::none_of(text.begin(), text.end(), special)) {
        return text;
    }
    QString result;
    result.reserve(text.size() + 2);
    for (const QChar c : text) {
        switch (c.unicode()) {
            case '\\':
                result += QStringLiteral("\\\\");
                break;
            case '"':
                result += QStringLiteral("\\\"");
                break;
            case '\n':
                result += QStringLiteral("\\n");
                break;
            case '\r':
                result += QStringLiteral("\\r");
                break;
            default:
                result += c;
        }
    }
    return result;
}

// Reads a quoted string starting at `pos` (on the opening quote); on success `pos` is just
// past the closing quote.
bool readQuoted(const QString& line, qsizetype& pos, QString& out) {
    if (pos >= line.size() || line[pos] != QLatin1Char('"')) {
        return false;
    }
    out.clear();
    for (++pos; pos < line.size(); ++pos) {
        // Plain characters are taken a run at a time.
        qsizetype end = pos;
        while (end < line.size() && line[end] != QLatin1Char('"') &&
               line[end] != QLatin1Char('\\')) {
            ++end;
        }
        out += QStringView(line).mid(pos, end - pos);
        pos = end;
        if (pos >= line.size()) {
            break;
        }
        if (line[pos] == QLatin1Char('"')) {
            ++pos;
            return true;
        }
        if (++pos >= line.size()) {
            return false;
        }
        const QChar e = line[pos];
        if (e == QLatin1Char('n')) {
            out += QLatin1Char('\n');
        } else if (e == QLatin1Char('r')) {
            out += QLatin1Char('\r');
        } else {
            out += e;  // \\, \" and anything written by hand as itself
        }
    }
    return false;
}

bool isHex(const QString& text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
               (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
               (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
    });
}

void writeNode(const RegNode& node, const QString& path, QString& out) {
    out += QLatin1Char('[') + path + QStringLiteral("]\n");
    for (const RegValue& value : node.values()) {
        out += value.name.isEmpty()
                   ? QStringLiteral("@")
                   : QLatin1Char('"') + escapeString(value.name) + QLatin1Char('"');
        out += QLatin1Char('=');
        switch (value.type) {
            case ValueType::DWord:
                out += QStringLiteral("dword:%1").arg(value.dword, 8, 16, QLatin1Char('0'));
                break;
            case ValueType::Other:
                out += value.raw;
                break;
            default:
                out += QLatin1Char('"') + escapeString(value.text) + QLatin1Char('"');
        }
        out += QLatin1Char('\n');
    }
    out += QLatin1Char('\n');
    for (const RegNode& child : node.children()) {
        writeNode(child, path + QLatin1Char('\\') + child.name, out);
    }
}

}  // namespace

QString foldedName(const QString& name) {
    // Names are nearly always ASCII, where folding is lowering.
    if (std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        QString lower(name.size(), Qt::Uninitialized);
        QChar* out = lower.data();
        for (const QChar c : name) {
            const char16_t u = c.unicode();
            *out++ = QChar(u >= u'A' && u <= u'Z' ? char16_t(u + 0x20) : u);
        }
        return lower;
    }
    QString folded;
    folded.reserve(name.size());
    for (const char32_t c : name.toUcs4()) {
        const char32_t f = QChar::toCaseFolded(c);
        if (QChar::requiresSurrogates(f)) {
            folded += QChar(QChar::highSurrogate(f));
            folded += QChar(QChar::lowSurrogate(f));
        } else {
            folded += QChar(static_cast<char16_t>(f));
        }
    }
    return folded;
}

RegNode* RegNode::child(const QString& childName) {
    return lookUp(m_children, m_childIndex, childName);
}

const RegNode* RegNode::child(const QString& childName) const {
    return lookUp(m_children, m_childIndex, childName);
}

RegValue* RegNode::value(const QString& valueName) {
    return lookUp(m_values, m_valueIndex, valueName);
}

const RegValue* RegNode::value(const QString& valueName) const {
    return lookUp(m_values, m_valueIndex, valueName);
}

RegNode& RegNode::ensureChild(const QString& childName) {
    if (RegNode* existing = child(childName)) {
        return *existing;
    }
    m_childIndex.insert(foldedName(childName), m_children.size());
    m_children.emplace_back(childName);
    return m_children.back();
}

void RegNode::setValue(RegValue newValue) {
    QString folded = foldedName(newValue.name);
    if (const auto it = m_valueIndex.constFind(folded); it != m_valueIndex.constEnd()) {
        // The stored spelling of the name stays, as a second write with other case is the
        // same value.
        RegValue& existing = m_values[*it];
        newValue.name = existing.name;
        existing = std::move(newValue);
        return;
    }
    m_valueIndex.insert(std::move(folded), m_values.size());
    m_values.push_back(std::move(newValue));
}

bool RegNode::removeValue(const QString& valueName) {
    return removeFrom(m_values, m_valueIndex, valueName);
}

bool RegNode::removeChild(const QString& childName) {
    return removeFrom(m_children, m_childIndex, childName);
}

RegNode* RegNode::find(const QStringList& segments) {
    RegNode* node = this;
    for (const QString& segment : segments) {
        node = node->child(segment);
        if (node == nullptr) {
            return nullptr;
        }
    }
    return node;
}

const RegNode* RegNode::find(const QStringList& segments) const {
    return const_cast<RegNode*>(this)->find(segments);
}

bool parseRegFile(const QByteArray& bytes, RegNode& root, QString* error) {
    root = RegNode{};
    auto fail = [&](int lineNumber, const QString& why) {
        root = RegNode{};
        if (error != nullptr) {
            *error = lineNumber > 0 ? QStringLiteral("line %1: %2").arg(lineNumber).arg(why) : why;
        }
        return false;
    };

    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return fail(0, QStringLiteral("not UTF-8 text"));
    }
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.first().startsWith(QChar(0xFEFF))) {
        lines.first().remove(0, 1);
    }

    bool sawHeader = false;
    RegNode* current = nullptr;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int lineNumber = int(i + 1);
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';'))) {
            continue;
        }
        if (!sawHeader) {
            if (trimmed != QStringLiteral("REGEDIT4")) {
                return fail(lineNumber, QStringLiteral("missing REGEDIT4 header"));
            }
            sawHeader = true;
            continue;
        }
        if (trimmed.startsWith(QLatin1Char('['))) {
            if (!trimmed.endsWith(QLatin1Char(']'))) {
                return fail(lineNumber, QStringLiteral("unterminated key name"));
            }
            QString path = trimmed.mid(1, trimmed.size() - 2);
            const bool remove = path.startsWith(QLatin1Char('-'));
            if (remove) {
                path.remove(0, 1);
            }
            const QStringList segments = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
            if (segments.isEmpty() || !segments.first().startsWith(QStringLiteral("HKEY_"))) {
                return fail(lineNumber, QStringLiteral("key outside a hive"));
            }
            if (remove) {
                const QStringList parentPath = segments.mid(0, segments.size() - 1);
                if (RegNode* parent = root.find(parentPath)) {
                    parent->removeChild(segments.last());
                }
                current = nullptr;
                continue;
            }
            current = &root;
            for (const QString& segment : segments) {
                current = &current->ensureChild(segment);
            }
            continue;
        }
        if (current == nullptr) {
            return fail(lineNumber, QStringLiteral("value outside a key"));
        }
        // Value lines may be indented by hand.
        while (!line.isEmpty() && line.front().isSpace()) {
            line.remove(0, 1);
        }
        RegValue value;
        qsizetype pos = 0;
        if (line.startsWith(QLatin1Char('@'))) {
            pos = 1;
        } else if (!readQuoted(line, pos, value.name)) {
            return fail(lineNumber, QStringLiteral("bad value name"));
        }
        if (pos >= line.size() || line[pos] != QLatin1Char('=')) {
            return fail(lineNumber, QStringLiteral("missing '='"));
        }
        ++pos;
        QString data = line.mid(pos);
        if (data.startsWith(QLatin1Char('"'))) {
            qsizetype dataPos = 0;
            if (!readQuoted(data, dataPos, value.text) || !data.mid(dataPos).trimmed().isEmpty()) {
                return fail(lineNumber, QStringLiteral("bad string data"));
            }
            value.type = ValueType::String;
        } else if (data.trimmed() == QStringLiteral("-")) {
            current->removeValue(value.name);
            continue;
        } else if (data.startsWith(QStringLiteral("dword:"))) {
            const QString digits = data.mid(6).trimmed();
            if (digits.size() > 8 || !isHex(digits)) {
                return fail(lineNumber, QStringLiteral("bad dword data"));
            }
            value.type = ValueType::DWord;
            value.dword = digits.toUInt(nullptr, 16);
        } else if (data.startsWith(QStringLiteral("hex"))) {
            // Hex data may go on over lines that end in a backslash.
            QString raw = data.trimmed();
            while (raw.endsWith(QLatin1Char('\\'))) {
                if (i + 1 >= lines.size() || lines[i + 1].trimmed().isEmpty()) {
                    return fail(lineNumber, QStringLiteral("unfinished hex data"));
                }
                raw.chop(1);
                raw += lines[++i].trimmed();
            }
            value.type = ValueType::Other;
            value.raw = raw;
        } else {
            return fail(lineNumber, QStringLiteral("unknown data"));
        }
        current->setValue(std::move(value));
    }
    return true;
}

QByteArray writeRegFile(const RegNode& root) {
    QString out = QStringLiteral("REGEDIT4\n\n");
    for (const RegNode& hive : root.children()) {
        writeNode(hive, hive.name, out);
    }
    return out.toUtf8();
}

}  // namespace td
