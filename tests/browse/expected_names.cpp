#include "expected_names.h"

#include "browse/propertiesfill.h"
#include "platform/services.h"
#include "ttfnames/fontnames.h"
#include "ttfnames/tform1.h"

namespace browsetest {

td::FontDataRow expectedRow(const QString& path, const QString& entry) {
    return td::fontDataRow(td::ReadFontNames(path), entry);
}

namespace {

QStringList inRecordOrder(const td::TFontNames& names) {
    QStringList list;
    for (int i = 0; i < td::TFontNames::count; ++i) {
        list << names.at(i);
    }
    return list;
}

}  // namespace

PropertiesView fillProperties(const td::DirectorySource& source, int row) {
    td::Services services;
    TForm1 form(services);
    td::fillPropertiesDialog(form, source, row);
    return PropertiesView{form.fontPath(), form.windowTitle(), form.isReadOnly(),
                          inRecordOrder(form.fieldNames())};
}

QStringList namesOf(const QString& path) {
    return inRecordOrder(td::ReadFontNames(path));
}

}  // namespace browsetest
