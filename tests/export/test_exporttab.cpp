#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "../gif/gif_reader.h"
#include "app/radiogroup.h"
#include "app/tframe1.h"
#include "export/targetdialogs.h"
#include "fake_services.h"
#include "jpeg_reader.h"
#include "platform/busyanimation.h"
#include "platform/library.h"
#include "platform/windowset.h"
#include "sandbox.h"
#include "testfiles.h"

namespace {

// The written image as pixels, read by an independent decoder for each format.
QImage decoded(const QString& path) {
    const QByteArray bytes = tdtest::fileBytes(path);
    if (path.endsWith(".GIF")) {
        const tdtest::Decoded gif = tdtest::decodeWithGiflib(bytes);
        QImage image(gif.width, gif.height, QImage::Format_RGB32);
        for (int y = 0; y < gif.height; ++y)
            for (int x = 0; x < gif.width; ++x)
                image.setPixel(x, y, gif.colors.at(gif.indices.at(std::size_t(y * gif.width + x))));
        return image;
    }
    if (path.endsWith(".jpg", Qt::CaseInsensitive)) {
        const tdtest::JpegInfo jpeg = tdtest::decodeJpeg(bytes);
        QImage image(jpeg.width, jpeg.height, QImage::Format_RGB32);
        for (int y = 0; y < jpeg.height; ++y)
            for (int x = 0; x < jpeg.width; ++x) {
                const std::uint8_t* p = &jpeg.pixels.at(std::size_t((y * jpeg.width + x) * 3));
                image.setPixel(x, y, qRgb(p[0], p[1], p[2]));
            }
        return image;
    }
    return QImage(path, "BMP");
}

// True when some pixel between the two lines is dark: ink, not noise of the encoder.
bool hasInk(const QImage& image, int top, int bottom) {
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                return true;
    return false;
}

class ExportTab : public tdtest::SandboxTest, protected tdtest::FakeServiceSet {
  protected:
    td::DlLibraryLoader libraries{tdtest::buildDir()};
    std::unique_ptr<td::WindowSet> windows = std::make_unique<td::WindowSet>();
    QString savedFolder = QDir::currentPath();
    QString fontsFolder;
    QString base;
    TFrame1* frame = nullptr;
    TForm5* browse = nullptr;
    TForm6* target = nullptr;

    void SetUp() override {
        services.libraries = &libraries;
        services.windows = windows.get();
        drives.setDrives({{"/", td::DriveType::Fixed}});
        drives.setReady({"/"});
        sandbox.writeFile("fonts/sans.ttf", tdtest::fileBytes(tdtest::dejaVuSans()));
        sandbox.writeFile("fonts/Serif.TTF", tdtest::fileBytes(tdtest::dejaVuSerif()));
        fontsFolder = sandbox.path("fonts") + u'/';
        base = sandbox.path("base") + u'/';
        QDir().mkpath(base);
        QDir::setCurrent(fontsFolder);
        windows->add(std::make_unique<TFrame1>(services));
        windows->add(std::make_unique<TForm5>(services));
        windows->add(std::make_unique<TForm6>(services));
        frame = windows->find<TFrame1>();
        browse = windows->find<TForm5>();
        target = windows->find<TForm6>();
        presetBrowser();
        QCoreApplication::sendPostedEvents(frame, QEvent::MetaCall);
        frame->UpdateBudget();
        frame->Edit6->setText(base);
        frame->Edit5->setText("/usr/bin/web-browser");
    }
    void TearDown() override {
        windows.reset();
        QDir::setCurrent(savedFolder);
    }

