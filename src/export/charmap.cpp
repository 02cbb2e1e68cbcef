#include "export/charmap.h"

#include <QPainter>

#include "browse/samplerow.h"
#include "platform/fonttable.h"
#include "views/fontmap.h"

namespace td {

namespace {

// The longest file name the file systems here take, in bytes.
constexpr int kMaxFileNameBytes = 255;
// The resolution the pictures are drawn at: a screen's.
constexpr int kPictureDpi = 96;

}  // namespace

QString characterImageName(int code, const QString& face, ImageType type) {
    const QString stem = QStringLiteral("0") + QString::number(code) + face;
    switch (type) {
        case ImageType::Bmp:
            return stem + QStringLiteral(".BMP");
        case ImageType::Gif:
            return stem + QStringLiteral(".GIF");
        case ImageType::Jpeg:
            break;
    }
    return stem + QStringLiteral(".jpg");
}

QStringList characterMapTitleLines(const QString& face) {
    return {QStringLiteral("<title>Kestro TypeDeck</title></head><body>"),
            QStringLiteral("This is ") + face + QStringLiteral(" True Type Font")};
}

QStringList characterMapTableLines(const QString& face, ImageType type, int size, int written) {
    // The alt text names the picture with a lower-case extension.
    const QString altExtension =
        type == ImageType::Gif ? QStringLiteral(".gif") : QStringLiteral(".jpg");
    const QString dimension = QString::number(size);
    QStringList lines;
    for (int code = 0; code < std::min(written, kCharacterCodes); ++code) {
        if (code % 16 == 0) {
            lines << QStringLiteral("<BR>");
        }
        const QString stem = QStringLiteral("0") + QString::number(code) + face;
        lines << QStringLiteral("<img src=\"") + characterImageName(code, face, type) +
                     QStringLiteral("\" alt=\"") + stem + altExtension +
                     QStringLiteral("\" width=") + dimension + QStringLiteral("\" height=") +
                     dimension + QStringLiteral("\" >");
    }
    return lines;
}

QString characterMapPageName(const QString& face) {
    return face + QStringLiteral(".html");
}

QString characterMapFaceProblem(const QString& face) {
    // The longest name made from the face: a three-digit code and the page's or a picture's
    // extension.
    const int longest =
        static_cast<int>(std::max(characterImageName(255, face, ImageType::Jpeg).toUtf8().size(),
                                  characterMapPageName(face).toUtf8().size()));
    if (face.contains(u'/') || face.contains(QChar(0)) || longest > kMaxFileNameBytes) {
        return QStringLiteral("The font name \"") + face +
               QStringLiteral("\" cannot be part of a file name; the character map was not saved.");
    }
    return {};
}

QImage renderCharacterImage(FontTable& fonts, const QString& face, const QString& text) {
    QImage image(kCharacterImageSide, kCharacterImageSide, QImage::Format_RGB32);
    image.fill(Qt::white);
    const DrawingFont font =
        fonts.resolve(face, FontStyle{}, pointsToPixels(kCharacterImagePoints, kPictureDpi));
    QPainter painter(&image);
    painter.setPen(Qt::black);
    font.drawTextAt(painter, centredTextOffset(image.size(), font, text), text);
    return image;
}

}  // namespace td
