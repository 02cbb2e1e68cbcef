#pragma once

#include <QString>

namespace td {

// Copies every byte of the file `source` into the file `destination` (created, or truncated
// when it exists) in blocks of 8192 bytes; a relative `destination` is taken from the current
// folder. Returns whether every byte arrived: false when `source` cannot be opened (then
// `destination` is not touched), `destination` cannot be created, or a read or write fails.
// Copying a file onto itself leaves it as it is and succeeds.
bool CopyFileContents(const QString& source, const QString& destination);

}  // namespace td