    bool busy() const { return frame->Button7->isHidden(); }
    // "&Save " and then "&Save" in the dialog, into the folder the dialog shows.
    void exportNow(int type, int grouping) {
        frame->RadioGroup2->setItemIndex(type);
        frame->RadioGroup1->setItemIndex(grouping);
        frame->Button7Click();
        ASSERT_TRUE(target->isVisible());
        ASSERT_TRUE(busy());
        target->Button2->click();
    }
    // Every file is decoded, W wide, a whole number of rows high, with ink in every row.
    void checkImages(const QString& folder, const QStringList& names, int rowsEach,
                     const QTableWidget* grid = nullptr) {
        const int h = (grid ? grid : frame->StringGrid2)->verticalHeader()->defaultSectionSize();
        for (const QString& name : names) {
            SCOPED_TRACE(name.toStdString());
            const QImage image = decoded(folder + name);
            ASSERT_EQ(image.size(), QSize(500, rowsEach * h));
            for (int r = 0; r < rowsEach; ++r)
                EXPECT_TRUE(hasInk(image, r * h, (r + 1) * h)) << r;
        }
    }
};

}  // namespace

TEST_F(ExportTab, SaveOpensTheDialogForTheTabAndEveryWayOutEndsTheBusyIndicator) {
    // Without "Automatic Refresh" the folder is listed first.
    frame->CheckBox8->setChecked(false);
    frame->Button7Click();
    EXPECT_EQ(frame->lb_.size(), 2);
    EXPECT_TRUE(target->isVisible());
    EXPECT_EQ(target->Edit1->text(), base + "1fontfile");
    EXPECT_FALSE(target->Edit1->isEnabled());
    EXPECT_EQ(browse->directory(), base);
    EXPECT_EQ(browse->Edit1->text(), "1fontfile");
    EXPECT_TRUE(busy());
    target->Button3->click();
    EXPECT_FALSE(target->isVisible());
    EXPECT_FALSE(busy());

    frame->RadioGroup1->setItemIndex(1);
    frame->Button7Click();
    EXPECT_EQ(target->Edit1->text(), base + "nfontfile");
    target->close();  // the window's close box
    EXPECT_FALSE(busy());

    // Options: stored, no dialog. Search: nothing at all.
    frame->PageControl1->setCurrentWidget(frame->TabSheet4);
    frame->Button7Click();
    EXPECT_EQ(settingsKey()->readInteger("NrFile"), 1);
    frame->PageControl1->setCurrentWidget(frame->TabSheet5);
    frame->Button7Click();
    EXPECT_FALSE(target->isVisible());
    EXPECT_FALSE(frame->Animate1->isVisible());
    // The Font Map's kind has its own folder.
    frame->PageControl1->setCurrentWidget(frame->TabSheet3);
    frame->Button7Click();
    EXPECT_EQ(target->Edit1->text(), base + "cfontfile");
    target->Button3->click();
    EXPECT_TRUE(dialogs.boxes().empty());
}

