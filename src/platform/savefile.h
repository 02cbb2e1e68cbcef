#pragma once

#include <QByteArray>
#include <QString>

namespace td {

// Writes a whole file through a temporary file that replaces the target only when complete, so
// a failure leaves no half-written file and an existing one untouched. Throws td::Error naming
// the path when the file cannot be written.
void saveFileContents(const QString& fileName, const QByteArray& bytes);

// The same without waiting for the data to reach the disk: for many small files written in one
// go (the pictures of a character map), where that wait takes nearly all the time. A failure
// still leaves no half-written file; the system writes the data out in its own time.
void saveFileContentsUnflushed(const QString& fileName, const QByteArray& bytes);

}  // namespace td
