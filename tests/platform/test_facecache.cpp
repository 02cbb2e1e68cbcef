#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <QFile>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QThreadPool>
#include <atomic>

#include "platform/facecache.h"
#include "sandbox.h"
#include "testfiles.h"

using td::FaceCache;
using td::FontFace;

namespace {

const QString kCollection = QStringLiteral("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc");

// Whether the face draws a visible "A" with a QRawFont made on the calling thread.
bool drawsGlyph(const FontFace& face) {
    const QRawFont raw = face.rawFont(24);
    const QList<quint32> glyphs = raw.glyphIndexesForString(QStringLiteral("A"));
    if (glyphs.isEmpty() || glyphs.first() == 0) {
        return false;
    }
    QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions({QPointF(8, 30)});
    painter.setPen(Qt::black);
    painter.drawGlyphRun(QPointF(), run);
    painter.end();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 0) {
                return true;
            }
        }
    }
    return false;
}

void setModified(const QString& path, time_t seconds) {
    const utimbuf times{seconds, seconds};
    ASSERT_EQ(::utime(QFile::encodeName(path).constData(), &times), 0);
}

class FaceCacheTest : public tdtest::SandboxTest {
  protected:
    QString copy(const QString& source, const QString& name) {
        return sandbox.writeFile(QStringLiteral("fonts/") + name, tdtest::fileBytes(source));
    }
};

}  // namespace

TEST_F(FaceCacheTest, AFaceIsKeptWhileItsFileIsUnchangedAndOpenedAgainWhenItChanges) {
    FaceCache cache;
    const QString path = copy(tdtest::dejaVuSans(), QStringLiteral("face.ttf"));
    setModified(path, 1000000000);
    const auto first = cache.open(path);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->family(), "DejaVu Sans");
    EXPECT_EQ(cache.open(sandbox.path(QStringLiteral("fonts/../fonts/face.ttf"))), first);

    // Each change of identity gives a new face that reads the file as it is now.
    struct Change {
        const char* what;
        std::function<void()> apply;
        QString family;
    };
    const std::vector<Change> changes{
        {"same bytes, new time", [&] { setModified(path, 1000000100); }, "DejaVu Sans"},
        {"other bytes, other size",
         [&] {
             sandbox.writeFile(QStringLiteral("fonts/face.ttf"),
                               tdtest::fileBytes(tdtest::dejaVuSerif()));
             setModified(path, 1000000100);
         },
         "DejaVu Serif"},
    };
    auto previous = first;
    for (const Change& change : changes) {
        change.apply();
        const auto now = cache.open(path);
        ASSERT_TRUE(now) << change.what;
        EXPECT_NE(now, previous) << change.what;
        EXPECT_EQ(now->family(), change.family) << change.what;
        EXPECT_EQ(cache.faceCount(), 1) << change.what;  // the old version is let go
        previous = now;
    }
    // A face handed out before the change still draws from what it mapped.
    EXPECT_TRUE(drawsGlyph(*first));
}

TEST_F(FaceCacheTest, TheBoundByBytesLetsTheLeastRecentlyUsedGo) {
    const QString a = copy(tdtest::dejaVuSans(), QStringLiteral("a.ttf"));
    const QString b = copy(tdtest::dejaVuSans(), QStringLiteral("b.ttf"));
    const QString c = copy(tdtest::dejaVuSans(), QStringLiteral("c.ttf"));
    const qint64 one = QFile(a).size();
    FaceCache cache(2 * one + one / 2);  // room for two
    const auto faceA = cache.open(a);
    const auto faceB = cache.open(b);
    ASSERT_TRUE(faceA && faceB);
    EXPECT_EQ(cache.open(a), faceA);  // a is now the most recently used
    const auto faceC = cache.open(c);
    EXPECT_EQ(cache.faceCount(), 2);
    EXPECT_EQ(cache.bytesHeld(), 2 * one);
    EXPECT_EQ(cache.open(a), faceA);
    EXPECT_NE(cache.open(b), faceB);  // b went first and is opened anew
    // A face let go by the cache lives on for whoever still draws with it.
    EXPECT_TRUE(drawsGlyph(*faceB));

    // A face larger than the whole bound is still handed out, and then held alone.
    FaceCache tiny(1);
    EXPECT_TRUE(tiny.open(a));
    EXPECT_TRUE(tiny.open(b));
    EXPECT_EQ(tiny.faceCount(), 1);
}

TEST_F(FaceCacheTest, FilesThatAreNoFontsOpenNothing) {
    const QByteArray font = tdtest::fileBytes(tdtest::dejaVuSans());
    const std::vector<std::pair<const char*, QByteArray>> cases{
        {"empty", {}},
        {"text", "not a font at all"},
        {"header only", font.left(12)},
        {"truncated", font.left(4096)},
    };
    FaceCache cache;
    for (const auto& [what, bytes] : cases) {
        const QString path = sandbox.writeFile(QStringLiteral("bad/") + what, bytes);
        EXPECT_FALSE(cache.open(path)) << what;
        EXPECT_FALSE(FontFace::fromData(bytes)) << what;
    }
    EXPECT_FALSE(cache.open(sandbox.path(QStringLiteral("missing.ttf"))));
    EXPECT_FALSE(cache.open(sandbox.root()));
    EXPECT_EQ(cache.faceCount(), 0);
}

TEST_F(FaceCacheTest, EachFaceOfACollectionIsItsOwnEntry) {
    if (!QFile::exists(kCollection)) {
        GTEST_SKIP() << "fonts-wqy-microhei is not installed";
    }
    FaceCache cache;
    const auto first = cache.open(kCollection, 0);
    const auto second = cache.open(kCollection, 1);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->names().fullName, second->names().fullName);
    EXPECT_EQ(second->key().faceIndex, 1);
    EXPECT_TRUE(drawsGlyph(*second));
    EXPECT_FALSE(cache.open(kCollection, 2));
    EXPECT_FALSE(cache.open(tdtest::dejaVuSans(), 1));  // a single font has no second face
    EXPECT_EQ(cache.faceCount(), 2);
}

TEST_F(FaceCacheTest, ThreadsShareFacesAndDrawEachWithTheirOwnRasteriser) {
    QStringList paths;
    for (int i = 0; i < 8; ++i) {
        paths << copy(i % 2 ? tdtest::dejaVuSerif() : tdtest::dejaVuSans(),
                      QStringLiteral("t%1.ttf").arg(i));
    }
    FaceCache cache;
    std::atomic<int> drawn{0};
    QThreadPool pool;
    pool.setMaxThreadCount(4);
    for (int round = 0; round < 64; ++round) {
        pool.start([&, round] {
            const auto face = cache.open(paths.at(round % paths.size()));
            if (face && drawsGlyph(*face)) {
                ++drawn;
            }
        });
    }
    pool.waitForDone();
    EXPECT_EQ(drawn.load(), 64);
    EXPECT_EQ(cache.faceCount(), 8);
}
