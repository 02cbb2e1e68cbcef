#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QSignalSpy>

#include "platform/fonttable.h"
#include "sandbox.h"

using td::DrawingFont;
using td::FontSource;
using td::FontStyle;

namespace {

const QString kLiberationFolder = QStringLiteral("/usr/share/fonts/truetype/liberation/");
const QString kSample = QStringLiteral("Hamburgefonstiv 0123");

// Draws one line the way the sample grid does and returns the picture.
QImage drawn(const DrawingFont& font, const QString& text = kSample) {
    QImage image(360, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    font.drawTextAt(painter, QPointF(4, 4), text);
    return image;
}

bool hasInk(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                return true;
            }
        }
    }
    return false;
}

class FontTableTest : public tdtest::SandboxTest {
  protected:
    // A copy outside every folder fontconfig reads: only the table can make it drawable.
    QString copyOf(const QString& source, const QString& name) {
        const QString target = sandbox.path(QStringLiteral("browse/") + name);
        QDir().mkpath(sandbox.path(QStringLiteral("browse")));
        QFile::remove(target);
        EXPECT_TRUE(QFile::copy(source, target)) << source.toStdString();
        return target;
    }
    QString liberation(const QString& style = QStringLiteral("Regular")) {
        return copyOf(kLiberationFolder + QStringLiteral("LiberationSans-%1.ttf").arg(style),
                      QStringLiteral("LiberationSans-%1.ttf").arg(style));
    }

    td::QtFontTable table;
};

}  // namespace

TEST_F(FontTableTest, CountedActivationKeepsAFileDrawableUntilTheLastDeactivation) {
    const QString path = liberation();
    const DrawingFont before = table.resolve(QStringLiteral("Liberation Sans"), {}, 20);
    ASSERT_EQ(before.source(), FontSource::Substitute);
    ASSERT_NE(before.family(), QStringLiteral("Liberation Sans"));
    const QImage substituted = drawn(before);
    ASSERT_TRUE(hasInk(substituted));

    table.activate(path);
    table.activate(path);
    table.deactivate(path);
    EXPECT_EQ(table.count(path), 1);

    for (const QString& name :
         {QStringLiteral("Liberation Sans"), QStringLiteral("liberation SANS")}) {
        const DrawingFont active = table.resolve(name, {}, 20);
        EXPECT_EQ(active.source(), FontSource::ActiveFile);
        EXPECT_EQ(active.family(), QStringLiteral("Liberation Sans"));
        EXPECT_EQ(active.filePath(), path);
        EXPECT_EQ(active.pixelSize(), 20);
        const QImage own = drawn(active);
        EXPECT_TRUE(hasInk(own));
        EXPECT_NE(own, substituted);
    }

    // The advance is the file's own, glyph for glyph.
    QRawFont reference(path, 20);
    const auto glyphs = reference.glyphIndexesForString(kSample);
    qreal expected = 0;
    for (const QPointF& step :
         reference.advancesForGlyphIndexes(glyphs, QRawFont::KernedAdvances)) {
        expected += step.x();
    }
    EXPECT_NEAR(table.resolve(QStringLiteral("Liberation Sans"), {}, 20).horizontalAdvance(kSample),
                expected, 0.01);

    table.deactivate(path);
    EXPECT_EQ(table.count(path), 0);
    const DrawingFont after = table.resolve(QStringLiteral("Liberation Sans"), {}, 20);
    EXPECT_EQ(after.source(), FontSource::Substitute);
    EXPECT_EQ(after.family(), before.family());
    EXPECT_EQ(drawn(after), substituted);

    // One deactivation too many changes nothing.
    table.deactivate(path);
    EXPECT_EQ(table.count(path), 0);
}