TEST_F(ExportTab, AFolderExportsInEveryFormatAndGroupingWithItsPage) {
    frame->Button1Click();
    ASSERT_EQ(frame->lb_.size(), 2);
    QString stem = fontsFolder.toLower();
    stem.chop(1);
    stem.replace(u'/', u',');
    const char* kExtensions[] = {".JPG", ".BMP", ".GIF"};
    const char* kSheetExtensions[] = {".jpg", ".bmp", ".GIF"};
    QByteArray jpegPage;
    for (int type : {0, 1, 2}) {
        for (int grouping : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "type " << type << ", grouping " << grouping);
            dialogs.clear();
            dialogs.answer(type == 1 ? td::BoxAnswer::Ok : td::BoxAnswer::No);
            const QString folder = base + (grouping ? "nfontfile" : "1fontfile");
            const QString page = folder + "/Font.html";
            const QByteArray pageBefore = tdtest::fileBytes(page);
            exportNow(type, grouping);
            EXPECT_FALSE(busy());
            EXPECT_FALSE(target->isVisible());
            EXPECT_TRUE(fonts.activePaths().isEmpty());
            const QStringList names = grouping
                                          ? QStringList{QString("DejaVu Sans") + kExtensions[type],
                                                        QString("DejaVu Serif") + kExtensions[type]}
                                          : QStringList{stem + "-0" + kSheetExtensions[type]};
            checkImages(folder + u'/', names, grouping ? 1 : 2);
            ASSERT_EQ(dialogs.boxes().size(), 1u);
            EXPECT_EQ(dialogs.beeps(), 1);
            if (type == 1) {
                EXPECT_EQ(dialogs.boxes()[0].text,
                          "All samples was saved in " + folder + " directory");
                EXPECT_EQ(tdtest::fileBytes(page), pageBefore);  // the older page stays
                continue;
            }
            EXPECT_EQ(dialogs.boxes()[0].text, "All samples was saved in " + page +
                                                   "\n\rDo you want to preview " + page + " file?");
            const QByteArray written = tdtest::fileBytes(page);
            for (const QString& name : names) {
                const QString line = grouping ? "<img src=\"" + name + "\">\r\n"
                                              : "<A HREF=\"#" + name + "\">" + name + "</A> \r\n";
                EXPECT_TRUE(written.contains(line.toUtf8())) << written.constData();
            }
            // A GIF page lists none of the JPEG files beside it.
            EXPECT_EQ(written.contains(".JPG") || written.contains(".jpg"), type == 0);
        }
    }
    EXPECT_TRUE(shell.calls().isEmpty());
}

TEST_F(ExportTab, InstalledFontsExportFromTheirTable) {
    const QStringList rows[] = {{"DejaVu Sans", "", "", tdtest::dejaVuSans()},
                                {"DejaVu Sans", "Bold", "", tdtest::dejaVuSansBold()}};
    frame->StringGrid4->setRowCount(2);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 4; ++c)
            frame->StringGrid4->setItem(r, c, new QTableWidgetItem(rows[r][c]));
    frame->PageControl1->setCurrentWidget(frame->TabSheet2);
    dialogs.answer(td::BoxAnswer::Yes).answer(td::BoxAnswer::No);
    exportNow(0, 1);
    const QString each = base + "enfontfile/";
    checkImages(each, {"DejaVu Sans  .JPG", "DejaVu Sans Bold .JPG"}, 1, frame->StringGrid5);
    ASSERT_EQ(shell.calls().size(), 1);
    EXPECT_EQ(shell.calls()[0].target, "/usr/bin/web-browser");
    EXPECT_EQ(shell.calls()[0].arguments, QStringList{each + "Font.html"});
    // The bold face differs from the plain one.
    EXPECT_NE(decoded(each + "DejaVu Sans  .JPG"), decoded(each + "DejaVu Sans Bold .JPG"));

    exportNow(2, 0);
    const int h = frame->StringGrid5->verticalHeader()->defaultSectionSize();
    const QImage sheet = decoded(base + "e1fontfile/Installed-0.GIF");
    ASSERT_EQ(sheet.size(), QSize(500, 2 * h));
    EXPECT_TRUE(hasInk(sheet, 0, h) && hasInk(sheet, h, 2 * h));
    EXPECT_FALSE(busy());
}

