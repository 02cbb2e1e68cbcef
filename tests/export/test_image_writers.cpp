#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <random>

#include <jpeglib.h>

#include "export/bmpwriter.h"
#include "export/jpegwriter.h"
#include "jpeg_reader.h"
#include "platform/error.h"
#include "sandbox.h"

namespace {

std::uint32_t le32(const QByteArray& bytes, int at) {
    return std::uint8_t(bytes[at]) | std::uint8_t(bytes[at + 1]) << 8 |
           std::uint8_t(bytes[at + 2]) << 16 | std::uint32_t(std::uint8_t(bytes[at + 3])) << 24;
}
int le16(const QByteArray& bytes, int at) {
    return std::uint8_t(bytes[at]) | std::uint8_t(bytes[at + 1]) << 8;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One row per colour pair: the colour drawn and the colour the file must hold for it.
struct Expectation {
    QRgb drawn;
    QRgb stored;
};

// Draws the colours as 13-pixel-wide columns (an odd width tests the row padding), writes the
// file at `bits` per pixel and checks what Qt reads back.
void checkDepth(const tdtest::Sandbox& sandbox, int bits, const std::vector<Expectation>& cases,
                int tolerance = 0) {
    SCOPED_TRACE(testing::Message() << bits << " bits per pixel");
    const int columns = 13;
    QImage image(columns, int(cases.size()) * 3, QImage::Format_RGB32);
    for (std::size_t i = 0; i < cases.size(); ++i)
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < columns; ++x)
                image.setPixel(x, int(i) * 3 + y, cases[i].drawn);

    const QString path = sandbox.path(QStringLiteral("depth%1.bmp").arg(bits));
    td::writeBmp(image, path, bits);
    const QByteArray file = readAll(path);
    ASSERT_GT(file.size(), 54);
    EXPECT_EQ(file.left(2), "BM");
    EXPECT_EQ(le32(file, 2), std::uint32_t(file.size()));
    EXPECT_EQ(le32(file, 14), 40u);
    EXPECT_EQ(le32(file, 18), std::uint32_t(columns));
    EXPECT_EQ(le32(file, 22), std::uint32_t(image.height()));
    EXPECT_EQ(le16(file, 28), bits);
    const std::uint32_t rowBytes = (std::uint32_t(columns) * std::uint32_t(bits) + 31) / 32 * 4;
    EXPECT_EQ(le32(file, 10) + rowBytes * std::uint32_t(image.height()),
              std::uint32_t(file.size()));

    QImage loaded;
    ASSERT_TRUE(loaded.load(path, "BMP"));
    ASSERT_EQ(loaded.size(), image.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < columns; ++x) {
                const QRgb got = loaded.pixel(x, int(i) * 3 + y);
                const QRgb want = cases[i].stored;
                ASSERT_LE(std::abs(qRed(got) - qRed(want)), tolerance) << "case " << i;
                ASSERT_LE(std::abs(qGreen(got) - qGreen(want)), tolerance) << "case " << i;
                ASSERT_LE(std::abs(qBlue(got) - qBlue(want)), tolerance) << "case " << i;
            }
}

// Black text on white, like a sample sheet.
QImage textSheet(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    QFont font = painter.font();
    font.setPixelSize(18);
    painter.setFont(font);
    for (int y = 20; y < height; y += 24)
        painter.drawText(4, y, QStringLiteral("The quick brown fox jumps over the lazy dog 0123"));
    return image;
}

class ImageWriters : public tdtest::SandboxTest {};

// ---------------------------------------------------------------------------------------------

TEST(ColourDepth, ItemsGiveBitsPerPixel) {
    EXPECT_EQ(td::SelectedPixelFormat(0), 1);
    EXPECT_EQ(td::SelectedPixelFormat(1), 4);
    EXPECT_EQ(td::SelectedPixelFormat(2), 8);
    EXPECT_EQ(td::SelectedPixelFormat(3), 16);
    EXPECT_EQ(td::SelectedPixelFormat(4), 24);
    EXPECT_EQ(td::SelectedPixelFormat(5), 32);
    EXPECT_EQ(td::SelectedPixelFormat(-1), 4);  // no item selected
    EXPECT_EQ(td::SelectedPixelFormat(6), 4);
}

TEST_F(ImageWriters, OneBitSplitsByBrightness) {
    checkDepth(sandbox, 1,
               {{qRgb(0, 0, 0), qRgb(0, 0, 0)},
                {qRgb(255, 255, 255), qRgb(255, 255, 255)},
                {qRgb(100, 100, 100), qRgb(0, 0, 0)},
                {qRgb(200, 200, 200), qRgb(255, 255, 255)},
                {qRgb(255, 0, 0), qRgb(0, 0, 0)},  // dark for all its red
                {qRgb(255, 255, 0), qRgb(255, 255, 255)}});
}

TEST_F(ImageWriters, FourBitsUseTheSixteenStandardColours) {
    checkDepth(sandbox, 4,
               {{qRgb(0, 0, 0), qRgb(0, 0, 0)},
                {qRgb(255, 255, 255), qRgb(255, 255, 255)},
                {qRgb(120, 125, 130), qRgb(128, 128, 128)},
                {qRgb(200, 190, 185), qRgb(192, 192, 192)},
                {qRgb(250, 10, 10), qRgb(255, 0, 0)},
                {qRgb(0, 0, 120), qRgb(0, 0, 128)},
                {qRgb(0, 250, 250), qRgb(0, 255, 255)},
                {qRgb(128, 0, 128), qRgb(128, 0, 128)}});
}

TEST_F(ImageWriters, EightBitsUseTheCubeAndTheGreyRamp) {
    checkDepth(sandbox, 8,
               {{qRgb(0, 0, 0), qRgb(0, 0, 0)},
                {qRgb(255, 255, 255), qRgb(255, 255, 255)},
                {qRgb(51, 102, 204), qRgb(51, 102, 204)},
                {qRgb(60, 200, 10), qRgb(51, 204, 0)},
                {qRgb(130, 130, 130), qRgb(130, 130, 130)},  // one of the extra greys
                {qRgb(131, 129, 130), qRgb(130, 130, 130)},
                {qRgb(108, 108, 108), qRgb(108, 108, 108)},
                {qRgb(153, 153, 153), qRgb(153, 153, 153)}});
}

TEST_F(ImageWriters, DeepFilesKeepTheirColours) {
    std::vector<Expectation> more = {{qRgb(0, 0, 0), qRgb(0, 0, 0)},
                                     {qRgb(255, 255, 255), qRgb(255, 255, 255)},
                                     {qRgb(255, 0, 0), qRgb(255, 0, 0)},
                                     {qRgb(0, 255, 0), qRgb(0, 255, 0)},
                                     {qRgb(0, 0, 255), qRgb(0, 0, 255)}};
    more.push_back({qRgb(100, 150, 200), qRgb(100, 150, 200)});
    more.push_back({qRgb(1, 2, 254), qRgb(1, 2, 254)});
    // 16 bits are 5-6-5 with bit-field masks; Qt widens five bits by shifting (31 reads as
    // 248), so it is checked loosely through Qt and exactly in the file.
    checkDepth(sandbox, 16, more, 8);
    const std::pair<QRgb, int> raw[] = {{qRgb(255, 255, 255), 0xFFFF}, {qRgb(255, 0, 0), 0xF800},
                                        {qRgb(0, 255, 0), 0x07E0},     {qRgb(0, 0, 255), 0x001F},
                                        {qRgb(0, 0, 0), 0x0000},       {qRgb(128, 64, 8), 0x8201}};
    for (const auto& [color, value] : raw) {
        QImage one(1, 1, QImage::Format_RGB32);
        one.fill(color);
        const QByteArray file = td::encodeBmp(one, 16);
        EXPECT_EQ(le32(file, 30), 3u);  // bit fields
        EXPECT_EQ(le32(file, 54), 0xF800u);
        EXPECT_EQ(le32(file, 58), 0x07E0u);
        EXPECT_EQ(le32(file, 62), 0x001Fu);
        EXPECT_EQ(le16(file, int(le32(file, 10))), value) << std::hex << color;
    }
    checkDepth(sandbox, 24, more);
    checkDepth(sandbox, 32, more);
}

TEST_F(ImageWriters, BitmapsAcceptEveryImageFormat) {
    const QImage reference = textSheet(61, 30);
    const QByteArray expected = td::encodeBmp(reference, 24);
    for (int f = QImage::Format_Mono; f < QImage::NImageFormats; ++f) {
        const QImage image = reference.convertToFormat(QImage::Format(f));
        ASSERT_FALSE(image.isNull()) << f;
        const QByteArray bytes = td::encodeBmp(image, 24);
        QImage loaded;
        ASSERT_TRUE(loaded.loadFromData(bytes, "BMP")) << f;
        ASSERT_EQ(loaded.size(), reference.size()) << f;
        const QImage asRgb = image.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 61; ++x)
                ASSERT_EQ(loaded.pixel(x, y), asRgb.pixel(x, y) | 0xFF000000u) << f;
    }
}