TEST_F(FontTableTest, ActiveCopyOfAnInstalledFontWinsByFamilyAndByFullName) {
    const QString regular = copyOf(tdtest::dejaVuSans(), QStringLiteral("copy.ttf"));
    const QString bold = copyOf(tdtest::dejaVuSansBold(), QStringLiteral("copy-bold.ttf"));

    EXPECT_EQ(table.resolve(QStringLiteral("DejaVu Sans"), {}, 16).source(),
              FontSource::InstalledFamily);
    EXPECT_EQ(table.resolve(QStringLiteral("DejaVu Sans Bold"), {}, 16).source(),
              FontSource::InstalledFullName);

    for (const QString& path : {regular, bold}) {
        table.activate(path);
        table.activate(path);
        table.deactivate(path);
    }
    const DrawingFont byFamily = table.resolve(QStringLiteral("DejaVu Sans"), {}, 16);
    EXPECT_EQ(byFamily.source(), FontSource::ActiveFile);
    EXPECT_EQ(byFamily.filePath(), regular);
    const DrawingFont byFamilyBold =
        table.resolve(QStringLiteral("DejaVu Sans"), FontStyle{.bold = true}, 16);
    EXPECT_EQ(byFamilyBold.filePath(), bold);
    const DrawingFont byFullName = table.resolve(QStringLiteral("DejaVu Sans Bold"), {}, 16);
    EXPECT_EQ(byFullName.source(), FontSource::ActiveFile);
    EXPECT_EQ(byFullName.filePath(), bold);
    EXPECT_EQ(byFullName.fullName(), QStringLiteral("DejaVu Sans Bold"));

    table.deactivate(regular);
    table.deactivate(bold);
    EXPECT_EQ(table.resolve(QStringLiteral("DejaVu Sans"), {}, 16).source(),
              FontSource::InstalledFamily);
    const DrawingFont installedFull = table.resolve(QStringLiteral("DejaVu Sans Bold"), {}, 16);
    EXPECT_EQ(installedFull.source(), FontSource::InstalledFullName);
    EXPECT_EQ(installedFull.family(), QStringLiteral("DejaVu Sans"));
    EXPECT_TRUE(installedFull.filePath().isEmpty());
    EXPECT_TRUE(table.activePaths().isEmpty());
}

TEST_F(FontTableTest, BadPathsAreIgnoredSilently) {
    QSignalSpy spy(&table, &td::FontTable::changed);
    QFile source(kLiberationFolder + QStringLiteral("LiberationSans-Regular.ttf"));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray font = source.readAll();
    const QString truncated = sandbox.writeFile("browse/truncated.ttf", font.left(300));
    const QString text = sandbox.writeFile("browse/readme.ttf", "not a font at all\n");
    const QString empty = sandbox.writeFile("browse/empty.ttf", QByteArray());
    QDir().mkpath(sandbox.path("browse/folder.ttf"));

    for (const QString& path : {QString(), sandbox.path("browse/missing.ttf"), truncated, text,
                                empty, sandbox.path("browse/folder.ttf")}) {
        table.activate(path);
        EXPECT_EQ(table.count(path), 0) << path.toStdString();
        table.deactivate(path);
        EXPECT_EQ(table.count(path), 0) << path.toStdString();
    }
    EXPECT_EQ(spy.count(), 0);
    EXPECT_TRUE(table.activePaths().isEmpty());
}

TEST_F(FontTableTest, CountsBelongToTheFileHoweverItsPathIsWritten) {
    const QString path = liberation();
    table.activate(path);
    table.activate(sandbox.path("browse/../browse/./LiberationSans-Regular.ttf"));
    EXPECT_EQ(table.count(path), 2);
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(sandbox.path("browse")));
    EXPECT_EQ(table.count(QStringLiteral("LiberationSans-Regular.ttf")), 2);
    table.deactivate(QStringLiteral("LiberationSans-Regular.ttf"));
    QDir::setCurrent(previous);
    EXPECT_EQ(table.count(path), 1);
    EXPECT_EQ(table.activePaths(), QStringList{path});
}

