#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <random>

#include "gif/gifcoder.h"
#include "gif/gifpicture.h"
#include "gif_reader.h"
#include "platform/error.h"
#include "sandbox.h"

namespace {

using td::TGifPicture;
using tdtest::decodeWithGiflib;
using tdtest::parseGif;
using tdtest::readCodes;

// The palette index of a colour, worked out here from the channel levels rather than taken
// from the writer.
int expectedIndex(QRgb c) {
    auto level = [](int v) { return (v + 3) / 51; };
    return level(qRed(c)) * 36 + level(qGreen(c)) * 6 + level(qBlue(c));
}

QByteArray save(const QImage& image) {
    TGifPicture gif;
    gif.setDitherMode(td::GifDitherMode::NearestColor);
    gif.setCompression(td::GifCompression::RunLength);
    gif.assign(image);
    return gif.saveToBytes();
}

// An 8-bit image of the given colour count whose rows are filled with runs whose lengths come
// from `nextRun`, continuing across rows as the coder sees them.
template <typename RunLength>
QImage runImage(int width, int height, int colors, std::mt19937& random, RunLength nextRun) {
    QImage image(width, height, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < colors; ++i)
        table.append(qRgb(i * 37 % 256, i * 91 % 256, 255 - i));
    image.setColorTable(table);
    std::uniform_int_distribution<int> pick(0, colors - 1);
    std::int64_t left = 0;
    int value = 0;
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            if (left == 0) {
                left = nextRun();
                value = pick(random);
            }
            line[x] = uchar(value);
            --left;
        }
    }
    return image;
}

std::vector<std::uint8_t> indicesOf(const QImage& indexed) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < indexed.height(); ++y)
        out.insert(out.end(), indexed.constScanLine(y), indexed.constScanLine(y) + indexed.width());
    return out;
}

// ---------------------------------------------------------------------------------------------

TEST(GifWriter, AllWhiteBitmapIsIndex215WithPaddedPalette) {
    QImage white(9, 4, QImage::Format_RGB888);
    white.fill(qRgb(255, 255, 255));
    const QByteArray file = save(white);

    const tdtest::ParsedGif gif = parseGif(file);
    EXPECT_EQ(gif.version, "87a");
    EXPECT_EQ(gif.width, 9);
    EXPECT_EQ(gif.height, 4);
    EXPECT_EQ(gif.flags, 0x77);
    EXPECT_EQ(gif.background, 0);
    EXPECT_EQ(gif.aspect, 0);
    EXPECT_TRUE(gif.globalTable.isEmpty());
    ASSERT_EQ(gif.frames.size(), 1u);
    const tdtest::ParsedFrame& frame = gif.frames[0];
    EXPECT_EQ(frame.left, 0);
    EXPECT_EQ(frame.top, 0);
    EXPECT_EQ(frame.width, 9);
    EXPECT_EQ(frame.height, 4);
    EXPECT_EQ(frame.flags, 0x87);  // local table, not sorted, not interlaced, 256 entries
    ASSERT_EQ(frame.localTable.size(), 768);
    for (int i = 0; i < 216; ++i) {
        EXPECT_EQ(std::uint8_t(frame.localTable[3 * i]), 51 * (i / 36)) << i;
        EXPECT_EQ(std::uint8_t(frame.localTable[3 * i + 1]), 51 * (i / 6 % 6)) << i;
        EXPECT_EQ(std::uint8_t(frame.localTable[3 * i + 2]), 51 * (i % 6)) << i;
    }
    EXPECT_EQ(frame.localTable.mid(216 * 3), QByteArray(40 * 3, '\0'));
    EXPECT_EQ(frame.codeSize, 8);
    EXPECT_TRUE(gif.trailerLast);

    const tdtest::Decoded decoded = decodeWithGiflib(file);
    EXPECT_EQ(decoded.indices, std::vector<std::uint8_t>(36, 215));
}

