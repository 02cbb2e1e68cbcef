// Feeds arbitrary bytes to the collection reader: the face list, every face's directory and
// names (through a file and in memory), a copy of each face on its own, and one save of one
// face's names. Aborts when file and memory disagree, a copy grows beyond its bound, a save
// changes the file's length, a refused save changes anything, or a save changes a byte outside
// its face's naming table or the names of any other face.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/sfnt.h"
#include "ttfnames/fontnames.h"

namespace {

// More faces than this are read by count only, so one input stays quick.
constexpr int kFacesRead = 64;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz_collection: %s\n", what);
    std::abort();
}

const QString& scratchPath() {
    static const QString path =
        QDir::tempPath() +
        QStringLiteral("/fuzz_collection_%1.ttc").arg(QCoreApplication::applicationPid());
    return path;
}

void removeScratch() {
    QFile::remove(scratchPath());
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail("cannot read the scratch file back");
    }
    return file.readAll();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    static const bool cleanup = std::atexit(&removeScratch) == 0;
    (void)cleanup;
    const QString& path = scratchPath();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(input) != input.size()) {
            fail("cannot write the scratch file");
        }
    }

    const td::sfnt::FaceList faces = td::sfnt::readFaceList(input);
    if (faces.count() > static_cast<int>(td::sfnt::kMaxFaces)) {
        fail("more faces than the limit");
    }
    if (td::sfnt::faceCountOfFile(path) != faces.count()) {
        fail("file and memory count different faces");
    }
    const int read = std::min(faces.count(), kFacesRead);
    std::vector<td::TFontNames> before;
    for (int face = 0; face < read; ++face) {
        int count = -1;
        before.push_back(td::ReadFontNames(path, face, &count));
        if (count != faces.count() || !(before.back() == td::ReadFontNamesFromBytes(input, face))) {
            fail("file and memory read different names");
        }
        const QByteArray single = td::sfnt::extractFace(input, face);
        if (single.size() > input.size() + 12 + 16 * 0xFFFF) {
            fail("a face copied out grew beyond the input");
        }
    }
    if (read == 0) {
        return 0;
    }

    // One save, of a face the input chooses.
    const int face = static_cast<int>(size % static_cast<std::size_t>(read));
    td::TFontNames names = before[static_cast<std::size_t>(face)];
    names.Family += QStringLiteral("x");
    names.Name = QStringLiteral("Fuzz");
    const td::NameWrite result = td::WriteFaceNames(path, face, names);
    const QByteArray written = readFile(path);
    if (written.size() != input.size()) {
        fail("the save changed the file's length");
    }
    if (result != td::NameWrite::Written) {
        if (written != input) {
            fail("a refused save changed the file");
        }
        return 0;
    }
    QByteArray inMemory = input;
    if (td::WriteFaceNamesToBytes(inMemory, face, names) != result || inMemory != written) {
        fail("file and memory saves differ");
    }
    const td::FontBytesReader source = td::sfnt::memoryReader(input);
    const td::NameTableLayout layout =
        td::locateNameTable(source, static_cast<std::uint64_t>(input.size()), face);
    for (qsizetype i = 0; i < input.size(); ++i) {
        const auto at = static_cast<std::uint64_t>(i);
        if (input[i] != written[i] &&
            (!layout.valid || at < layout.tableOffset || at >= layout.tableEnd)) {
            fail("a byte outside the face's naming table changed");
        }
    }
    for (int other = 0; other < read; ++other) {
        if (other != face && !(td::ReadFontNames(path, other) == before[other])) {
            fail("the save renamed another face");
        }
    }
    return 0;
}