TEST_F(ImageWriters, BitmapBadInputIsRefused) {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::white);
    EXPECT_THROW(td::encodeBmp(image, 2), td::Error);
    EXPECT_THROW(td::encodeBmp(image, 15), td::Error);
    EXPECT_THROW(td::encodeBmp(QImage(), 24), td::Error);

    const QString existing = sandbox.writeFile("out/old.bmp", "old");
    EXPECT_THROW(td::writeBmp(QImage(), existing, 8), td::Error);
    EXPECT_EQ(readAll(existing), "old");
    td::writeBmp(image, existing, 8);
    EXPECT_EQ(readAll(existing), td::encodeBmp(image, 8));

    const QString missing = sandbox.path("no/folder/x.bmp");
    try {
        td::writeBmp(image, missing, 24);
        FAIL() << "wrote into a missing folder";
    } catch (const td::Error& e) {
        EXPECT_TRUE(e.message().contains(missing)) << e.message().toStdString();
    }
    EXPECT_EQ(QDir(sandbox.path("out")).entryList(QDir::Files), QStringList{"old.bmp"});
}

TEST_F(ImageWriters, JpegDecodesAtTheRightSize) {
    const QImage sheet = textSheet(317, 95);
    const QString path = sandbox.path("sheet.jpg");
    td::writeJpeg(sheet, path, 75);
    const tdtest::JpegInfo decoded = tdtest::decodeJpeg(readAll(path));
    EXPECT_EQ(decoded.width, 317);
    EXPECT_EQ(decoded.height, 95);
    ASSERT_EQ(decoded.components, 3);
    // The white margin at the bottom right stays white, the text stays dark somewhere.
    const std::size_t corner = (std::size_t(94) * 317 + 316) * 3;
    EXPECT_GE(decoded.pixels[corner], 245);
    EXPECT_LE(*std::min_element(decoded.pixels.begin(), decoded.pixels.end()), 40);

    // Every image format goes in.
    for (int f = QImage::Format_Mono; f < QImage::NImageFormats; ++f) {
        const tdtest::JpegInfo each =
            tdtest::decodeJpeg(td::encodeJpeg(sheet.convertToFormat(QImage::Format(f)), 50));
        EXPECT_EQ(each.width, 317) << f;
        EXPECT_EQ(each.height, 95) << f;
    }
}