TEST(GifWriter, ChannelLevelsFollowTheThresholds) {
    EXPECT_EQ(TGifPicture::paletteIndex(47, 47, 47), 0);
    EXPECT_EQ(TGifPicture::paletteIndex(48, 0, 0), 36);
    EXPECT_EQ(TGifPicture::paletteIndex(0, 48, 0), 6);
    EXPECT_EQ(TGifPicture::paletteIndex(0, 0, 48), 1);
    EXPECT_EQ(TGifPicture::paletteIndex(98, 98, 98), 43);
    EXPECT_EQ(TGifPicture::paletteIndex(99, 0, 0), 72);
    EXPECT_EQ(TGifPicture::paletteIndex(255, 255, 255), 215);
    EXPECT_EQ(TGifPicture::paletteIndex(254, 0, 200), 5 * 36 + 3);

    // The same thresholds through a 32-bit bitmap.
    const QRgb colors[] = {qRgb(47, 47, 47), qRgb(48, 48, 48), qRgb(255, 0, 48), qRgb(0, 99, 252)};
    QImage image(4, 1, QImage::Format_RGB32);
    for (int x = 0; x < 4; ++x)
        image.setPixel(x, 0, colors[x]);
    TGifPicture gif;
    gif.assign(image);
    ASSERT_EQ(gif.frames().size(), 1u);
    EXPECT_EQ(gif.frames()[0].pixels(), (std::vector<std::uint8_t>{0, 43, 5 * 36 + 1, 2 * 6 + 5}));
}

TEST(GifWriter, TenIdenticalPixelsGiveTheRunCodes) {
    QImage image(10, 1, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 256; ++i)
        table.append(qRgb(i, i, i));
    image.setColorTable(table);
    image.fill(7);
    const tdtest::ParsedGif gif = parseGif(save(image));
    ASSERT_EQ(gif.frames.size(), 1u);
    const tdtest::ParsedFrame& frame = gif.frames[0];
    EXPECT_EQ(frame.codeSize, 8);
    EXPECT_EQ(readCodes(frame.data, 8), (std::vector<int>{256, 7, 258, 259, 260, 257}));
    // Six 9-bit codes fill exactly seven bytes (54 bits), the last padded with zero bits.
    ASSERT_EQ(frame.data.size(), 7);
    EXPECT_EQ(std::uint8_t(frame.data[6]) >> 6, 0);
}

TEST(GifWriter, SmallMapsWidenEarlyAndClearAfterNineCodes) {
    // Four colours: code size 2, clear 4, end 5, first table code 6, codes start 3 bits wide.
    const std::uint8_t run[10] = {};
    const QByteArray runData = td::encodeGifImageData(run, 10, 4, 2);
    EXPECT_EQ(readCodes(runData.mid(2, runData.size() - 3), 2),
              (std::vector<int>{4, 0, 6, 7, 8, 5}));

    // Alternating pixels are written one code each; after nine codes the table is cleared.
    std::uint8_t alternating[12];
    for (int i = 0; i < 12; ++i)
        alternating[i] = std::uint8_t(i % 2);
    const QByteArray data = td::encodeGifImageData(alternating, 12, 2, 1);
    EXPECT_EQ(data[0], char(2));  // at least 2 even for a two-colour map
    EXPECT_EQ(readCodes(data.mid(2, data.size() - 3), 2),
              (std::vector<int>{4, 0, 1, 0, 1, 0, 1, 0, 1, 0, 4, 1, 0, 1, 5}));

    // Empty frames are the end code alone.
    const QByteArray empty = td::encodeGifImageData(nullptr, 0, 256, 8);
    EXPECT_EQ(readCodes(empty.mid(2, empty.size() - 3), 8), (std::vector<int>{257}));
}

TEST(GifWriter, SubBlocksHoldAtMost255BytesAndEndWithZero) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int> shortRun(1, 3);
    const QImage image = runImage(300, 200, 200, random, [&] { return shortRun(random); });
    const QByteArray file = save(image);
    const tdtest::ParsedGif gif = parseGif(file);
    ASSERT_EQ(gif.frames.size(), 1u);
    const auto& lengths = gif.frames[0].subBlockLengths;
    ASSERT_GT(lengths.size(), 3u);
    for (std::size_t i = 0; i + 1 < lengths.size(); ++i)
        EXPECT_EQ(lengths[i], 255) << i;
    EXPECT_GE(lengths.back(), 1);
    EXPECT_LE(lengths.back(), 255);
    // ... zero block, then the trailer as the last byte.
    ASSERT_GE(file.size(), 2);
    EXPECT_EQ(file[file.size() - 2], char(0));
    EXPECT_EQ(file[file.size() - 1], char(0x3B));
    EXPECT_TRUE(gif.trailerLast);
}

