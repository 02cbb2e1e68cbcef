#include "expected_names.h"

#include "ttfnames/fontnames.h"

namespace browsetest {

td::FontDataRow expectedRow(const QString& path, const QString& entry) {
    return td::fontDataRow(td::ReadFontNames(path), entry);
}

}  // namespace browsetest
