#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "platform/services.h"
#include "sandbox.h"
#include "scripted_dialogs.h"
#include "ttfbuilder.h"
#include "ttfnames/fontnames.h"
#include "ttfnames/tform1.h"

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

class PropertiesDialog : public tdtest::SandboxTest {
  protected:
    PropertiesDialog() {
        services.dialogs = &dialogs;
        fontBytes = tdtest::fontWithNames({tdtest::macRecords(tdtest::sampleTexts())});
        fontPath = sandbox.writeFile("fonts/sample.ttf", fontBytes);
    }

    QLineEdit* edit(int field) {
        return form.findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(field));
    }
    QPushButton* button(int n) {
        return form.findChild<QPushButton*>(QStringLiteral("Button%1").arg(n));
    }

    tdtest::ScriptedDialogs dialogs;
    td::Services services;
    QByteArray fontBytes;
    QString fontPath;
    TForm1 form{services};
};

TEST_F(PropertiesDialog, HasItsLabelsFieldsButtonsAndGeometry) {
    EXPECT_EQ(form.objectName(), "TForm1");
    EXPECT_EQ(form.windowTitle(), "Form1");
    EXPECT_FALSE(form.isVisible());
    // The label column grows with the desktop font; the fields and the dialog move along.
    const int widening = edit(1)->x() - 64;
    EXPECT_GE(widening, 0);
    EXPECT_EQ(form.size(), QSize(525 + widening, 306));
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(form.isWindow());

    const QStringList captions = {"Name:",       "Family:",     "Subfamily:", "Version:",
                                  "Identifier:", "Postscript:", "Copyright:", "Trademark:"};
    for (int row = 1; row <= 8; ++row) {
        auto* label = form.findChild<QLabel*>(QStringLiteral("Label%1").arg(row));
        ASSERT_NE(label, nullptr) << row;
        ASSERT_NE(edit(row), nullptr) << row;
        EXPECT_EQ(label->text(), captions[row - 1]);
        EXPECT_EQ(label->x(), 8);
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text())) << row;
        EXPECT_LE(label->geometry().right(), edit(row)->x()) << row;
        EXPECT_EQ(edit(row)->x(), 64 + widening);
        EXPECT_EQ(edit(row)->width(), 441);
        if (row > 1) {
            EXPECT_EQ(edit(row)->y() - edit(row - 1)->y(), 24);
        }
    }

    auto* panel = form.findChild<QFrame*>("Panel1");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->height(), 69);
    EXPECT_EQ(panel->geometry().bottom(), form.height() - 1);
    ASSERT_NE(button(1), nullptr);
    ASSERT_NE(button(2), nullptr);
    EXPECT_EQ(button(1)->parent(), panel);
    EXPECT_EQ(button(2)->parent(), panel);
    EXPECT_EQ(button(1)->size(), QSize(75, 25));
    EXPECT_EQ(button(2)->size(), QSize(75, 25));
    EXPECT_LT(button(2)->x() + 75, button(1)->x() + 1) << "Cancel stands left of the first button";
    EXPECT_EQ(button(1)->text(), "Close");
    EXPECT_EQ(button(2)->text(), "Cancel");
    EXPECT_TRUE(button(2)->isHidden());
    EXPECT_EQ(button(1)->geometry().right(), form.width() - 17);

    // Where the texts fit the designed column, the designed geometry stays.
    const QFont desktop = QApplication::font();
    QApplication::setFont(QFont(desktop.family(), 3));
    const TForm1 small{services};
    QApplication::setFont(desktop);
    EXPECT_EQ(small.size(), QSize(525, 306));
    EXPECT_EQ(small.findChild<QLineEdit*>("Edit8")->x(), 64);
}

