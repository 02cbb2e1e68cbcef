#include "export/htmlpage.h"

#include <QDir>
#include <QRegularExpression>
#include <algorithm>

#include "app/maker.h"
#include "platform/dialogs.h"
#include "platform/savefile.h"
#include "platform/shell.h"

namespace td {

namespace {

// A link to one of the maker's pages, its address without the scheme and the closing "/" as
// the link text.
QString makerLink(const char* page) {
    QString site = QString::fromLatin1(page);
    site.remove(QRegularExpression(QStringLiteral("^[a-z]+://")));
    if (site.endsWith(u'/')) {
        site.chop(1);
    }
    return QStringLiteral("<A HREF=\"%1\">%2</A><BR>").arg(QLatin1String(page), site);
}

}  // namespace

QStringList pageMetaLines() {
    return {QStringLiteral("<HTML><head>"),
            QStringLiteral("<meta name=\"AUTHOR\" content=\"Mirko Tallis\">"),
            QStringLiteral(
                "<meta name=\"KeyWords\" content=\"Fonts, organize, install, uninstall, manage\">"),
            QStringLiteral("<meta name=\"Author\" content=\"Mirko Tallis\">")};
}

QStringList catalogueHeadLines() {
    return pageMetaLines() << QStringLiteral("<title>TypeDeck</title></head><body>");
}

QStringList pageFooterLines() {
    return {QString(), makerLink(kMakerHomePage), makerLink(kMakerProductPage),
            QStringLiteral("</HTML>")};
}

QStringList catalogueLines(CatalogueForm form, const QStringList& images) {
    QStringList lines = catalogueHeadLines();
    QStringList anchors;
    for (const QString& name : images) {
        if (form == CatalogueForm::Simple) {
            lines << QStringLiteral("<img src=\"%1\">").arg(name);
        } else {
            lines << QStringLiteral("<A HREF=\"#%1\">%1</A> ").arg(name);
            anchors << QStringLiteral("<A NAME=\"%1\"><img src=\"%1\"></A>").arg(name);
        }
    }
    if (form == CatalogueForm::Index) {
        lines << QStringLiteral("<HR>");
        for (const QString& anchor : std::as_const(anchors)) {
            lines << anchor + QStringLiteral("<BR>");
        }
    }
    return lines + pageFooterLines();
}

QStringList findImages(const QString& folder, const QString& mask) {
    QDir dir(folder);
    dir.setNameFilters({mask});
    // Without QDir::CaseSensitive the name filters ignore letter case.
    dir.setFilter(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    dir.setSorting(QDir::Unsorted);
    QStringList names = dir.entryList();
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int order = QString::compare(a, b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    return names;
}

void savePageLines(const QString& fileName, const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    saveFileContents(fileName, bytes);
}

void reportSamplesSaved(Dialogs& dialogs, QWidget* parent, const QString& folder) {
    dialogs.beep();
    dialogs.messageBox(
        parent, BoxIcon::None,
        QStringLiteral("All samples was saved in ") + folder + QStringLiteral(" directory"),
        BoxButtons::Ok);
}

QString previewQuestion(const QString& page) {
    return QStringLiteral("All samples was saved in ") + page + QStringLiteral("\n\r") +
           QStringLiteral("Do you want to preview ") + page + QStringLiteral(" file?");
}

void offerPreview(Dialogs& dialogs, Shell* shell, QWidget* parent, const QString& browser,
                  const QString& page) {
    dialogs.beep();
    const BoxAnswer answer =
        dialogs.messageBox(parent, BoxIcon::Question, previewQuestion(page), BoxButtons::YesNo);
    if (answer == BoxAnswer::Yes && shell != nullptr && !browser.isEmpty()) {
        // The outcome of the start is not looked at: a browser that cannot start says nothing.
        shell->start(browser, {page});
    }
}

}  // namespace td
