#include <gtest/gtest.h>

#include <QImage>

#include "export/charmap.h"
#include "platform/fonttable.h"

namespace {

using td::ImageType;

TEST(CharacterMapPage, FileNamesAndPageLines) {
    EXPECT_EQ(td::characterImageName(65, "Arial", ImageType::Jpeg), "065Arial.jpg");
    EXPECT_EQ(td::characterImageName(7, "Arial", ImageType::Jpeg), "07Arial.jpg");
    EXPECT_EQ(td::characterImageName(200, "Arial", ImageType::Bmp), "0200Arial.BMP");
    EXPECT_EQ(td::characterImageName(0, "Font Map", ImageType::Gif), "00Font Map.GIF");
    EXPECT_EQ(td::characterMapPageName("Font Map"), "Font Map.html");
    EXPECT_EQ(td::characterMapTitleLines("Arial"),
              (QStringList{"<title>Kestro TypeDeck</title></head><body>",
                           "This is Arial True Type Font"}));

    for (const ImageType type : {ImageType::Jpeg, ImageType::Gif}) {
        const QStringList lines = td::characterMapTableLines("Arial", type, 30, 256);
        ASSERT_EQ(lines.size(), 272);
        for (int row = 0; row < 16; ++row) {
            EXPECT_EQ(lines.at(row * 17), "<BR>");
            for (int column = 0; column < 16; ++column) {
                const int code = row * 16 + column;
                EXPECT_TRUE(lines.at(row * 17 + 1 + column)
                                .startsWith("<img src=\"0" + QString::number(code) + "Arial."))
                    << code;
            }
        }
    }
    EXPECT_EQ(td::characterMapTableLines("Arial", ImageType::Jpeg, 30, 256).at(4 * 17 + 2),
              "<img src=\"065Arial.jpg\" alt=\"065Arial.jpg\" width=30\" height=30\" >");
    EXPECT_EQ(td::characterMapTableLines("Arial", ImageType::Gif, 100, 256).at(12 * 17 + 9),
              "<img src=\"0200Arial.GIF\" alt=\"0200Arial.gif\" width=100\" height=100\" >");
    // A map cut short lists the codes written, and the row break of a row begun.
    const QStringList part = td::characterMapTableLines("Arial", ImageType::Jpeg, 30, 17);
    EXPECT_EQ(part.size(), 19);
    EXPECT_EQ(part.at(17), "<BR>");
    EXPECT_TRUE(td::characterMapTableLines("Arial", ImageType::Jpeg, 30, 0).isEmpty());
}

TEST(CharacterMapPage, FacesThatCannotNameAFile) {
    EXPECT_TRUE(td::characterMapFaceProblem("Arial").isEmpty());
    EXPECT_TRUE(td::characterMapFaceProblem("Font Map").isEmpty());
    EXPECT_TRUE(td::characterMapFaceProblem(QString(247, u'x')).isEmpty());
    EXPECT_FALSE(td::characterMapFaceProblem(QString(248, u'x')).isEmpty());
    EXPECT_TRUE(td::characterMapFaceProblem("AC/DC").contains("AC/DC"));
    EXPECT_FALSE(td::characterMapFaceProblem(QString("A") + QChar(0) + "B").isEmpty());
}

TEST(CharacterMapPage, PicturesAreTheCharacterOnWhite) {
    td::QtFontTable fonts;
    const QImage a = td::renderCharacterImage(fonts, "DejaVu Sans", "A");
    const QImage b = td::renderCharacterImage(fonts, "DejaVu Sans", "B");
    ASSERT_EQ(a.size(), QSize(50, 50));
    QImage white(a.size(), a.format());
    white.fill(Qt::white);
    EXPECT_NE(a, white);
    EXPECT_NE(a, b);
    EXPECT_EQ(a.pixel(0, 0), qRgb(255, 255, 255));
    // A blank is nothing but white.
    EXPECT_EQ(td::renderCharacterImage(fonts, "DejaVu Sans", " "), white);
}

}  // namespace
