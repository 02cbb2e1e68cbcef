#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include "platform/registry.h"

namespace td {

// One stored value. Values of a type this program does not read (hex data written by hand or
// by another tool) keep their data text as written, so saving does not lose them.
struct RegValue {
    QString name;  // "" is the key's default value
    ValueType type = ValueType::String;
    QString text;             // String data
    std::uint32_t dword = 0;  // DWord data
    QString raw;              // Other: the data as it appears after '='
};

// One key with its values and subkeys in stored order. The tree's root has no name; its
// children are the hives ("HKEY_LOCAL_MACHINE", ...).
struct RegNode {
    QString name;
    std::vector<RegValue> values;
    std::vector<RegNode> children;

    // Case-insensitive look-ups; null when missing.
    RegNode* child(const QString& name);
    const RegNode* child(const QString& name) const;
    RegValue* value(const QString& name);
    const RegValue* value(const QString& name) const;
    // The child of that name, added at the end when missing.
    RegNode& ensureChild(const QString& name);
    // Sets a value in place, or adds it at the end.
    void setValue(RegValue value);
    bool removeValue(const QString& name);
    bool removeChild(const QString& name);

    // The node at the end of `segments`, or null.
    RegNode* find(const QStringList& segments);
    const RegNode* find(const QStringList& segments) const;
};

// Reads a REGEDIT4 text (UTF-8). False with a message naming the line when the text is not
// such a file; `root` is then left empty. An empty text is an empty registry.
bool parseRegFile(const QByteArray& text, RegNode& root, QString* error = nullptr);

// The REGEDIT4 text of a tree: every key gets its header, so empty keys survive; strings escape
// backslash, double quote, line feed and carriage return.
QByteArray writeRegFile(const RegNode& root);

}  // namespace td