TEST_F(ExportTab, ErrorsAndEmptyListsNeverLeaveTheIndicatorRunning) {
    // Nothing listed: no image, no page, no message.
    exportNow(0, 0);
    EXPECT_FALSE(busy());
    EXPECT_TRUE(QDir(base + "1fontfile").entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(dialogs.boxes().empty());

    // A target that is not there (and is not the default folder) is not made: the error box
    // names it, the dialog stays open for another try, no font stays active.
    frame->Button1Click();
    frame->RadioGroup1->setItemIndex(1);
    frame->Button7Click();
    target->setPath(base + "missing");
    dialogs.answer(td::BoxAnswer::Ok);
    target->Button2->click();
    ASSERT_EQ(dialogs.boxes().size(), 1u);
    EXPECT_EQ(dialogs.boxes()[0].icon, td::BoxIcon::Critical);
    EXPECT_TRUE(dialogs.boxes()[0].text.contains(base + "missing"));
    EXPECT_FALSE(QFileInfo::exists(base + "missing"));
    EXPECT_TRUE(target->isVisible());
    EXPECT_FALSE(busy());
    EXPECT_TRUE(fonts.activePaths().isEmpty());
    target->Button3->click();
}

TEST_F(ExportTab, AnArchiveExportsItsFontsAsSheetsNamedAfterIt) {
    ASSERT_TRUE(tdtest::writeStoredZip(fontsFolder + "fonts.zip",
                                       {{"b.ttf", tdtest::fileBytes(tdtest::dejaVuSans())},
                                        {"A.TTF", tdtest::fileBytes(tdtest::dejaVuSerif())}}));
    frame->resize(700, 500);
    frame->show();
    QCoreApplication::sendPostedEvents(frame, QEvent::MetaCall);
    frame->Edit6->setText(base);  // the first show loaded the stored options
    frame->RadioButton6->click();
    QListWidget* list = frame->FileListBox1;
    const auto items = list->findItems("fonts.zip", Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    const QPoint at = list->visualItemRect(items[0]).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    frame->Button1Click();
    ASSERT_EQ(frame->lb_.size(), 2);
    frame->ComboBox2->setCurrentIndex(0);  // 1 bit, which an archive's sheets do not take
    dialogs.answer(td::BoxAnswer::Ok);
    exportNow(1, 0);
    const QString sheet = base + "1fontfile/fonts.zip-0.bmp";
    checkImages(base + "1fontfile/", {"fonts.zip-0.bmp"}, 2);
    EXPECT_EQ(tdtest::fileBytes(sheet).at(28), 32);
    EXPECT_TRUE(fonts.activePaths().isEmpty());
}

TEST_F(ExportTab, TheFolderDialogPicksOrMakesTheTarget) {
    QDir().mkpath(base + "Made");
    frame->Button1Click();
    frame->Button7Click();
    target->Button1->click();
    EXPECT_TRUE(browse->isVisible());
    // "&Do" at once: the base directory itself.
    browse->Button1->click();
    EXPECT_EQ(target->Edit1->text(), base);
    EXPECT_FALSE(browse->isVisible());

    target->Button1->click();
    struct Case {
        QString name;
        const char* box;  // empty: created
    };
    const Case cases[] = {{"Made", "Directory already exists!"},
                          {"made", "already exists there"},
                          {"a/b", "not valid"},
                          {"new", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        dialogs.clear();
        browse->Button2->click();
        ASSERT_TRUE(browse->isNaming());
        EXPECT_TRUE(browse->Edit1->isVisible());
        EXPECT_FALSE(browse->Button1->isVisible());
        browse->Edit1->setText(c.name);
        if (*c.box)
            dialogs.answer(td::BoxAnswer::Ok);
        browse->Button2->click();
        if (*c.box) {
            ASSERT_EQ(dialogs.boxes().size(), 1u);
            EXPECT_TRUE(dialogs.boxes()[0].text.contains(c.box))
                << dialogs.boxes()[0].text.toStdString();
            EXPECT_TRUE(browse->isNaming());
            browse->Button3->click();  // "c&Ancel"
            EXPECT_FALSE(browse->isNaming());
            EXPECT_TRUE(browse->Button4->isVisible());
        } else {
            EXPECT_FALSE(browse->isNaming());
            EXPECT_EQ(browse->directory(), base + "new/");
        }
    }
    // Closing in naming mode leaves it too.
    browse->Button2->click();
    browse->close();
    EXPECT_FALSE(browse->isNaming());
    browse->show();
    browse->Button1->click();
    EXPECT_EQ(target->Edit1->text(), base + "new/");
    target->Button3->click();
    EXPECT_FALSE(busy());
}