TEST(GifWriter, RandomIndexedImagesDecodeExactly) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> colorCount(1, 256);
    std::uniform_int_distribution<int> smallSide(1, 90);
    // Run lengths of every order: single pixels, short and medium runs, and runs long enough
    // that the run codes alone fill the decoder's table and force clears.
    std::uniform_int_distribution<int> kind(0, 9);
    auto nextRun = [&]() -> std::int64_t {
        switch (kind(random)) {
            case 0:
            case 1:
            case 2:
                return 1;
            case 3:
            case 4:
                return std::uniform_int_distribution<int>(2, 12)(random);
            case 5:
            case 6:
                return std::uniform_int_distribution<int>(13, 600)(random);
            case 7:
                return std::uniform_int_distribution<int>(600, 20000)(random);
            case 8:
                return std::uniform_int_distribution<int>(20000, 400000)(random);
            default:
                return std::uniform_int_distribution<int>(400000, 9000000)(random);
        }
    };
    struct Size {
        int w, h;
    };
    std::vector<Size> sizes = {{1, 1},    {2000, 3000}, {1999, 2999},
                               {1, 3000}, {2000, 1},    {640, 480}};
    for (int i = 0; i < 60; ++i)
        sizes.push_back({smallSide(random), smallSide(random)});
    for (const Size& size : sizes) {
        const int colors = colorCount(random);
        const QImage image = runImage(size.w, size.h, colors, random, nextRun);
        const QByteArray file = save(image);
        const tdtest::Decoded decoded = decodeWithGiflib(file);
        SCOPED_TRACE(testing::Message() << size.w << "x" << size.h << ", " << colors << " colours");
        ASSERT_EQ(decoded.width, size.w);
        ASSERT_EQ(decoded.height, size.h);
        ASSERT_TRUE(decoded.indices == indicesOf(image));
        ASSERT_GE(decoded.colors.size(), std::size_t(colors));
        for (int c = 0; c < colors; ++c)
            ASSERT_EQ(decoded.colors[std::size_t(c)], image.color(c));
    }
}

