#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace td {

class Dialogs;
class Shell;

// The first four lines of every exported page: the opening tags and the three meta lines. The
// catalogue's title line follows them (catalogueHeadLines); the character-map page has its own.
QStringList pageMetaLines();

// The five head lines of the catalogue page "Font.html".
QStringList catalogueHeadLines();

// The footer of every exported page: an empty line, the links to the maker's two web pages
// (`<A HREF="PAGE">SITE</A><BR>`) and the closing `</HTML>`. There is no closing body tag.
QStringList pageFooterLines();

// The two forms of the catalogue: one picture after another (each font in its own file), or a
// row of links on top that jump to the sheets below (several fonts per file).
enum class CatalogueForm { Simple, Index };

// The whole catalogue page for the image names found, in the order given. Names are written as
// they are, without escaping.
QStringList catalogueLines(CatalogueForm form, const QStringList& images);

// The names of the entries of `folder` (files and folders, hidden ones too) that match `mask`
// ("*.jpg", "*.GIF"), letter case not mattering, in case-insensitive name order (texts equal
// but for case by their exact text), so a page lists the same on every machine.
QStringList findImages(const QString& folder, const QString& mask);

// Writes the lines as a page file, each line followed by a carriage return and a line feed,
// in UTF-8 (plain ASCII stays byte for byte). The file is replaced only by a complete new one;
// throws td::Error naming the file when it cannot be written.
void savePageLines(const QString& fileName, const QStringList& lines);

// The message that ends a BMP export: beep, then "All samples was saved in FOLDER directory" in
// a plain box.
void reportSamplesSaved(Dialogs& dialogs, QWidget* parent, const QString& folder);

// The preview question asked after a page was written. The "\n\r" pair is part of the text;
// the box on screen shows it as one break.
QString previewQuestion(const QString& page);

// Beeps and asks the preview question for `page`; on Yes starts `browser` with the page as its
// argument through the shell. An empty browser (or no shell) starts nothing and says nothing.
void offerPreview(Dialogs& dialogs, Shell* shell, QWidget* parent, const QString& browser,
                  const QString& page);

}  // namespace td
