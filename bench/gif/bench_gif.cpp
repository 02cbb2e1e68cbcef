// Encodes a 500 × 8000 sheet of rendered sample text, the largest GIF sheet the default pixel
// budget allows, with our run-length coder and with giflib's LZW encoder (EGifPutLine) on the
// same palette indices (and with our own LZW coder), and prints the time and file size of each.
//
//   QT_QPA_PLATFORM=offscreen build/bench/gif/bench_gif [repetitions]

#include <gif_lib.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gif/gifpicture.h"

namespace {

using Clock = std::chrono::steady_clock;

QImage renderSheet(int width, int height) {
    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.setPen(Qt::black);
    const char* faces[] = {"DejaVu Sans", "DejaVu Serif", "Liberation Sans", "Liberation Mono"};
    // Rows of 50 pixels: a 16-point sample band over an 8-point caption, as the export draws.
    for (int row = 0, y = 0; y < height; ++row, y += 50) {
        QFont sample(QString::fromLatin1(faces[row % 4]));
        sample.setPointSize(16);
        sample.setBold(row % 3 == 1);
        sample.setItalic(row % 5 == 2);
        painter.setFont(sample);
        painter.drawText(QRect(0, y, width, 33), Qt::AlignLeft | Qt::AlignTop,
                         QStringLiteral("The quick brown fox jumps over the lazy dog"));
        QFont caption(QStringLiteral("DejaVu Sans"));
        caption.setPointSize(8);
        painter.setFont(caption);
        painter.drawText(QRect(0, y + 33, width, 17), Qt::AlignLeft | Qt::AlignTop,
                         QStringLiteral("%1 Regular - font%2.ttf")
                             .arg(QString::fromLatin1(faces[row % 4]))
                             .arg(row));
    }
    return sheet;
}

int writeMemory(GifFileType* gif, const GifByteType* bytes, int length) {
    auto* out = static_cast<std::vector<GifByteType>*>(gif->UserData);
    out->insert(out->end(), bytes, bytes + length);
    return length;
}

// The same file layout through giflib: 216 palette entries padded to 256, one frame.
std::vector<GifByteType> encodeWithGiflib(const td::TGifFrame& frame) {
    std::vector<GifByteType> out;
    out.reserve(1 << 20);
    int error = 0;
    GifFileType* gif = EGifOpen(&out, writeMemory, &error);
    if (!gif) {
        std::fprintf(stderr, "giflib: %s\n", GifErrorString(error));
        std::exit(1);
    }
    GifColorType colors[256] = {};
    for (int i = 0; i < frame.colorMap().count(); ++i) {
        const QRgb c = frame.colorMap().color(i);
        colors[i] = {GifByteType(qRed(c)), GifByteType(qGreen(c)), GifByteType(qBlue(c))};
    }
    ColorMapObject* map = GifMakeMapObject(256, colors);
    EGifPutScreenDesc(gif, frame.width(), frame.height(), 8, 0, nullptr);
    EGifPutImageDesc(gif, 0, 0, frame.width(), frame.height(), false, map);
    std::vector<GifPixelType> line(std::size_t(frame.width()));
    const std::uint8_t* pixels = frame.pixels().data();
    for (int y = 0; y < frame.height(); ++y) {
        std::memcpy(line.data(), pixels + std::size_t(y) * frame.width(), line.size());
        if (EGifPutLine(gif, line.data(), frame.width()) != GIF_OK) {
            std::fprintf(stderr, "giflib: %s\n", GifErrorString(gif->Error));
            std::exit(1);
        }
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;

    const QImage sheet = renderSheet(500, 8000);
    td::TGifPicture picture;
    picture.setDitherMode(td::GifDitherMode::NearestColor);
    picture.setCompression(td::GifCompression::RunLength);

    td::TGifPicture lzwPicture;
    lzwPicture.setCompression(td::GifCompression::Lzw);
    lzwPicture.assign(sheet);

    std::vector<double> reduceTimes, ourTimes, giflibTimes, lzwTimes;
    QByteArray ours, ourLzw;
    std::vector<GifByteType> theirs;
    for (int i = 0; i < repetitions; ++i) {
        auto start = Clock::now();
        picture.assign(sheet);
        reduceTimes.push_back(millisecondsSince(start));

        start = Clock::now();
        ours = picture.saveToBytes();
        ourTimes.push_back(millisecondsSince(start));

        start = Clock::now();
        theirs = encodeWithGiflib(picture.frames()[0]);
        giflibTimes.push_back(millisecondsSince(start));

        start = Clock::now();
        ourLzw = lzwPicture.saveToBytes();
        lzwTimes.push_back(millisecondsSince(start));
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("sheet 500 x 8000 of rendered sample text, %d repetitions, median times\n",
                repetitions);
    std::printf("  colour reduction to 216 colours:   %8.2f ms\n", median(reduceTimes));
    std::printf("  run-length coder (ours):           %8.2f ms  %9lld bytes\n", median(ourTimes),
                static_cast<long long>(ours.size()));
    std::printf("  giflib LZW encoder (EGifPutLine):  %8.2f ms  %9lld bytes\n", median(giflibTimes),
                static_cast<long long>(theirs.size()));
    std::printf("  our LZW coder:                     %8.2f ms  %9lld bytes\n", median(lzwTimes),
                static_cast<long long>(ourLzw.size()));
    return 0;
}
