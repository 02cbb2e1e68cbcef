#include <gtest/gtest.h>

#include <QFileDialog>

#include "platform/dialogs.h"
#include "sandbox.h"

// The dialog that asks for an archive to open or to create takes a name that does not exist
// yet, and its filter matches names in any case.
TEST(OpenOrNewDialog, AcceptsANewNameAndMatchesTheFilterInAnyCase) {
    tdtest::Sandbox sandbox;
    QFileDialog dialog;
    td::setUpOpenOrNewDialog(dialog, QStringLiteral("Open Existing or New ZIP File"),
                             sandbox.root(), QStringLiteral("ZIP Files (*.ZIP)"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Open Existing or New ZIP File"));
    EXPECT_EQ(dialog.nameFilters(), QStringList{QStringLiteral("ZIP Files (*.ZIP)")});
    // Any other mode would answer a new name with a modal warning.
    ASSERT_EQ(dialog.fileMode(), QFileDialog::AnyFile);
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_FALSE(dialog.filter().testFlag(QDir::CaseSensitive));

    const QString name = sandbox.path(QStringLiteral("new fonts.zip"));
    dialog.selectFile(name);
    QMetaObject::invokeMethod(&dialog, "accept");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.selectedFiles(), QStringList{name});
}
