#include "export/charmap.h"

#include <QPainter>

#include "browse/samplerow.h"
#include "export/exportfolders.h"
#include "export/htmlpage.h"
#include "export/sheetlayout.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/fonttable.h"
#include "platform/savefile.h"
#include "views/fontmap.h"

namespace td {

namespace {

// The longest file name the file systems here take, in bytes.
constexpr int kMaxFileNameBytes = 255;
// The resolution the pictures are drawn at: a screen's.
constexpr int kPictureDpi = 96;

// Ends the export's state on every way out, errors included.
class ExportEnding {
  public:
    explicit ExportEnding(const CharacterMapHooks& hooks) : m_hooks(hooks) {}
    ~ExportEnding() {
        if (m_hooks.setExportFlag) {
            m_hooks.setExportFlag(false);
        }
        if (m_hooks.showIdle) {
            m_hooks.showIdle();
        }
    }
    ExportEnding(const ExportEnding&) = delete;
    ExportEnding& operator=(const ExportEnding&) = delete;

  private:
    const CharacterMapHooks& m_hooks;
};

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

QStringList characterMapTableLines(const QString& face, ImageType type, int size, int written,
                                   int firstCode) {
    // The alt text names the picture with a lower-case extension.
    const QString altExtension =
        type == ImageType::Gif ? QStringLiteral(".gif") : QStringLiteral(".jpg");
    const QString dimension = QString::number(size);
    QStringList lines;
    for (int index = 0; index < std::min(written, kCharacterCodes); ++index) {
        const int code = firstCode + index;
        if (index % 16 == 0) {
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

QString characterMapFaceProblem(const QString& face, int lastCode) {
    // The longest name made from the face: the page's last code and the page's or a picture's
    // extension.
    const int longest = static_cast<int>(
        std::max(characterImageName(lastCode, face, ImageType::Jpeg).toUtf8().size(),
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

int ExportCharacterMap(const CharacterMapJob& job, FontTable& fonts, Dialogs& dialogs, Shell* shell,
                       QWidget* parent, const CharacterMapHooks& hooks) {
    ExportEnding ending(hooks);
    if (const QString problem =
            characterMapFaceProblem(job.face, job.firstCode + kCharacterCodes - 1);
        !problem.isEmpty()) {
        throw Error(problem);
    }
    prepareTargetFolder(job.targetFolder, job.baseDirectory,
                        QString::fromLatin1(kCharacterMapFolder));

    // Every code in ascending order, whatever part of the map the screen shows.
    if (hooks.setExportFlag) {
        hooks.setExportFlag(true);
    }
    int written = 0;
    for (int code = job.firstCode; code < job.firstCode + kCharacterCodes; ++code) {
        const QString text = job.cellText ? job.cellText(code) : fontMapCharacter(code);
        const QImage picture = renderCharacterImage(fonts, job.face, text);
        try {
            // 256 small files: waiting for each to reach the disk would take most of the time.
            saveFileContentsUnflushed(
                pathInFolder(job.targetFolder,
                             characterImageName(code, job.face, job.encoding.type)),
                encodeSampleImage(picture, job.encoding));
        } catch (const Error& error) {
            dialogs.messageBox(parent, BoxIcon::Critical, error.message(), BoxButtons::Ok);
            break;
        }
        ++written;
        if (hooks.keepPainting) {
            hooks.keepPainting();
        }
    }
    if (hooks.setExportFlag) {
        hooks.setExportFlag(false);
    }
    // Nothing saved: the error said so, and no message may claim otherwise.
    if (written == 0) {
        return 0;
    }

    if (job.encoding.type == ImageType::Bmp) {
        reportSamplesSaved(dialogs, parent, job.targetFolder);
        return written;
    }
    const QString page = pathInFolder(job.targetFolder, characterMapPageName(job.face));
    savePageLines(page, pageMetaLines() + characterMapTitleLines(job.face) +
                            characterMapTableLines(job.face, job.encoding.type, job.cellSize,
                                                   written, job.firstCode) +
                            pageFooterLines());
    offerPreview(dialogs, shell, parent, job.browser, page);
    return written;
}

}  // namespace td