TEST(GifWriter, RunsOfEveryLengthBetweenOtherRunsDecodeExactly) {
    // Runs of one colour 1, 2, 3, ... pixels long, each followed by one pixel of another: after a
    // clear the coder writes p, pp, ppp, ... and later runs of the same pixel reuse those codes.
    for (int colors : {2, 4, 16, 256}) {
        std::vector<std::uint8_t> expected;
        for (int length = 1; expected.size() < 400000; ++length) {
            expected.insert(expected.end(), std::size_t(length), 1);
            expected.push_back(std::uint8_t(length % 3 == 0 ? 0 : colors - 1));
        }
        const int width = 400;
        const int height = int(expected.size() / width);
        expected.resize(std::size_t(width) * height);
        QImage image(width, height, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (int i = 0; i < colors; ++i)
            table.append(qRgb(i, 0, 0));
        image.setColorTable(table);
        for (int y = 0; y < height; ++y)
            std::copy_n(expected.data() + std::size_t(y) * width, width, image.scanLine(y));
        const tdtest::Decoded decoded = decodeWithGiflib(save(image));
        EXPECT_TRUE(decoded.indices == expected) << colors << " colours";
    }
}

TEST(GifWriter, RunsLongerThanOneTableClearInsideTheRun) {
    // One run of 8.8 million pixels needs more run codes than the decoder's table holds
    // (about 7.4 million pixels' worth with an 8-bit map), so the coder clears within it.
    const int width = 4000, height = 2200;
    QImage image(width, height, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 256; ++i)
        table.append(qRgb(i, i, 0));
    image.setColorTable(table);
    image.fill(200);
    image.scanLine(height - 1)[width - 1] = 3;  // and one odd pixel at the very end
    const QByteArray file = save(image);
    const tdtest::ParsedGif gif = parseGif(file);
    ASSERT_EQ(gif.frames.size(), 1u);
    const std::vector<int> codes = readCodes(gif.frames[0].data, 8);
    EXPECT_GE(std::count(codes.begin() + 1, codes.end(), 256), 1);
    // 4095 - 258 = 3837 codes fit between clears; the last is the run code 258 + 3837 - 2.
    EXPECT_EQ(*std::max_element(codes.begin(), codes.end()), 4093);
    const tdtest::Decoded decoded = decodeWithGiflib(file);
    EXPECT_TRUE(decoded.indices == indicesOf(image));
}

TEST(GifWriter, LzwCompressionDecodesExactly) {
    std::mt19937 random(99);
    std::uniform_int_distribution<int> runLength(1, 40);
    struct Case {
        int w, h, colors;
    };
    // Small and large maps, and frames long enough to fill and clear the table many times.
    for (const Case& c : {Case{1, 1, 1}, Case{7, 3, 2}, Case{300, 200, 3}, Case{640, 480, 16},
                          Case{1000, 900, 256}, Case{90, 70, 200}}) {
        const QImage image =
            runImage(c.w, c.h, c.colors, random, [&] { return runLength(random); });
        TGifPicture gif;
        gif.setCompression(td::GifCompression::Lzw);
        gif.assign(image);
        const QByteArray lzw = gif.saveToBytes();
        const tdtest::Decoded decoded = decodeWithGiflib(lzw);
        ASSERT_TRUE(decoded.indices == indicesOf(image)) << c.w << "x" << c.h << " " << c.colors;
        const tdtest::ParsedGif parsed = parseGif(lzw);
        for (int length : parsed.frames[0].subBlockLengths)
            ASSERT_LE(length, 255);
    }
    // On repeating content the string table pays off against runs.
    QImage text(400, 300, QImage::Format_RGB32);
    text.fill(Qt::white);
    {
        QPainter painter(&text);
        for (int y = 0; y < 300; y += 20)
            painter.drawText(2, y + 15, QStringLiteral("Sample text, sample text"));
    }
    TGifPicture lzw;
    lzw.setCompression(td::GifCompression::Lzw);
    lzw.assign(text);
    const QByteArray lzwFile = lzw.saveToBytes();
    EXPECT_LT(lzwFile.size(), save(text).size());
    EXPECT_EQ(decodeWithGiflib(lzwFile).indices, lzw.frames()[0].pixels());

    QImage bad(3, 3, QImage::Format_Indexed8);
    bad.setColorTable({qRgb(0, 0, 0)});
    bad.fill(0);
    bad.scanLine(2)[1] = 1;
    lzw.assign(bad);
    EXPECT_THROW(lzw.saveToBytes(), td::Error);
}

TEST(GifWriter, RandomDeepImagesDecodeToTheReducedPicture) {
    std::mt19937 random(7);
    for (int round = 0; round < 12; ++round) {
        const int w = std::uniform_int_distribution<int>(1, 120)(random);
        const int h = std::uniform_int_distribution<int>(1, 120)(random);
        QImage image(w, h, QImage::Format_RGB32);
        std::uniform_int_distribution<int> channel(0, 255);
        QRgb color = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (channel(random) < 60)
                    color = qRgb(channel(random), channel(random), channel(random));
                image.setPixel(x, y, color);
            }
        const tdtest::Decoded decoded = decodeWithGiflib(save(image));
        ASSERT_EQ(decoded.indices.size(), std::size_t(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(decoded.indices[std::size_t(y) * w + x], expectedIndex(image.pixel(x, y)))
                    << x << "," << y;
    }
}

TEST(GifWriter, EveryImageFormatIsAccepted) {
    QImage reference(37, 11, QImage::Format_RGB32);
    reference.fill(Qt::white);
    {
        QPainter painter(&reference);
        painter.fillRect(3, 2, 20, 5, QColor(200, 30, 90));
        painter.fillRect(10, 0, 4, 11, Qt::black);
        painter.fillRect(30, 5, 7, 6, QColor(0, 160, 255));
    }
    for (int f = QImage::Format_Mono; f < QImage::NImageFormats; ++f) {
        const auto format = QImage::Format(f);
        const QImage image = reference.convertToFormat(format);
        ASSERT_FALSE(image.isNull()) << f;
        const tdtest::Decoded decoded = decodeWithGiflib(save(image));
        ASSERT_EQ(decoded.width, 37) << f;
        ASSERT_EQ(decoded.height, 11) << f;
        const bool indexed = format == QImage::Format_Mono || format == QImage::Format_MonoLSB ||
                             format == QImage::Format_Indexed8;
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 37; ++x) {
                const int index = decoded.indices[std::size_t(y) * 37 + x];
                if (indexed) {
                    ASSERT_EQ(index, image.pixelIndex(x, y)) << f;
                    ASSERT_EQ(decoded.colors[std::size_t(index)], image.color(index) | 0xFF000000u)
                        << f;
                } else {
                    ASSERT_EQ(index, expectedIndex(image.pixel(x, y))) << "format " << f;
                }
            }
    }
}

TEST(GifWriter, MonoImageKeepsItsTwoColours) {
    QImage image(19, 3, QImage::Format_Mono);
    image.setColorTable({qRgb(250, 0, 0), qRgb(0, 0, 250)});
    image.fill(0);
    image.setPixel(4, 1, 1);
    image.setPixel(18, 2, 1);
    const QByteArray file = save(image);
    const tdtest::ParsedGif gif = parseGif(file);
    ASSERT_EQ(gif.frames.size(), 1u);
    EXPECT_EQ(gif.frames[0].flags, 0x80);  // two entries: bit count 1
    EXPECT_EQ(gif.frames[0].localTable, QByteArray("\xFA\0\0\0\0\xFA", 6));
    EXPECT_EQ(gif.flags, 0x00);
    EXPECT_EQ(gif.frames[0].codeSize, 2);
    const tdtest::Decoded decoded = decodeWithGiflib(file);
    std::vector<std::uint8_t> expected(57, 0);
    expected[19 + 4] = 1;
    expected[38 + 18] = 1;
    EXPECT_EQ(decoded.indices, expected);
}

TEST(GifWriter, IndexOutsideTheMapIsRefused) {
    QImage image(5, 5, QImage::Format_Indexed8);
    image.setColorTable({qRgb(0, 0, 0), qRgb(1, 1, 1), qRgb(2, 2, 2)});
    image.fill(1);
    image.scanLine(4)[4] = 3;  // setPixel would refuse it
    TGifPicture gif;
    gif.assign(image);
    try {
        gif.saveToBytes();
        FAIL() << "saved an index outside the colour map";
    } catch (const td::Error& e) {
        EXPECT_EQ(e.message(), "Color not in color table");
    }
}

TEST(GifWriter, DisplayBitmapsBuildAnExactMapUpTo256Colours) {
    QImage source(16, 17, QImage::Format_RGB32);
    source.fill(qRgb(1, 2, 3));
    for (int i = 0; i < 255; ++i)
        source.setPixel(i % 16, i / 16, qRgb(i, 255 - i, i / 2));
    // 255 painted colours plus the fill: 256 in all.
    TGifPicture gif;
    gif.assign(QPixmap::fromImage(source));
    ASSERT_EQ(gif.frames().size(), 1u);
    const td::TGifColorMap& map = gif.frames()[0].colorMap();
    ASSERT_EQ(map.count(), 256);
    EXPECT_EQ(map.color(0), qRgb(0, 255, 0));  // first met, top left
    EXPECT_EQ(map.color(1), qRgb(1, 254, 0));
    const tdtest::Decoded decoded = decodeWithGiflib(gif.saveToBytes());
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(decoded.colors[decoded.indices[std::size_t(y) * 16 + x]], source.pixel(x, y));

    source.setPixel(15, 16, qRgb(9, 9, 9));
    const QByteArray before = gif.saveToBytes();
    try {
        gif.assign(QPixmap::fromImage(source));
        FAIL() << "257 colours accepted";
    } catch (const td::Error& e) {
        EXPECT_EQ(e.message(), "Color table overflow");
    }
    EXPECT_EQ(gif.saveToBytes(), before);  // the refused bitmap left the picture alone
}

TEST(GifWriter, SizesOutsideTheFileFormatAreRefused) {
    TGifPicture gif;
    EXPECT_THROW(gif.saveToBytes(), td::Error);  // nothing assigned yet
    for (const QImage& bad : {QImage(), QImage(65536, 1, QImage::Format_Indexed8),
                              QImage(1, 65536, QImage::Format_RGB32)}) {
        try {
            gif.assign(bad);
            FAIL() << bad.width() << "x" << bad.height() << " accepted";
        } catch (const td::Error& e) {
            EXPECT_TRUE(e.message().contains(QString::number(bad.width())));
            EXPECT_TRUE(e.message().contains("GIF"));
        }
        EXPECT_TRUE(gif.frames().empty());
    }
    QImage widest(65535, 1, QImage::Format_RGB32);
    widest.fill(Qt::black);
    gif.assign(widest);
    const tdtest::Decoded decoded = decodeWithGiflib(gif.saveToBytes());
    EXPECT_EQ(decoded.width, 65535);
    EXPECT_EQ(decoded.indices, std::vector<std::uint8_t>(65535, 0));
}

TEST(GifWriter, OtherOptionsAndSortedMaps) {
    // Error diffusion spreads a grey that lies between two levels over both.
    QImage grey(32, 32, QImage::Format_RGB32);
    grey.fill(qRgb(128, 128, 128));
    TGifPicture gif;
    gif.setDitherMode(td::GifDitherMode::FloydSteinberg);
    gif.assign(grey);
    double sum = 0;
    int counts[216] = {};
    for (std::uint8_t i : gif.frames()[0].pixels()) {
        counts[i]++;
        sum += 51 * (i / 36);
    }
    EXPECT_GT(counts[43 * 2], 100);
    EXPECT_GT(counts[43 * 3], 100);
    EXPECT_EQ(counts[43 * 2] + counts[43 * 3], 32 * 32);
    EXPECT_NEAR(sum / (32 * 32), 128.0, 3.0);

    // A sorted global map needs the newer version and is announced in the screen flags.
    gif.globalColorMap().add(qRgb(1, 2, 3));
    gif.globalColorMap().add(qRgb(4, 5, 6));
    gif.globalColorMap().add(qRgb(7, 8, 9));
    gif.globalColorMap().setSorted(true);
    const QByteArray file = gif.saveToBytes();
    const tdtest::ParsedGif parsed = parseGif(file);
    EXPECT_EQ(parsed.version, "89a");
    EXPECT_EQ(parsed.flags, 0x80 | 0x70 | 0x08 | 0x07);
    // Three entries, padded to the 256 that the size bits announce.
    EXPECT_EQ(parsed.globalTable,
              QByteArray("\1\2\3\4\5\6\7\x08\x09", 9) + QByteArray(253 * 3, '\0'));
    ASSERT_EQ(parsed.frames.size(), 1u);
    EXPECT_EQ(parsed.frames[0].localTable.size(), 768);
    EXPECT_EQ(decodeWithGiflib(file).indices, gif.frames()[0].pixels());

    // So do a sorted local map and an extension, which is written before the frame.
    TGifPicture plain;
    plain.assign(grey);
    EXPECT_EQ(parseGif(plain.saveToBytes()).version, "87a");
    plain.frames()[0].colorMap().setSorted(true);
    const tdtest::ParsedGif sorted = parseGif(plain.saveToBytes());
    EXPECT_EQ(sorted.version, "89a");
    EXPECT_EQ(sorted.frames[0].flags, 0x80 | 0x20 | 0x07);
    plain.frames()[0].colorMap().setSorted(false);
    const QByteArray comment("\x21\xFE\x05hello\x00", 9);
    plain.frames()[0].extensions().push_back(comment);
    const QByteArray withComment = plain.saveToBytes();
    EXPECT_EQ(parseGif(withComment).version, "89a");
    EXPECT_EQ(withComment.mid(13, 9), comment);  // right after the screen descriptor
    EXPECT_EQ(decodeWithGiflib(withComment).indices, plain.frames()[0].pixels());
}

// ---------------------------------------------------------------------------------------------

class GifFiles : public tdtest::SandboxTest {};

TEST_F(GifFiles, SavingReplacesAnExistingFileWhole) {
    const QString path = sandbox.writeFile("out/sheet.GIF", QByteArray(5000, 'x'));
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    TGifPicture gif;
    gif.assign(image);
    gif.saveToFile(path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), gif.saveToBytes());
    EXPECT_EQ(QDir(sandbox.path("out")).entryList(QDir::Files), QStringList{"sheet.GIF"});
}