TEST_F(ImageWriters, JpegQualityDecidesTheSize) {
    const QImage sheet = textSheet(400, 200);
    const qsizetype low = td::encodeJpeg(sheet, 10).size();
    const qsizetype middle = td::encodeJpeg(sheet, 50).size();
    const qsizetype high = td::encodeJpeg(sheet, 100).size();
    EXPECT_LT(low, middle);
    EXPECT_LT(middle, high);
    // Outside 10..100 the nearest end of the range applies.
    EXPECT_EQ(td::encodeJpeg(sheet, 3), td::encodeJpeg(sheet, 10));
    EXPECT_EQ(td::encodeJpeg(sheet, 250), td::encodeJpeg(sheet, 100));
}

TEST_F(ImageWriters, JpegBadInputIsRefused) {
    EXPECT_THROW(td::encodeJpeg(QImage(), 80), td::Error);
    EXPECT_THROW(td::encodeJpeg(QImage(65501, 1, QImage::Format_RGB32), 80), td::Error);

    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QString existing = sandbox.writeFile("out/old.jpg", "old");
    EXPECT_THROW(td::writeJpeg(QImage(), existing, 80), td::Error);
    EXPECT_EQ(readAll(existing), "old");
    td::writeJpeg(image, existing, 80);
    EXPECT_EQ(readAll(existing), td::encodeJpeg(image, 80));
    const QString missing = sandbox.path("no/folder/x.jpg");
    try {
        td::writeJpeg(image, missing, 80);
        FAIL() << "wrote into a missing folder";
    } catch (const td::Error& e) {
        EXPECT_TRUE(e.message().contains(missing)) << e.message().toStdString();
    }
    if (geteuid() != 0) {  // permissions do not bind the superuser
        const QString locked = sandbox.path("locked");
        ASSERT_TRUE(QDir().mkpath(locked));
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        EXPECT_THROW(td::writeJpeg(image, locked + "/x.jpg", 80), td::Error);
        QFile::setPermissions(
            locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        EXPECT_TRUE(QDir(locked).isEmpty());
    }
    EXPECT_EQ(QDir(sandbox.path("out")).entryList(QDir::Files), QStringList{"old.jpg"});
}

}  // namespace
