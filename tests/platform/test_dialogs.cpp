#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QMessageBox>
#include <memory>

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

// Message boxes stay above every window of the program, and even a box with a one-word text is
// wide enough for its whole caption.
TEST(MessageBox, ComesAboveEveryWindowAndShowsItsWholeCaption) {
    QFont bold = QApplication::font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const struct {
        QString caption;
        QString text;
    } cases[] = {
        {QString(), QStringLiteral("No")},
        {QStringLiteral("Open Existing or New ZIP File"), QStringLiteral("?")},
    };
    for (const auto& c : cases) {
        const std::unique_ptr<QMessageBox> box = td::makeMessageBox(
            nullptr, td::BoxIcon::Warning, c.text, td::BoxButtons::Ok, c.caption);
        box->show();
        const QString title =
            c.caption.isEmpty() ? QApplication::applicationDisplayName() : c.caption;
        EXPECT_EQ(box->windowTitle(), title);
        EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        // The caption and, beside it, the title bar's icon and buttons.
        EXPECT_GE(box->width(), metrics.horizontalAdvance(title) + 3 * metrics.height())
            << title.toStdString();
        box->close();
    }
}