TEST_F(GifFiles, FailuresLeaveNoFileBehind) {
    QImage bad(4, 4, QImage::Format_Indexed8);
    bad.setColorTable({qRgb(0, 0, 0)});
    bad.fill(2);
    TGifPicture gif;
    gif.assign(bad);
    const QString existing = sandbox.writeFile("out/old.GIF", "old contents");
    EXPECT_THROW(gif.saveToFile(existing), td::Error);
    QFile old(existing);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "old contents");
    EXPECT_THROW(gif.saveToFile(sandbox.path("out/new.GIF")), td::Error);
    EXPECT_EQ(QDir(sandbox.path("out")).entryList(QDir::Files), QStringList{"old.GIF"});

    QImage good(4, 4, QImage::Format_RGB32);
    good.fill(Qt::black);
    gif.assign(good);
    const QString missing = sandbox.path("no/such/folder/a.GIF");
    try {
        gif.saveToFile(missing);
        FAIL() << "wrote into a missing folder";
    } catch (const td::Error& e) {
        EXPECT_TRUE(e.message().contains(missing)) << e.message().toStdString();
    }
    if (geteuid() != 0) {  // permissions do not bind the superuser
        const QString locked = sandbox.path("locked");
        ASSERT_TRUE(QDir().mkpath(locked));
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        EXPECT_THROW(gif.saveToFile(locked + "/a.GIF"), td::Error);
        QFile::setPermissions(
            locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        EXPECT_TRUE(QDir(locked).isEmpty());
    }
}

}  // namespace
