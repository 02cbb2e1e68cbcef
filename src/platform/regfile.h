#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <cstdint>
#include <utility>
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

// The form of a value or key name under which names that differ only in case are one: each
// character folded as the case-insensitive comparison folds it.
QString foldedName(const QString& name);

// One key with its values and subkeys in stored order. The tree's root has no name; its
// children are the hives ("HKEY_LOCAL_MACHINE", ...). Values and subkeys are found through an
// index by folded name, so a key of thousands of values costs no more per look-up than a key of
// ten; the lists keep the stored order and the first spelling of each name.
class RegNode {
  public:
    RegNode() = default;
    explicit RegNode(QString name) : name(std::move(name)) {}

    QString name;

    // In stored order.
    const std::vector<RegValue>& values() const { return m_values; }
    const std::vector<RegNode>& children() const { return m_children; }

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

  private:
    std::vector<RegValue> m_values;
    std::vector<RegNode> m_children;
    // Folded name -> position in the list.
    QHash<QString, std::size_t> m_valueIndex;
    QHash<QString, std::size_t> m_childIndex;
};

// Reads a REGEDIT4 text (UTF-8). False with a message naming the line when the text is not
// such a file; `root` is then left empty. An empty text is an empty registry.
bool parseRegFile(const QByteArray& text, RegNode& root, QString* error = nullptr);

// The REGEDIT4 text of a tree: every key gets its header, so empty keys survive; strings escape
// backslash, double quote, line feed and carriage return.
QByteArray writeRegFile(const RegNode& root);

}  // namespace td
