#include <gtest/gtest.h>

#include <QDir>

#include "export/exportfolders.h"
#include "export/htmlpage.h"
#include "platform/error.h"
#include "platform/shell.h"
#include "sandbox.h"
#include "scripted_dialogs.h"
#include "testfiles.h"

namespace {

const QByteArray kHead =
    "<HTML><head>\r\n"
    "<meta name=\"AUTHOR\" content=\"Mirko Tallis\">\r\n"
    "<meta name=\"KeyWords\" content=\"Fonts, organize, install, uninstall, manage\">\r\n"
    "<meta name=\"Author\" content=\"Mirko Tallis\">\r\n"
    "<title>TypeDeck</title></head><body>\r\n";
const QByteArray kFooter =
    "\r\n"
    "<A HREF=\"https://www.kestro.example/\">www.kestro.example</A><BR>\r\n"
    "<A HREF=\"https://www.kestro.example/typedeck/\">www.kestro.example/typedeck</A><BR>\r\n"
    "</HTML>\r\n";

QByteArray savedPage(const tdtest::Sandbox& sandbox, td::CatalogueForm form, const QString& mask) {
    const QString page = sandbox.path("out/Font.html");
    td::savePageLines(page, td::catalogueLines(form, td::findImages(sandbox.path("out"), mask)));
    return tdtest::fileBytes(page);
}

}  // namespace

using HtmlPage = tdtest::SandboxTest;

