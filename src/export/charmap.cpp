#include "export/charmap.h"

#include <QPainter>
#include <QThreadPool>
#include <deque>
#include <future>

#include "browse/rowimages.h"
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

namespace {

QImage drawCharacterImage(const DrawingFont& font, const QString& text) {
    QImage image(kCharacterImageSide, kCharacterImageSide, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    font.drawTextAt(painter, centredTextOffset(image.size(), font, text), text);
    return image;
}

// The 256 pictures, drawn and encoded on the worker pool a few codes ahead of the one written,
// handed out in code order.
class PicturePipeline {
  public:
    PicturePipeline(const DrawingFont& font, QStringList texts, const ImageEncoding& encoding)
        : m_font(font.portable()), m_texts(std::move(texts)), m_encoding(encoding) {}
    ~PicturePipeline() {
        for (auto& pending : m_queued) {
            pending.wait();
        }
    }
    PicturePipeline(const PicturePipeline&) = delete;
    PicturePipeline& operator=(const PicturePipeline&) = delete;

    // The encoded picture of the next code; throws what encoding it threw.
    QByteArray next() {
        fill();
        QByteArray bytes = m_queued.front().get();
        m_queued.pop_front();
        ++m_next;
        fill();
        return bytes;
    }

  private:
    static constexpr int kAhead = 16;

    void fill() {
        while (m_next + int(m_queued.size()) < m_texts.size() && int(m_queued.size()) < kAhead) {
            auto promise = std::make_shared<std::promise<QByteArray>>();
            m_queued.push_back(promise->get_future());
            rowPool().start([promise, font = m_font,
                             text = m_texts.at(m_next + int(m_queued.size()) - 1),
                             encoding = m_encoding] {
                try {
                    promise->set_value(encodeSampleImage(
                        drawCharacterImage(DrawingFont::fromPortable(font), text), encoding));
                } catch (...) {
                    promise->set_exception(std::current_exception());
                }
            });
        }
    }

    PortableFont m_font;
    QStringList m_texts;
    ImageEncoding m_encoding;
    int m_next = 0;
    std::deque<std::future<QByteArray>> m_queued;
};

}  // namespace

QImage renderCharacterImage(FontTable& fonts, const QString& face, const QString& text) {
    return drawCharacterImage(
        fonts.resolve(face, FontStyle{}, pointsToPixels(kCharacterImagePoints, kPictureDpi)), text);
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
    QStringList texts;
    for (int code = job.firstCode; code < job.firstCode + kCharacterCodes; ++code) {
        texts << (job.cellText ? job.cellText(code) : fontMapCharacter(code));
    }
    // Drawn on the pool from the face resolved here; a face that resolves to nothing at all is
    // drawn here, as the table draws it.
    const DrawingFont font =
        fonts.resolve(job.face, FontStyle{}, pointsToPixels(kCharacterImagePoints, kPictureDpi));
    const bool onPool = DrawingFont::fromPortable(font.portable()).isValid();
    PicturePipeline pipeline(font, onPool ? texts : QStringList(), job.encoding);
    for (int i = 0; i < kCharacterCodes; ++i) {
        const int code = job.firstCode + i;
        try {
            // 256 small files: waiting for each to reach the disk would take most of the time.
            saveFileContentsUnflushed(
                pathInFolder(job.targetFolder,
                             characterImageName(code, job.face, job.encoding.type)),
                onPool ? pipeline.next()
                       : encodeSampleImage(drawCharacterImage(font, texts.at(i)), job.encoding));
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