TEST_F(PropertiesDialog, FillMapsPositionsToFieldsAndSetsLimits) {
    td::TFontNames names = td::ReadFontNames(fontPath);
    names.Identifier.clear();
    form.fill(fontPath, "sample.ttf", names, false);

    EXPECT_EQ(form.windowTitle(), "sample.ttf");
    EXPECT_EQ(form.fontPath(), fontPath);
    EXPECT_EQ(edit(1)->text(), names.Name);
    EXPECT_EQ(edit(2)->text(), names.Family);
    EXPECT_EQ(edit(3)->text(), names.Subfamily);
    EXPECT_EQ(edit(4)->text(), names.Version);
    EXPECT_EQ(edit(5)->text(), "");
    EXPECT_EQ(edit(6)->text(), names.Postscript);
    EXPECT_EQ(edit(7)->text(), names.Copyright);
    EXPECT_EQ(edit(8)->text(), names.Trademark);
    EXPECT_EQ(edit(2)->maxLength(), 11);
    EXPECT_EQ(edit(7)->maxLength(), names.Copyright.size());
    EXPECT_EQ(edit(5)->maxLength(), 32767) << "an empty string leaves the field without limit";
    EXPECT_EQ(form.fieldNames(), names);
    for (int position = 0; position < 8; ++position) {
        EXPECT_EQ(TForm1::positionOfField(TForm1::fieldOfPosition(position)), position);
    }

    // A longer text after a shorter one is not cut by the old limit.
    td::TFontNames longer = names;
    longer.Family = "A much longer family name";
    form.fill(fontPath, "other.ttf", longer, false);
    EXPECT_EQ(edit(2)->text(), longer.Family);

    // Typing cannot go beyond the stored length.
    edit(3)->clear();
    QTest::keyClicks(edit(3), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(edit(3)->text(), "ABCDEFGHIJK");
}

TEST_F(PropertiesDialog, CloseHidesWithoutWriting) {
    form.fillFromFile(fontPath, "sample.ttf", false);
    form.showDialog();
    ASSERT_TRUE(form.isVisible());
    QTest::mouseClick(button(1), Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(readAll(fontPath), fontBytes);
}

TEST_F(PropertiesDialog, EditingOffersSaveAndCancelHidesWithoutWriting) {
    form.fillFromFile(fontPath, "sample.ttf", false);
    form.showDialog();
    EXPECT_FALSE(form.hasUnsavedEdits());
    edit(2)->selectAll();
    QTest::keyClicks(edit(2), "Other");
    EXPECT_TRUE(form.hasUnsavedEdits());
    EXPECT_EQ(button(1)->text(), "Save");
    EXPECT_TRUE(button(2)->isVisible());

    QTest::mouseClick(button(2), Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(readAll(fontPath), fontBytes);

    // A refill goes back to "Close".
    form.fillFromFile(fontPath, "sample.ttf", false);
    EXPECT_EQ(button(1)->text(), "Close");
    EXPECT_TRUE(button(2)->isHidden());
    EXPECT_EQ(edit(2)->text(), "Sample Sans");
}

TEST_F(PropertiesDialog, SaveWritesTheFullPathWhateverTheCurrentFolder) {
    form.fillFromFile(fontPath, "sample.ttf", false);
    form.showDialog();
    const QString previous = QDir::currentPath();
    // Another folder holds a file of the same name: it must stay as it is.
    const QString decoy = sandbox.writeFile("elsewhere/sample.ttf", fontBytes);
    ASSERT_TRUE(QDir::setCurrent(sandbox.path("elsewhere")));

    edit(2)->selectAll();
    QTest::keyClicks(edit(2), "Kestro");  // Family
    edit(1)->selectAll();
    QTest::keyClicks(edit(1), "Kestro Full");  // Name
    QTest::mouseClick(button(1), Qt::LeftButton);
    QDir::setCurrent(previous);

    EXPECT_TRUE(form.isVisible()) << "the dialog stays open after a save";
    EXPECT_EQ(button(1)->text(), "Close");
    EXPECT_TRUE(button(2)->isHidden());
    EXPECT_TRUE(dialogs.boxes().empty());
    const td::TFontNames names = td::ReadFontNames(fontPath);
    EXPECT_EQ(names.Family, "Kestro     ");
    EXPECT_EQ(names.Name, "Kestro Full            ");
    EXPECT_EQ(names.Copyright, tdtest::sampleTexts()[0]);
    EXPECT_EQ(readAll(fontPath).size(), fontBytes.size());
    EXPECT_EQ(readAll(decoy), fontBytes);
}

TEST_F(PropertiesDialog, AFailedSaveSaysSoAndStaysInTheSaveState) {
    form.fillFromFile(fontPath, "sample.ttf", false);
    form.showDialog();
    edit(2)->selectAll();
    QTest::keyClicks(edit(2), "Gone");
    ASSERT_TRUE(QFile::remove(fontPath));

    dialogs.answer(td::BoxAnswer::Ok);
    QTest::mouseClick(button(1), Qt::LeftButton);
    ASSERT_EQ(dialogs.boxes().size(), 1u);
    EXPECT_EQ(dialogs.boxes()[0].icon, td::BoxIcon::Warning);
    EXPECT_TRUE(dialogs.boxes()[0].text.contains(fontPath));
    EXPECT_EQ(button(1)->text(), "Save");
    EXPECT_TRUE(button(2)->isVisible());
    EXPECT_FALSE(QFileInfo::exists(fontPath)) << "a failed save creates no file";
}

TEST_F(PropertiesDialog, ArchiveFontsAreShownReadOnly) {
    form.fillFromFile(fontPath, "sample.ttf", true);
    form.showDialog();
    EXPECT_TRUE(form.isReadOnly());
    for (int field = 1; field <= 8; ++field) {
        EXPECT_TRUE(edit(field)->isReadOnly()) << field;
    }
    QTest::keyClicks(edit(2), "XYZ");
    EXPECT_EQ(edit(2)->text(), "Sample Sans");
    EXPECT_EQ(button(1)->text(), "Close");
    EXPECT_TRUE(button(2)->isHidden());

    // The next font, from a folder, is editable again.
    form.fillFromFile(fontPath, "sample.ttf", false);
    EXPECT_FALSE(edit(2)->isReadOnly());
}

TEST_F(PropertiesDialog, ShowsCentredAndFollowsRefillsWhileOpen) {
    form.showDialog();
    ASSERT_TRUE(form.isVisible());
    const QScreen* screen = form.screen();
    ASSERT_NE(screen, nullptr);
    const QPoint centre = screen->availableGeometry().center();
    EXPECT_LE((form.frameGeometry().center() - centre).manhattanLength(), 2);

    const QString other = sandbox.writeFile(
        "fonts/other.ttf", tdtest::fontWithNames({tdtest::macRecords({"(c)", "Other Family"})}));
    form.fillFromFile(other, "other.ttf", false);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), "other.ttf");
    EXPECT_EQ(edit(2)->text(), "Other Family");
    EXPECT_EQ(edit(1)->text(), "");
}

}  // namespace

