#include "browse/propertiesfill.h"

#include "browse/fontlisting.h"
#include "platform/windowset.h"
#include "ttfnames/tform1.h"

namespace td {

void fillPropertiesDialog(TForm1& form, const DirectorySource& source, int row) {
    const FontListing& listing = source.listing();
    const FontDataRow& data = listing.row(row);
    form.fill(listing.path(row), data[kColEntry], namesOfRow(data), source.viewMode() == 3,
              listing.faceCount(row));
}

void fillPropertiesDialog(WindowSet& windows, const DirectorySource& source, int row) {
    if (auto* form = windows.find<TForm1>()) {
        fillPropertiesDialog(*form, source, row);
    }
}

void showPropertiesDialog(WindowSet& windows) {
    if (auto* form = windows.find<TForm1>()) {
        form->showDialog();
    }
}

}  // namespace td
