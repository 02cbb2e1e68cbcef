#pragma once

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

namespace tdtest {

// The whole contents of a file; empty when it cannot be read.
QByteArray fileBytes(const QString& path);

// Writes a ZIP archive whose entries (stored name, contents) are kept uncompressed, through
// libzip; false when it cannot be written.
bool writeStoredZip(const QString& path,
                    const std::vector<std::pair<QByteArray, QByteArray>>& entries);

}  // namespace tdtest
