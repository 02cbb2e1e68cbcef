#include <gtest/gtest.h>

#include <QFile>
#include <functional>

#include "platform/sfnt.h"
#include "sandbox.h"
#include "testfiles.h"
#include "ttfbuilder.h"
#include "ttfnames/fontnames.h"

namespace {

using td::NameWrite;
using td::TFontNames;

QStringList textsFor(const QString& face) {
    QStringList texts;
    for (const char* field :
         {"Copyright", "Family", "Style", "Id", "Full", "Version", "PS", "TM"}) {
        texts << face + u' ' + QString::fromLatin1(field);
    }
    return texts;
}

TFontNames namesOf(const QStringList& texts) {
    TFontNames names;
    for (int i = 0; i < TFontNames::count; ++i) {
        names.at(i) = texts.value(i);
    }
    return names;
}

// Three faces named "Face0", "Face1" and "Face2", each with its own naming table.
QByteArray threeFaces() {
    return tdtest::collectionOf(
        {tdtest::fontWithNames(tdtest::macRecords(textsFor(QStringLiteral("Face0")))),
         tdtest::fontWithNames(tdtest::macRecords(textsFor(QStringLiteral("Face1")))),
         tdtest::fontWithNames(tdtest::macRecords(textsFor(QStringLiteral("Face2"))))});
}

void putBe32(QByteArray& bytes, qsizetype at, std::uint32_t value) {
    bytes.replace(at, 4, tdtest::be32(value));
}

std::uint32_t be32At(const QByteArray& bytes, qsizetype at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData() + at);
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

TEST(Collection, EveryFaceReadsItsOwnNamesAndCopiesOutAsAFontOfItsOwn) {
    tdtest::Sandbox sandbox;
    const QByteArray data = threeFaces();
    const QString path = sandbox.writeFile(QStringLiteral("three.ttc"), data);
    EXPECT_EQ(td::sfnt::readFaceList(data).count(), 3);
    EXPECT_EQ(td::sfnt::faceCountOfFile(path), 3);
    for (int face = 0; face < 3; ++face) {
        const TFontNames expected = namesOf(textsFor(QStringLiteral("Face%1").arg(face)));
        int count = -1;
        EXPECT_EQ(td::ReadFontNames(path, face, &count), expected) << face;
        EXPECT_EQ(count, 3);
        EXPECT_EQ(td::ReadFontNamesFromBytes(data, face), expected) << face;
        const QByteArray single = td::sfnt::extractFace(data, face);
        EXPECT_FALSE(td::sfnt::readFaceList(single).collection);
        EXPECT_EQ(td::ReadFontNamesFromBytes(single), expected) << face;
    }
    EXPECT_EQ(td::ReadFontNames(path, 3), TFontNames{});
    EXPECT_TRUE(td::sfnt::extractFace(data, 3).isEmpty());
    // A single font has one face, and no second one.
    const QByteArray one = tdtest::fontWithNames(tdtest::macRecords(textsFor("One")));
    EXPECT_EQ(td::sfnt::readFaceList(one).count(), 1);
    EXPECT_EQ(td::ReadFontNamesFromBytes(one, 1), TFontNames{});
}

// Damaged collections: the faces that can still be found read as before, the others read
// blank, nothing is written to a blank face, and nothing reads outside the file.
TEST(Collection, DamagedHeadersAndDirectoriesReadBlankAndAreNeverWritten) {
    struct Case {
        const char* what;
        std::function<void(QByteArray&)> damage;
        int faces;            // as the face list gives them
        QList<int> readable;  // faces whose names still read
    };
    const QByteArray good = threeFaces();
    const std::uint32_t face1 = be32At(good, 16);
    const Case cases[] = {
        {"face count 2^32-1", [](QByteArray& d) { putBe32(d, 8, 0xFFFFFFFFu); }, 0, {}},
        {"face count 0", [](QByteArray& d) { putBe32(d, 8, 0); }, 0, {}},
        {"offsets past the end of a short header", [](QByteArray& d) { d.truncate(18); }, 0, {}},
        {"face offset past the end", [](QByteArray& d) { putBe32(d, 16, 0xFFFFFFF0u); }, 3, {0, 2}},
        {"truncated inside face 1's directory",
         [face1](QByteArray& d) { d.truncate(face1 + 20); },
         3,
         {0}},
        {"directory on the header", [](QByteArray& d) { putBe32(d, 20, 0); }, 3, {0, 1}},
        {"table count past the end",
         [face1](QByteArray& d) { d.replace(face1 + 4, 2, tdtest::be16(0xFFFF)); },
         3,
         {0, 2}},
        {"name table past the end",
         [](QByteArray& d) {
             putBe32(d, tdtest::collectionEntryOffset(d, 2, "name") + 8, 0x7FFFFFF0u);
         },
         3,
         {0, 1}},
    };
    tdtest::Sandbox sandbox;
    for (const Case& c : cases) {
        QByteArray data = good;
        c.damage(data);
        const QString path = sandbox.writeFile(QStringLiteral("bad.ttc"), data);
        EXPECT_EQ(td::sfnt::readFaceList(data).count(), c.faces) << c.what;
        EXPECT_EQ(td::sfnt::faceCountOfFile(path), c.faces) << c.what;
        for (int face = 0; face < 3; ++face) {
            const bool readable = c.readable.contains(face);
            const TFontNames names = td::ReadFontNames(path, face);
            EXPECT_EQ(names, readable ? namesOf(textsFor(QStringLiteral("Face%1").arg(face)))
                                      : TFontNames{})
                << c.what << " face " << face;
            if (!readable) {
                EXPECT_EQ(td::WriteFaceNames(path, face, namesOf(textsFor("New"))),
                          NameWrite::Failed)
                    << c.what << " face " << face;
                EXPECT_TRUE(td::sfnt::extractFace(data, face).isEmpty()) << c.what;
            }
        }
        EXPECT_EQ(tdtest::fileBytes(path), data) << c.what;
    }
}

TEST(Collection, ANamingTableSharedWithAnotherFaceIsNotWritten) {
    tdtest::Sandbox sandbox;
    QByteArray data = threeFaces();
    // Face 1 uses face 0's naming table; face 2 keeps its own.
    const qsizetype from = tdtest::collectionEntryOffset(data, 0, "name");
    const qsizetype to = tdtest::collectionEntryOffset(data, 1, "name");
    data.replace(to + 8, 8, data.mid(from + 8, 8));
    const QString path = sandbox.writeFile(QStringLiteral("shared.ttc"), data);
    const TFontNames renamed = namesOf(textsFor(QStringLiteral("New")));

    for (const int face : {0, 1}) {
        EXPECT_EQ(td::WriteFaceNames(path, face, renamed), NameWrite::Shared) << face;
        QByteArray copy = data;
        EXPECT_EQ(td::WriteFaceNamesToBytes(copy, face, renamed), NameWrite::Shared);
        EXPECT_EQ(copy, data);
        // Saving the names unchanged writes nothing and is no refusal.
        EXPECT_EQ(td::WriteFaceNames(path, face, td::ReadFontNames(path, face)),
                  NameWrite::Written);
    }
    EXPECT_FALSE(td::WriteFontNames(path, renamed));
    EXPECT_EQ(tdtest::fileBytes(path), data);

    // Face 1's strings moved onto face 2's: face 2 may no longer change them.
    QByteArray strays = data;
    const std::uint32_t own = be32At(strays, tdtest::collectionEntryOffset(strays, 1, "name") + 8);
    const std::uint32_t face2 =
        be32At(strays, tdtest::collectionEntryOffset(strays, 2, "name") + 8);
    const qsizetype storage = own + 4;
    const auto moved =
        static_cast<std::uint16_t>(((static_cast<unsigned char>(strays[storage]) << 8) |
                                    static_cast<unsigned char>(strays[storage + 1])) +
                                   (face2 - own));
    strays.replace(storage, 2, tdtest::be16(moved));
    EXPECT_EQ(td::ReadFontNamesFromBytes(strays, 1).Family, "Face2 Family");
    QByteArray copy = strays;
    EXPECT_EQ(td::WriteFaceNamesToBytes(copy, 2, renamed), NameWrite::Shared);
    EXPECT_EQ(td::WriteFaceNamesToBytes(copy, 1, renamed), NameWrite::Failed);
    EXPECT_EQ(copy, strays);

    EXPECT_EQ(td::WriteFaceNames(path, 2, renamed), NameWrite::Written);
    EXPECT_EQ(td::ReadFontNames(path, 2).Family.trimmed(), "New Family");  // blank-padded
    EXPECT_EQ(td::ReadFontNames(path, 0).Family, "Face0 Family");
    EXPECT_EQ(td::ReadFontNames(path, 1).Family, "Face0 Family");
}

TEST(Collection, TheRealTwoFaceCollectionListsBothFaces) {
    const QString path = QStringLiteral("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc");
    ASSERT_TRUE(QFile::exists(path)) << "fonts-wqy-microhei is installed by install-deps.sh";
    int count = 0;
    EXPECT_EQ(td::ReadFontNames(path, 0, &count).Family, "WenQuanYi Micro Hei");
    EXPECT_EQ(count, 2);
    EXPECT_EQ(td::ReadFontNames(path, 1).Family, "WenQuanYi Micro Hei Mono");
}

}  // namespace
