#pragma once

#include <QString>

#include "browse/fontlisting.h"

namespace browsetest {

// The table row the listing should hold for the font file `path` listed as `entry`, read
// straight from the names reader (kept in a unit of its own: the reader's header and the
// archive component's header do not mix).
td::FontDataRow expectedRow(const QString& path, const QString& entry);

}  // namespace browsetest