TEST_F(HtmlPage, PagesAreWrittenByteForByteInBothFormsForJpegAndGif) {
    // Earlier samples are listed too, in name order without regard to case; blanks stay as
    // they are; a GIF page leaves the JPEG files out and the other way round.
    for (const char* name : {"b sheet-1.jpg", "A-0.JPG", "c.GIF", "Font.html", "x.jpeg", ".JPG"}) {
        sandbox.writeFile(QStringLiteral("out/") + name, "x");
    }
    QDir().mkpath(sandbox.path("out/d.jpg"));
    struct Case {
        td::CatalogueForm form;
        const char* mask;
        QByteArray body;
    };
    const Case cases[] = {
        {td::CatalogueForm::Simple, "*.JPG",
         "<img src=\".JPG\">\r\n<img src=\"A-0.JPG\">\r\n<img src=\"b sheet-1.jpg\">\r\n"
         "<img src=\"d.jpg\">\r\n"},
        {td::CatalogueForm::Simple, "*.GIF", "<img src=\"c.GIF\">\r\n"},
        {td::CatalogueForm::Index, "*.GIF",
         "<A HREF=\"#c.GIF\">c.GIF</A> \r\n<HR>\r\n<A NAME=\"c.GIF\"><img "
         "src=\"c.GIF\"></A><BR>\r\n"},
        {td::CatalogueForm::Index, "*.jpg",
         "<A HREF=\"#.JPG\">.JPG</A> \r\n<A HREF=\"#A-0.JPG\">A-0.JPG</A> \r\n"
         "<A HREF=\"#b sheet-1.jpg\">b sheet-1.jpg</A> \r\n<A HREF=\"#d.jpg\">d.jpg</A> \r\n"
         "<HR>\r\n"
         "<A NAME=\".JPG\"><img src=\".JPG\"></A><BR>\r\n"
         "<A NAME=\"A-0.JPG\"><img src=\"A-0.JPG\"></A><BR>\r\n"
         "<A NAME=\"b sheet-1.jpg\"><img src=\"b sheet-1.jpg\"></A><BR>\r\n"
         "<A NAME=\"d.jpg\"><img src=\"d.jpg\"></A><BR>\r\n"},
        {td::CatalogueForm::Index, "*.bmp", "<HR>\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask);
        EXPECT_EQ(savedPage(sandbox, c.form, c.mask), kHead + c.body + kFooter);
    }
    // The shared footer: an empty line, the two links, the closing tag.
    EXPECT_EQ(td::pageFooterLines().size(), 4);
    EXPECT_EQ(td::pageMetaLines(), td::catalogueHeadLines().mid(0, 4));
}

TEST_F(HtmlPage, APageThatCannotBeWrittenNamesItsFile) {
    try {
        td::savePageLines(sandbox.path("missing/Font.html"), {"x"});
        FAIL() << "no error";
    } catch (const td::Error& error) {
        EXPECT_TRUE(error.message().contains(sandbox.path("missing/Font.html")));
    }
}

TEST(PreviewQuestion, YesStartsTheBrowserWithThePageAndAnEmptyBrowserNothing) {
    struct Case {
        td::BoxAnswer answer;
        QString browser;
        int starts;
    };
    const Case cases[] = {{td::BoxAnswer::Yes, "/usr/bin/web", 1},
                          {td::BoxAnswer::No, "/usr/bin/web", 0},
                          {td::BoxAnswer::Yes, "", 0}};
    for (const Case& c : cases) {
        tdtest::ScriptedDialogs dialogs;
        td::RecordingShell shell;
        dialogs.answer(c.answer);
        td::offerPreview(dialogs, &shell, nullptr, c.browser, "/t/Font.html");
        ASSERT_EQ(dialogs.boxes().size(), 1u);
        EXPECT_EQ(dialogs.boxes()[0].text,
                  "All samples was saved in /t/Font.html\n\rDo you want to preview /t/Font.html "
                  "file?");
        EXPECT_EQ(dialogs.boxes()[0].buttons, td::BoxButtons::YesNo);
        EXPECT_EQ(dialogs.boxes()[0].icon, td::BoxIcon::Question);
        EXPECT_EQ(dialogs.beeps(), 1);
        ASSERT_EQ(shell.calls().size(), std::size_t(c.starts));
        if (c.starts == 1) {
            EXPECT_EQ(shell.calls()[0].target, "/usr/bin/web");
            EXPECT_EQ(shell.calls()[0].arguments, QStringList{"/t/Font.html"});
        }
    }
}

using ExportFolders = tdtest::SandboxTest;

TEST_F(ExportFolders, OnlyTheExactDefaultFolderIsCreated) {
    const QString base = sandbox.path("base") + u'/';
    QDir().mkpath(base);
    // The exact default path is created (once; a second export finds it).
    td::prepareTargetFolder(base + "nfontfile", base, "nfontfile");
    td::prepareTargetFolder(base + "nfontfile", base, "nfontfile");
    EXPECT_TRUE(QFileInfo(base + "nfontfile").isDir());
    // Any other text is used as it is: not created, and refused when it is not there.
    for (const QString& other : {base + "nfontfil", base + "nfontfiles", base + "1fontfile"}) {
        EXPECT_THROW(td::prepareTargetFolder(other, base, "1fontfile1"), td::Error)
            << other.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(base + "1fontfile"));
    EXPECT_NO_THROW(td::prepareTargetFolder(base, base, "nfontfile"));
    // A base that is not there cannot hold the default folder; the message names it.
    try {
        td::prepareTargetFolder(sandbox.path("gone/e1fontfile"), sandbox.path("gone/"),
                                "e1fontfile");
        FAIL() << "no error";
    } catch (const td::Error& error) {
        EXPECT_TRUE(error.message().contains(sandbox.path("gone/e1fontfile"))) << error.what();
    }
}

TEST_F(ExportFolders, SubfoldersMatchExactlyAndCreationRefusesClashesAndBadNames) {
    const QString base = sandbox.path("base");
    QDir().mkpath(base + "/Samples");
    sandbox.writeFile("base/file", "x");
    struct Case {
        QString name;
        bool exists;
        bool creatable;
    };
    const Case cases[] = {
        {"Samples", true, false}, {"samples", false, false},  // a case-only clash
        {"file", false, false},   {"FILE", false, false},    {"", false, false},
        {"a/b", false, false},    {"..", true, false},       {"new one", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(td::SubfolderExists(base, c.name), c.exists);
        if (c.creatable) {
            td::createSubfolder(base, c.name);
            EXPECT_TRUE(td::SubfolderExists(base + u'/', c.name));
        } else {
            EXPECT_THROW(td::createSubfolder(base, c.name), td::Error);
        }
    }
    EXPECT_FALSE(QFileInfo::exists(base + "/a"));
}

TEST(ExportKinds, TabAndGroupingGiveTheKindAndItsFolder) {
    using td::ExportTab;
    const std::tuple<ExportTab, int, const char*> cases[] = {
        {ExportTab::Directory, 1, "nfontfile"},
        {ExportTab::Directory, 0, "1fontfile"},
        {ExportTab::Installed, 1, "enfontfile"},
        {ExportTab::Installed, 0, "e1fontfile"},
        {ExportTab::FontMap, 0, "cfontfile"},
        {ExportTab::FontMap, 1, "cfontfile"},
        {ExportTab::Search, 0, ""},
        {ExportTab::Options, 1, ""},
    };
    for (const auto& [tab, grouping, folder] : cases) {
        EXPECT_EQ(td::defaultExportFolder("/b/", td::exportKindFor(tab, grouping)),
                  QString("/b/") + folder);
    }
}
