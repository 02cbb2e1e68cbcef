#pragma once

#include <QString>
#include <QStringList>

#include "browse/fontlisting.h"

// Helpers that need the names reader's headers, kept in a unit of their own: those headers and
// the archive component's header do not mix.
namespace browsetest {

// The table row the listing should hold for the font file `path` listed as `entry`, read
// straight from the names reader.
td::FontDataRow expectedRow(const QString& path, const QString& entry);

// What a Properties dialog shows after being filled for a listing row.
struct PropertiesView {
    QString path;
    QString caption;
    bool readOnly = false;
    QStringList fields;  // in record order
};
PropertiesView fillProperties(const td::DirectorySource& source, int row);

// The names of `path` in record order.
QStringList namesOf(const QString& path);

}  // namespace browsetest