TEST_F(FontTableTest, NotifiesWhenTheSetOfDrawableFilesChanges) {
    const QString path = liberation();
    QSignalSpy spy(&table, &td::FontTable::changed);
    table.activate(path);
    EXPECT_EQ(spy.count(), 1);
    table.activate(path);
    table.deactivate(path);
    EXPECT_EQ(spy.count(), 1);
    table.deactivate(path);
    EXPECT_EQ(spy.count(), 2);
    table.deactivate(path);
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(FontTableTest, LatestActivationWinsAmongFilesOfOneFamily) {
    const QString first = copyOf(kLiberationFolder + "LiberationSans-Regular.ttf", "one.ttf");
    const QString second = copyOf(kLiberationFolder + "LiberationSans-Regular.ttf", "two.ttf");
    table.activate(first);
    table.activate(second);
    EXPECT_EQ(table.resolve("Liberation Sans", {}, 12).filePath(), second);
    table.activate(first);  // activating again makes it the latest
    EXPECT_EQ(table.resolve("Liberation Sans", {}, 12).filePath(), first);
    table.deactivate(first);
    table.deactivate(first);
    EXPECT_EQ(table.resolve("Liberation Sans", {}, 12).filePath(), second);
    EXPECT_EQ(table.activePaths(), QStringList{second});
}

TEST_F(FontTableTest, StyleComesFromTheRequest) {
    const QString regular = liberation();
    const QString bold = liberation(QStringLiteral("Bold"));
    const QString italic = liberation(QStringLiteral("Italic"));
    table.activate(regular);
    const QImage plain = drawn(table.resolve("Liberation Sans", {}, 20));

    // With only the regular face active, bold and italic are drawn from it.
    const DrawingFont madeBold = table.resolve("Liberation Sans", FontStyle{.bold = true}, 20);
    EXPECT_EQ(madeBold.filePath(), regular);
    EXPECT_TRUE(madeBold.style().bold);
    EXPECT_NE(drawn(madeBold), plain);
    const DrawingFont slanted = table.resolve("Liberation Sans", FontStyle{.italic = true}, 20);
    EXPECT_NE(drawn(slanted), plain);
    EXPECT_NE(drawn(slanted), drawn(madeBold));
    const DrawingFont lined =
        table.resolve("Liberation Sans", FontStyle{.underline = true, .strikeOut = true}, 20);
    EXPECT_NE(drawn(lined), plain);

    // The matching face is chosen when it is active.
    table.activate(bold);
    table.activate(italic);
    EXPECT_EQ(table.resolve("Liberation Sans", FontStyle{.bold = true}, 20).filePath(), bold);
    EXPECT_EQ(table.resolve("Liberation Sans", FontStyle{.italic = true}, 20).filePath(), italic);
    EXPECT_EQ(table.resolve("Liberation Sans", {}, 20).filePath(), regular);
    EXPECT_EQ(table.resolve("Liberation Sans Italic", FontStyle{}, 20).filePath(), italic);
}

TEST_F(FontTableTest, AFileReplacedUnderTheSameNameIsReadAgain) {
    const QString path = copyOf(kLiberationFolder + "LiberationSans-Regular.ttf", "entry.ttf");
    table.activate(path);
    EXPECT_EQ(table.resolve("Liberation Sans", {}, 12).filePath(), path);
    table.deactivate(path);

    // The next extraction of an archive entry overwrites the same temporary name.
    copyOf(tdtest::dejaVuSerif(), "entry.ttf");
    table.activate(path);
    EXPECT_EQ(table.resolve("DejaVu Serif", {}, 12).filePath(), path);
    EXPECT_EQ(table.resolve("Liberation Sans", {}, 12).source(), FontSource::Substitute);
    table.deactivate(path);

    // A file that vanished between activations is not drawable from the old data.
    QFile::remove(path);
    table.activate(path);
    EXPECT_EQ(table.count(path), 0);
}

TEST_F(FontTableTest, WidgetFontOfAnActiveFileLastsWhileTheFileIsActive) {
    const QString path = liberation();
    table.activate(path);
    const DrawingFont active = table.resolve("Liberation Sans", {}, 18);
    const QFont widgetFont = active.font();
    EXPECT_EQ(widgetFont.pixelSize(), 18);
    EXPECT_EQ(QFontInfo(widgetFont).family(), QStringLiteral("Liberation Sans"));
    EXPECT_TRUE(QFontDatabase::families().contains(QStringLiteral("Liberation Sans")));

    table.deactivate(path);
    EXPECT_FALSE(QFontDatabase::families().contains(QStringLiteral("Liberation Sans")));
    // Asking an old value for its font after deactivation registers nothing again.
    active.font();
    EXPECT_FALSE(QFontDatabase::families().contains(QStringLiteral("Liberation Sans")));

    const QFont installed =
        table.resolve("DejaVu Serif", FontStyle{.bold = true, .italic = true}, 14).font();
    EXPECT_EQ(installed.pixelSize(), 14);
    EXPECT_TRUE(installed.bold());
    EXPECT_TRUE(installed.italic());
    EXPECT_EQ(QFontInfo(installed).family(), QStringLiteral("DejaVu Serif"));
}

TEST_F(FontTableTest, InstalledFontsAndSubstitutesWithoutActiveFiles) {
    const DrawingFont serif = table.resolve("dejavu serif", {}, 16);
    EXPECT_EQ(serif.source(), FontSource::InstalledFamily);
    EXPECT_EQ(serif.family(), QStringLiteral("DejaVu Serif"));
    EXPECT_TRUE(serif.isValid());
    EXPECT_GT(serif.height(), 10);
    EXPECT_TRUE(hasInk(drawn(serif)));

    const DrawingFont full = table.resolve("DejaVu Serif Bold", {}, 16);
    EXPECT_EQ(full.source(), FontSource::InstalledFullName);
    EXPECT_EQ(full.family(), QStringLiteral("DejaVu Serif"));
    EXPECT_NE(drawn(full), drawn(serif));

    for (const QString& name : {QStringLiteral("No Such Face"), QStringLiteral("DejaVuSerif"),
                                QStringLiteral(""), QStringLiteral("Arial")}) {
        const DrawingFont substitute = table.resolve(name, {}, 16);
        EXPECT_EQ(substitute.source(), FontSource::Substitute) << name.toStdString();
        EXPECT_FALSE(substitute.family().isEmpty());
        EXPECT_TRUE(hasInk(drawn(substitute)));
    }
    EXPECT_FALSE(DrawingFont().isValid());
    EXPECT_EQ(DrawingFont().horizontalAdvance("x"), 0);
}

TEST(FontTableInstalled, ForgetsInstalledLookUpsWhenTold) {
    td::QtFontTable table;
    {
        tdtest::Sandbox fresh;
        ASSERT_TRUE(QDir().mkpath(fresh.fontsDir()));
        ASSERT_TRUE(FcInitReinitialize());
        EXPECT_EQ(table.resolve("Liberation Sans", {}, 12).source(), FontSource::Substitute);
        ASSERT_TRUE(QFile::copy(kLiberationFolder + "LiberationSans-Regular.ttf",
                                fresh.fontsDir() + "/LiberationSans-Regular.ttf"));
        ASSERT_TRUE(FcInitReinitialize());
        // What was looked up is kept until the table is told that installed fonts changed.
        EXPECT_EQ(table.resolve("Liberation Sans", {}, 12).source(), FontSource::Substitute);
        const QString before = QFontInfo(table.resolve("Liberation Sans", {}, 12).font()).family();
        EXPECT_NE(before, QStringLiteral("Liberation Sans"));
        table.installedFontsChanged();
        const DrawingFont installed = table.resolve("Liberation Sans", {}, 12);
        EXPECT_EQ(installed.source(), FontSource::InstalledFamily);
        // Widgets know the new font too.
        EXPECT_EQ(QFontInfo(installed.font()).family(), QStringLiteral("Liberation Sans"));
        EXPECT_TRUE(QFontDatabase::families().contains(QStringLiteral("Liberation Sans")));
    }
    // Back to the program's own sandbox for whatever runs next.
    FcInitReinitialize();
    table.installedFontsChanged();
    EXPECT_EQ(table.resolve("Liberation Sans", {}, 12).source(), FontSource::Substitute);
    EXPECT_FALSE(QFontDatabase::families().contains(QStringLiteral("Liberation Sans")));
}

namespace {

// A name table built by hand: records of (platform, encoding, language, name id, text).
struct NameRecord {
    int platform;
    int encoding;
    int language;
    int nameId;
    QByteArray text;  // already encoded as the platform stores it
};

void put16(QByteArray& out, int value) {
    out.append(char((value >> 8) & 0xff));
    out.append(char(value & 0xff));
}

QByteArray utf16be(const QString& text) {
    QByteArray out;
    for (const QChar c : text) {
        put16(out, c.unicode());
    }
    return out;
}

QByteArray nameTable(const std::vector<NameRecord>& records) {
    QByteArray head;
    QByteArray strings;
    put16(head, 0);
    put16(head, int(records.size()));
    put16(head, 6 + 12 * int(records.size()));
    for (const NameRecord& record : records) {
        put16(head, record.platform);
        put16(head, record.encoding);
        put16(head, record.language);
        put16(head, record.nameId);
        put16(head, int(record.text.size()));
        put16(head, int(strings.size()));
        strings.append(record.text);
    }
    return head + strings;
}

}  // namespace

TEST(FaceNameTable, PrefersWindowsEnglishThenOtherPlatforms) {
    const QByteArray table = nameTable({
        {1, 0, 0, 1, "Mac Family"},
        {3, 1, 0x407, 1, utf16be("Deutsche Familie")},
        {3, 1, 0x409, 1, utf16be("English Family")},
        {1, 0, 0, 2, "Bold"},
        {0, 3, 0, 4, utf16be("Unicode Full")},
        {1, 0, 0, 4, "Mac Full"},
        {3, 1, 0x409, 16, utf16be("Typographic")},
    });
    const td::FaceNames names = td::readFaceNames(table);
    EXPECT_EQ(names.family, QStringLiteral("English Family"));
    EXPECT_EQ(names.subfamily, QStringLiteral("Bold"));
    EXPECT_EQ(names.fullName, QStringLiteral("Unicode Full"));
}

TEST(FaceNameTable, DamagedTablesGiveEmptyNamesNotCrashes) {
    const QByteArray good = nameTable(
        {{3, 1, 0x409, 1, utf16be("Good")}, {3, 1, 0x409, 4, utf16be(QStringLiteral("Good Ünï"))}});
    EXPECT_EQ(td::readFaceNames(good).fullName, QStringLiteral("Good Ünï"));

    // Every prefix of the table: records and strings cut off at any point.
    for (qsizetype cut = 0; cut < good.size(); ++cut) {
        const td::FaceNames names = td::readFaceNames(good.left(cut));
        EXPECT_TRUE(names.fullName.isEmpty() || names.fullName == QStringLiteral("Good Ünï"));
        EXPECT_TRUE(names.family.isEmpty() || names.family == QStringLiteral("Good"));
    }

    // A record count far beyond the records, a string offset beyond the table, an odd length,
    // padding NULs and an unknown platform.
    QByteArray lying = good;
    lying[2] = char(0xff);
    lying[3] = char(0xff);
    EXPECT_EQ(td::readFaceNames(lying).family, QStringLiteral("Good"));
    QByteArray farOffset = nameTable({{3, 1, 0x409, 1, utf16be("Far")}});
    farOffset[6 + 10] = char(0x7f);
    EXPECT_TRUE(td::readFaceNames(farOffset).family.isEmpty());
    QByteArray badStorage = good;
    badStorage[4] = char(0xff);
    EXPECT_TRUE(td::readFaceNames(badStorage).family.isEmpty());
    const td::FaceNames odd = td::readFaceNames(nameTable({
        {3, 1, 0x409, 1, utf16be("Odd") + "x"},
        {3, 1, 0x409, 2, utf16be(QStringLiteral("Regular")) + QByteArray(4, '\0')},
        {7, 0, 0, 4, "unknown platform"},
    }));
    EXPECT_EQ(odd.family, QStringLiteral("Odd"));
    EXPECT_EQ(odd.subfamily, QStringLiteral("Regular"));
    EXPECT_TRUE(odd.fullName.isEmpty());
}

TEST_F(FontTableTest, AFaceDoesNotStandInForTheFamilyItIsGroupedUnder) {
    // DejaVu Sans Condensed belongs to the "DejaVu Sans" group, but its own family name differs.
    const QString condensed =
        copyOf(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf"),
               QStringLiteral("condensed.ttf"));
    table.activate(condensed);
    EXPECT_EQ(table.resolve("DejaVu Sans Condensed", {}, 12).filePath(), condensed);
    EXPECT_EQ(table.resolve("DejaVu Sans", {}, 12).source(), FontSource::InstalledFamily);
}

// CFF outlines draw like TrueType ones, and every face of a collection resolves by its own
// names while the file is active, drawing its own glyphs.
TEST_F(FontTableTest, OpenTypeFilesAndEveryFaceOfACollectionDraw) {
    const QString otf =
        copyOf(QStringLiteral("/usr/share/fonts/opentype/cantarell/Cantarell-Bold.otf"), "c.otf");
    const QString ttc =
        copyOf(QStringLiteral("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"), "w.ttc");
    td::QtFontTable table;
    table.activate(otf);
    table.activate(ttc);
    const std::pair<QString, QString> cases[] = {
        {"Cantarell", otf},
        {"Cantarell Bold", otf},
        {"WenQuanYi Micro Hei", ttc},
        {"WenQuanYi Micro Hei Mono", ttc},
    };
    for (const auto& [name, path] : cases) {
        const DrawingFont font = table.resolve(name, {}, 20);
        EXPECT_EQ(font.source(), FontSource::ActiveFile) << name.toStdString();
        EXPECT_EQ(font.filePath(), td::fontTableKey(path));
        EXPECT_TRUE(hasInk(drawn(font))) << name.toStdString();
    }
    // The second face is the monospaced one: its own outlines draw, not the first face's.
    const DrawingFont mono = table.resolve(QStringLiteral("WenQuanYi Micro Hei Mono"), {}, 20);
    const DrawingFont proportional = table.resolve(QStringLiteral("WenQuanYi Micro Hei"), {}, 20);
    EXPECT_EQ(mono.family(), "WenQuanYi Micro Hei Mono");
    EXPECT_EQ(mono.horizontalAdvance("i"), mono.horizontalAdvance("W"));
    EXPECT_NE(proportional.horizontalAdvance("i"), proportional.horizontalAdvance("W"));
    table.deactivate(ttc);
    EXPECT_NE(table.resolve(QStringLiteral("WenQuanYi Micro Hei Mono"), {}, 20).source(),
              FontSource::ActiveFile);
}
