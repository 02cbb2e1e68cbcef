#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "sandbox.h"
#include "ttfbuilder.h"
#include "ttfnames/fontnames.h"

namespace {

using td::TFontNames;
using tdtest::NameRecord;
using tdtest::NameTable;

QByteArray readAll(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

TFontNames namesOf(const QStringList& texts) {
    TFontNames names;
    for (int i = 0; i < TFontNames::count && i < texts.size(); ++i) {
        names.at(i) = texts[i];
    }
    return names;
}

QStringList textsOf(const TFontNames& names) {
    QStringList texts;
    for (int i = 0; i < TFontNames::count; ++i) {
        texts << names.at(i);
    }
    return texts;
}

const QStringList kEmpty(8, QString());

// Where the string of record n lies in a font built by fontWithNames.
std::uint32_t stringAt(const NameTable& table, std::size_t record) {
    return tdtest::namesOffsetIn(table) + 6 +
           12 * static_cast<std::uint32_t>(table.records.size()) + table.stringOffset(record);
}

// Every byte of `after` equals `before` except inside the given [offset, offset + length) ranges.
void expectOnlyChanged(const QByteArray& before, const QByteArray& after,
                       const std::vector<std::pair<std::uint32_t, std::uint32_t>>& ranges) {
    ASSERT_EQ(before.size(), after.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        bool inside = false;
        for (const auto& [offset, length] : ranges) {
            const auto at = static_cast<std::uint32_t>(i);
            inside = inside || (at >= offset && at < offset + length);
        }
        if (!inside) {
            ASSERT_EQ(before[i], after[i]) << "byte " << i << " changed";
        }
    }
}

class FontNames : public tdtest::SandboxTest {
  protected:
    QString write(const QString& name, const QByteArray& bytes) {
        return sandbox.writeFile(name, bytes);
    }
};

TEST_F(FontNames, ReadsTheEightOneByteStringsAsStored) {
    const NameTable table{tdtest::macRecords(tdtest::sampleTexts())};
    const QByteArray font = tdtest::fontWithNames(table);
    const QString path = write("sample.ttf", font);

    const TFontNames names = td::ReadFontNames(path);
    EXPECT_EQ(textsOf(names), tdtest::sampleTexts());
    EXPECT_EQ(names.Family, "Sample Sans");
    EXPECT_EQ(names.Name, "Sample Sans Bold Italic");
    EXPECT_EQ(names.Trademark, "Sample Sans is a trademark of Sample Foundry");
    EXPECT_EQ(td::ReadFontNamesFromBytes(font), names);
    EXPECT_EQ(readAll(path), font) << "reading must not change the file";
}

TEST_F(FontNames, PositionGoesByRecordOrderNotNameId) {
    auto records = tdtest::macRecords(tdtest::sampleTexts());
    std::swap(records[1], records[4]);  // name ID 4 first, then 1: still positions 2 and 5
    records[0].platform = 3;
    records[0].bytes = tdtest::utf16be("(c) Someone");
    const TFontNames names = td::ReadFontNamesFromBytes(tdtest::fontWithNames({records}));
    EXPECT_EQ(names.Copyright, "(c) Someone");
    EXPECT_EQ(names.Family, "Sample Sans Bold Italic");
    EXPECT_EQ(names.Name, "Sample Sans");
}

TEST_F(FontNames, TwoByteStringsDropTheirZeroBytes) {
    auto records = tdtest::macRecords(tdtest::sampleTexts());
    records[1].platform = 3;
    records[1].encoding = 1;
    records[1].bytes = QByteArray("\x00\x41\x00\x72\x00\x69\x00\x61\x00\x6C", 10);
    records[2].platform = 0;
    records[2].bytes = QByteArray("\x4E\x2D\x00\x41", 4);  // a code unit with two non-zero bytes
    const QString path = write("arial.ttf", tdtest::fontWithNames({records}));

    const TFontNames names = td::ReadFontNames(path);
    EXPECT_EQ(names.Family, "Arial");
    EXPECT_EQ(names.Subfamily, QString::fromLatin1("N-A"));
    EXPECT_EQ(names.Name, "Sample Sans Bold Italic");
}

TEST_F(FontNames, ZeroLengthRecordsReadEmptyAndAreNeverWritten) {
    auto records = tdtest::macRecords(tdtest::sampleTexts());
    records[3].bytes.clear();
    records[6].bytes = "xyz";
    records[6].length = 0;  // its bytes are there, but the record claims none
    const NameTable table{records};
    const QByteArray font = tdtest::fontWithNames(table);
    const QString path = write("zero.ttf", font);

    TFontNames names = td::ReadFontNames(path);
    EXPECT_TRUE(names.Identifier.isEmpty());
    EXPECT_TRUE(names.Postscript.isEmpty());

    names.Identifier = "something new";
    names.Postscript = "Other-Name";
    ASSERT_TRUE(td::WriteFontNames(path, names));
    EXPECT_EQ(readAll(path), font);
}

TEST_F(FontNames, WritingPadsWithBlanksCutsLongTextsAndKeepsEverythingElse) {
    const NameTable table{tdtest::macRecords(tdtest::sampleTexts())};
    const QByteArray font = tdtest::fontWithNames(table);
    const QString path = write("pad.ttf", font);

    TFontNames names = td::ReadFontNames(path);
    names.Family = "Kestro";                               // 11 bytes stored: padded
    names.Version = "Version 99.000 and a lot more text";  // 13 bytes stored: cut
    names.Trademark = "";                                  // all blanks
    ASSERT_TRUE(td::WriteFontNames(path, names));

    const QByteArray after = readAll(path);
    EXPECT_EQ(after.size(), font.size());
    EXPECT_EQ(after.mid(stringAt(table, 1), 11), QByteArray("Kestro     "));
    EXPECT_EQ(after.mid(stringAt(table, 5), 13), QByteArray("Version 99.00"));
    EXPECT_EQ(after.mid(stringAt(table, 7), 44), QByteArray(44, ' '));
    expectOnlyChanged(
        font, after,
        {{stringAt(table, 1), 11}, {stringAt(table, 5), 13}, {stringAt(table, 7), 44}});

    const TFontNames back = td::ReadFontNames(path);
    EXPECT_EQ(back.Family, "Kestro     ");
    EXPECT_EQ(back.Version, "Version 99.00");
    EXPECT_EQ(back.Trademark, QString(44, ' '));
    EXPECT_EQ(back.Copyright, tdtest::sampleTexts()[0]);
    EXPECT_EQ(back.Name, tdtest::sampleTexts()[4]);

    // The same edit in memory gives the same bytes.
    QByteArray inMemory = font;
    EXPECT_TRUE(WriteFontNamesToBytes(inMemory, names));
    EXPECT_EQ(inMemory, after);
}

TEST_F(FontNames, TwoByteRecordsAreWrittenTwoBytesPerCharacter) {
    auto records = tdtest::macRecords(tdtest::sampleTexts());
    records[1].platform = 3;
    records[1].encoding = 1;
    records[1].bytes = tdtest::utf16be("Arial");
    records[2].platform = 0;
    records[2].bytes = tdtest::utf16be("Regular");
    records[5].platform = 3;
    records[5].bytes = tdtest::utf16be("Version") + QByteArray("\x00", 1);  // odd length
    const NameTable table{records};
    const QByteArray font = tdtest::fontWithNames(table);
    const QString path = write("two.ttf", font);

    TFontNames names = td::ReadFontNames(path);
    EXPECT_EQ(names.Family, "Arial");
    names.Family = "Ab";
    names.Subfamily = QString::fromUtf8("Gr\u00fc\u00dfe\u4e2d");  // Latin-1 and beyond
    names.Version = "V";
    ASSERT_TRUE(td::WriteFontNames(path, names));

    const QByteArray after = readAll(path);
    EXPECT_EQ(after.mid(stringAt(table, 1), 10),
              QByteArray("\x00\x41\x00\x62\x00\x20\x00\x20\x00\x20", 10));
    EXPECT_EQ(after.mid(stringAt(table, 2), 14),
              QByteArray("\x00G\x00r\x00\xfc\x00\xdf\x00\x65\x00?\x00\x20", 14));
    // Seven characters fit into fifteen bytes; the odd last byte is left as it was.
    EXPECT_EQ(after.mid(stringAt(table, 5), 15), tdtest::utf16be("V      ") + QByteArray(1, '\0'));
    expectOnlyChanged(
        font, after,
        {{stringAt(table, 1), 10}, {stringAt(table, 2), 14}, {stringAt(table, 5), 15}});
    const TFontNames back = td::ReadFontNames(path);
    EXPECT_EQ(back.Family, "Ab   ");
    EXPECT_EQ(back.Subfamily, QString::fromLatin1("Gr\xfc\xdf"
                                                  "e? "));
}

TEST_F(FontNames, UnchangedTextsAreNotRewritten) {
    auto records = tdtest::macRecords(tdtest::sampleTexts());
    records[0].platform = 3;
    records[0].bytes = QByteArray("\x4E\x2D\x00\xA9", 4);  // reads "N-©"
    records[2].bytes = QByteArray("Bo\0ld", 5);            // an embedded zero: reads "Bold"
    const NameTable table{records};
    const QByteArray font = tdtest::fontWithNames(table);
    const QString path = write("keep.ttf", font);

    TFontNames names = td::ReadFontNames(path);
    EXPECT_EQ(names.Copyright, QString::fromLatin1("N-\xa9"));
    EXPECT_EQ(names.Subfamily, "Bold");
    ASSERT_TRUE(td::WriteFontNames(path, names));
    EXPECT_EQ(readAll(path), font) << "writing what was read changes nothing";

    names.Family = "Other Sans";
    ASSERT_TRUE(td::WriteFontNames(path, names));
    expectOnlyChanged(font, readAll(path), {{stringAt(table, 1), 11}});
}

TEST_F(FontNames, TheFirstNameBytesDecide) {
    const NameTable first{tdtest::macRecords({"First Copyright", "First Family"})};
    const NameTable second{tdtest::macRecords({"Second Copyright", "Second Family"})};
    tdtest::TtfBuilder builder;
    builder.addTable("head", QByteArray(20, '\x01'));
    const std::size_t a = builder.addTable("name", first.bytes());
    const std::size_t b = builder.addTable("name", second.bytes());
    const QByteArray font = builder.build();
    const QString path = write("twice.ttf", font);

    const TFontNames names = td::ReadFontNames(path);
    EXPECT_EQ(names.Copyright, "First Copyright");
    EXPECT_EQ(names.Family, "First Family");

    TFontNames edited = names;
    edited.Family = "Edited";
    ASSERT_TRUE(td::WriteFontNames(path, edited));
    const QByteArray after = readAll(path);
    const std::uint32_t firstFamily = builder.tableOffset(a) + 6 + 24 + first.stringOffset(1);
    EXPECT_EQ(after.mid(firstFamily, 12), QByteArray("Edited      "));
    expectOnlyChanged(font, after, {{firstFamily, 12}});
    EXPECT_EQ(after.mid(builder.tableOffset(b)), font.mid(builder.tableOffset(b)));

    // "name" anywhere counts, even inside the offset table, before the directory.
    QByteArray odd = font;
    const std::uint32_t entry = 12 + 16;  // the first "name" directory entry
    odd.replace(0, 4, "name");
    odd.replace(8, 4, odd.mid(entry + 8, 4));  // its table offset at +8 of the found bytes
    EXPECT_EQ(td::ReadFontNamesFromBytes(odd).Family, "First Family");
    odd.replace(8, 4, tdtest::be32(builder.tableOffset(b)));
    EXPECT_EQ(td::ReadFontNamesFromBytes(odd).Family, "Second Family");
}

TEST_F(FontNames, FewerThanEightRecordsLeaveTheRestEmptyAndUntouched) {
    // The strings that follow three records look like further records if taken as such.
    NameTable table{tdtest::macRecords({"Copy", "Fam", "Sub"})};
    table.trailer = QByteArray(200, '\x07');
    const QByteArray font = tdtest::fontWithNames(table);
    const QString path = write("three.ttf", font);

    TFontNames names = td::ReadFontNames(path);
    EXPECT_EQ(textsOf(names), (QStringList{"Copy", "Fam", "Sub", "", "", "", "", ""}));
    names.Family = "XY";
    // Texts for records the table does not have cannot be saved: nothing is written.
    TFontNames beyond = names;
    for (int i = 3; i < TFontNames::count; ++i) {
        beyond.at(i) = QString(40, QLatin1Char('Z'));
    }
    EXPECT_FALSE(td::WriteFontNames(path, beyond));
    EXPECT_EQ(readAll(path), font);
    ASSERT_TRUE(td::WriteFontNames(path, names));
    expectOnlyChanged(font, readAll(path), {{stringAt(table, 1), 3}});
    EXPECT_EQ(td::ReadFontNames(path).Family, "XY ");

    // A count of zero: nothing at all.
    table.recordCount = 0;
    EXPECT_EQ(textsOf(td::ReadFontNamesFromBytes(tdtest::fontWithNames(table))), kEmpty);
}

TEST_F(FontNames, EmptyMissingAndNameLessFilesGiveEightEmptyStrings) {
    const QString empty = write("empty.ttf", {});
    EXPECT_EQ(textsOf(td::ReadFontNames(empty)), kEmpty);
    // Nothing can be written into a file without names, and a save says so.
    EXPECT_FALSE(td::WriteFontNames(empty, namesOf(tdtest::sampleTexts())));
    EXPECT_TRUE(td::WriteFontNames(empty, TFontNames{}));
    EXPECT_EQ(QFileInfo(empty).size(), 0);

    const QString missing = sandbox.path("missing.ttf");
    EXPECT_EQ(textsOf(td::ReadFontNames(missing)), kEmpty);
    EXPECT_FALSE(td::WriteFontNames(missing, namesOf(tdtest::sampleTexts())));
    EXPECT_FALSE(QFileInfo::exists(missing)) << "a save must not create a file";

    EXPECT_EQ(textsOf(td::ReadFontNames(sandbox.root())), kEmpty);
    EXPECT_FALSE(td::WriteFontNames(sandbox.root(), namesOf(tdtest::sampleTexts())));

    QByteArray noTag(9000, 'x');
    noTag.replace(8190, 3, "nam");  // a near miss across a read boundary
    const QString plain = write("plain.ttf", noTag);
    EXPECT_EQ(textsOf(td::ReadFontNames(plain)), kEmpty);
    EXPECT_FALSE(td::WriteFontNames(plain, namesOf(tdtest::sampleTexts())));
    EXPECT_EQ(readAll(plain), noTag);
}

TEST_F(FontNames, TagAcrossAReadBoundaryIsFound) {
    // The directory sits behind a long stretch of other bytes, its "name" split by the 4096-byte
    // pieces the reader searches in.
    const NameTable table{tdtest::macRecords(tdtest::sampleTexts())};
    const QByteArray names = table.bytes();
    for (int start : {4094, 4095, 8189}) {
        QByteArray file(start, '\x11');
        const std::uint32_t tableAt = static_cast<std::uint32_t>(start) + 16;
        file += QByteArray("name") + tdtest::be32(0) + tdtest::be32(tableAt) +
                tdtest::be32(static_cast<std::uint32_t>(names.size()));
        file += names;
        const QString path = write(QStringLiteral("late%1.ttf").arg(start), file);
        EXPECT_EQ(textsOf(td::ReadFontNames(path)), tdtest::sampleTexts()) << start;
    }
}

TEST_F(FontNames, EveryTruncationReadsSafelyAndIsNeverDamagedByAWrite) {
    const NameTable table{tdtest::macRecords(tdtest::sampleTexts())};
    const QByteArray font = tdtest::fontWithNames(table);
    const std::uint32_t tableAt = tdtest::namesOffsetIn(table);
    const std::uint32_t recordsEnd = tableAt + 6 + 8 * 12;
    const TFontNames edit = namesOf({"a", "b", "c", "d", "e", "f", "g", "h"});

    for (qsizetype cut = 0; cut < font.size(); ++cut) {
        const QByteArray truncated = font.left(cut);
        const QString path = write("cut.ttf", truncated);
        const TFontNames names = td::ReadFontNames(path);
        if (static_cast<std::uint32_t>(cut) < recordsEnd) {
            ASSERT_EQ(textsOf(names), kEmpty) << "cut at " << cut;
        } else {
            // Each string reads whole or not at all.
            for (int n = 0; n < TFontNames::count; ++n) {
                const bool whole = stringAt(table, static_cast<std::size_t>(n)) +
                                       tdtest::sampleTexts()[n].size() <=
                                   static_cast<std::uint32_t>(cut);
                ASSERT_EQ(names.at(n), whole ? tdtest::sampleTexts()[n] : QString())
                    << "cut at " << cut << " position " << n;
            }
        }
        // A save goes whole or not at all: with any string cut off it writes nothing.
        const bool whole = cut >= stringAt(table, 7) + tdtest::sampleTexts()[7].size();
        ASSERT_EQ(td::WriteFontNames(path, edit), whole) << "cut at " << cut;
        const QByteArray after = readAll(path);
        ASSERT_EQ(after.size(), cut);
        if (!whole) {
            ASSERT_EQ(after, truncated) << "cut at " << cut;
        }
    }
}

TEST_F(FontNames, OffsetsBeyondTheEndGiveEmptyNamesAndNoWrites) {
    const NameTable good{tdtest::macRecords(tdtest::sampleTexts())};
    const TFontNames edit = namesOf({"a", "b", "c", "d", "e", "f", "g", "h"});

    // The naming table's offset points past the end.
    tdtest::TtfBuilder builder;
    builder.addTable("head", QByteArray(20, '\x01'));
    const std::size_t index = builder.addTable("name", good.bytes());
    builder.setDirectoryOffset(index, 0xFFFFFFF0u);
    QByteArray font = builder.build();
    QString path = write("far.ttf", font);
    EXPECT_EQ(textsOf(td::ReadFontNames(path)), kEmpty);
    EXPECT_FALSE(td::WriteFontNames(path, edit));
    EXPECT_EQ(readAll(path), font);

    // The storage offset points past the end.
    NameTable storage = good;
    storage.storageOffset = 0xFFFF;
    font = tdtest::fontWithNames(storage);
    path = write("storage.ttf", font);
    EXPECT_EQ(textsOf(td::ReadFontNames(path)), kEmpty);
    EXPECT_FALSE(td::WriteFontNames(path, edit));
    EXPECT_EQ(readAll(path), font);

    // The record count claims more records than the file holds.
    NameTable many{tdtest::macRecords({"A"})};
    many.recordCount = 8;
    font = tdtest::fontWithNames(many);
    font.truncate(tdtest::namesOffsetIn(many) + 6 + 12 + 5);
    path = write("many.ttf", font);
    EXPECT_EQ(textsOf(td::ReadFontNames(path)), kEmpty);
    EXPECT_FALSE(td::WriteFontNames(path, edit));
    EXPECT_EQ(readAll(path), font);

    // One string beyond the end reads empty; the others still read.
    auto records = tdtest::macRecords(tdtest::sampleTexts());
    records[4].offset = 0xFF00;
    const NameTable one{records};
    font = tdtest::fontWithNames(one);
    path = write("onefar.ttf", font);
    const TFontNames names = td::ReadFontNames(path);
    EXPECT_TRUE(names.Name.isEmpty());
    EXPECT_EQ(names.Family, "Sample Sans");
    EXPECT_FALSE(td::WriteFontNames(path, edit));
    EXPECT_EQ(readAll(path), font);
    TFontNames readable = names;
    readable.Family = "b";
    EXPECT_TRUE(td::WriteFontNames(path, readable));
    EXPECT_EQ(td::ReadFontNames(path).Family, "b          ");
}

TEST_F(FontNames, StringsOutsideTheNamingTableAreReadButNeverWritten) {
    // Record 2's string offset reaches past the naming table into the table after it.
    auto records = tdtest::macRecords(tdtest::sampleTexts());
    NameTable table{records};
    const QByteArray tableBytes = table.bytes();
    tdtest::TtfBuilder builder;
    builder.addTable("head", QByteArray(20, '\x01'));
    const std::size_t nameIndex = builder.addTable("name", tableBytes);
    const std::size_t after = builder.addTable("post", QByteArray("OTHERTABLE"));
    const std::uint32_t storage = 6 + 12 * 8;
    const std::uint32_t reach =
        builder.tableOffset(after) - builder.tableOffset(nameIndex) - storage;
    records[1].offset = static_cast<std::uint16_t>(reach);
    records[1].length = 10;
    table.records = records;
    tdtest::TtfBuilder again;
    again.addTable("head", QByteArray(20, '\x01'));
    again.addTable("name", table.bytes());
    again.addTable("post", QByteArray("OTHERTABLE"));
    const QByteArray font = again.build();
    const QString path = write("outside.ttf", font);

    TFontNames names = td::ReadFontNames(path);
    EXPECT_EQ(names.Family, "OTHERTABLE");
    names.Subfamily = "Changed";
    names.Family = "Changed";
    EXPECT_FALSE(td::WriteFontNames(path, names));
    EXPECT_EQ(readAll(path), font);
    names.Family = "OTHERTABLE";
    ASSERT_TRUE(td::WriteFontNames(path, names));
    EXPECT_EQ(readAll(path).mid(again.tableOffset(2), 10), QByteArray("OTHERTABLE"));
    EXPECT_EQ(td::ReadFontNames(path).Subfamily, "Changed    ");
}

TEST_F(FontNames, ATableLengthThatEndsBeforeTheStringsReportsTheSaveFailed) {
    // The naming table's directory entry (the second, after 12 bytes of offset table) gives a
    // length of 8 bytes: every string lies beyond the table as the directory states it.
    QByteArray font = tdtest::fontWithNames(NameTable{tdtest::macRecords(tdtest::sampleTexts())});
    font.replace(12 + 16 + 12, 4, tdtest::be32(8));
    const QString path = write("short.ttf", font);
    TFontNames names = td::ReadFontNames(path);
    ASSERT_EQ(names.Copyright, tdtest::sampleTexts()[0]);
    names.Copyright = "Mine";
    EXPECT_FALSE(td::WriteFontNames(path, names));
    EXPECT_EQ(readAll(path), font);
}

TEST(NameEncoding, OneAndTwoByteForms) {
    EXPECT_EQ(td::encodeNameString("abc", 1, 5), QByteArray("abc  "));
    EXPECT_EQ(td::encodeNameString("abcdef", 1, 3), QByteArray("abc"));
    EXPECT_EQ(td::encodeNameString("", 2, 2), QByteArray("  "));
    EXPECT_EQ(td::encodeNameString("ab", 3, 6), QByteArray("\0a\0b\0 ", 6));
    EXPECT_EQ(td::encodeNameString("ab", 0, 3), QByteArray("\0a", 2));
    EXPECT_EQ(td::encodeNameString(QString::fromUtf8("\u20ac"), 1, 1), QByteArray("?"));
    EXPECT_TRUE(td::encodeNameString("abc", 1, 0).isEmpty());
}

}  // namespace
