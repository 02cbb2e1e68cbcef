#pragma once

#include <QByteArray>
#include <QString>

namespace td {

// Writes a whole file through a temporary file that replaces the target only when complete, so
// a failure leaves no half-written file and an existing one untouched. Throws td::Error naming
// the path when the file cannot be written.
void saveFileContents(const QString& fileName, const QByteArray& bytes);

}  // namespace td