namespace {

// A collection offers its faces beside the buttons; a face whose naming table another face
// shares is not saved (the dialog says so), one with its own table is.
TEST_F(PropertiesDialog, ACollectionOffersItsFacesAndRefusesToSaveSharedNames) {
    auto texts = [](const QString& face) {
        QStringList list = tdtest::sampleTexts();
        list[1] = face;
        return list;
    };
    QByteArray data =
        tdtest::collectionOf({tdtest::fontWithNames(tdtest::macRecords(texts("Alpha"))),
                              tdtest::fontWithNames(tdtest::macRecords(texts("Bravo"))),
                              tdtest::fontWithNames(tdtest::macRecords(texts("Cobra")))});
    const qsizetype from = tdtest::collectionEntryOffset(data, 0, "name");
    data.replace(tdtest::collectionEntryOffset(data, 1, "name") + 8, 8, data.mid(from + 8, 8));
    const QString path = sandbox.writeFile("fonts/three.ttc", data);

    form.fillFromFile(fontPath, "sample.ttf", false);
    form.showDialog();
    EXPECT_FALSE(form.faceSelector()->isVisible());
    form.fillFromFile(path, "three.ttc", false);
    EXPECT_TRUE(form.faceSelector()->isVisible());
    EXPECT_EQ(form.faceSelector()->count(), 3);
    EXPECT_EQ(form.faceSelector()->itemText(2), "Face 3 of 3");
    EXPECT_EQ(edit(2)->text(), "Alpha");

    const std::tuple<int, QString, bool> faces[] = {{1, "Alpha", false}, {2, "Cobra", true}};
    for (const auto& [face, family, saved] : faces) {
        form.faceSelector()->setCurrentIndex(face);
        emit form.faceSelector()->activated(face);
        EXPECT_EQ(form.face(), face);
        EXPECT_EQ(edit(2)->text(), family);
        edit(2)->selectAll();
        QTest::keyClicks(edit(2), "Zulu");
        const std::size_t boxes = dialogs.boxes().size();
        if (!saved) {
            dialogs.answer(td::BoxAnswer::Ok);
        }
        QTest::mouseClick(button(1), Qt::LeftButton);
        EXPECT_EQ(dialogs.boxes().size(), boxes + (saved ? 0 : 1));
        EXPECT_EQ(button(1)->text(), saved ? "Close" : "Save");
        EXPECT_EQ(td::ReadFontNames(path, face).Family, saved ? "Zulu " : family);
    }
    EXPECT_TRUE(dialogs.boxes().back().text.contains("shares its names"));
    EXPECT_EQ(td::ReadFontNames(path, 0).Family, "Alpha");
}

}  // namespace
