// Feeds arbitrary bytes to the naming-table reader and writer, through a file as the program
// uses them and in memory. Aborts when a write changes the file's length, touches a byte
// outside the naming table, or when file and memory disagree.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "ttfnames/fontnames.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz_fontnames: %s\n", what);
    std::abort();
}

void removeScratch();

const QString& scratchPath() {
    static const QString path =
        QDir::tempPath() +
        QStringLiteral("/fuzz_fontnames_%1.ttf").arg(QCoreApplication::applicationPid());
    return path;
}

void removeScratch() {
    QFile::remove(scratchPath());
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail("cannot read the scratch file back");
    }
    return file.readAll();
}

// Texts of every kind for the eight positions: empty, short, long, beyond Latin-1.
td::TFontNames editedNames(const td::TFontNames& read) {
    td::TFontNames names;
    for (int n = 0; n < td::TFontNames::count; ++n) {
        switch (n % 4) {
            case 0:
                names.at(n) = QString();
                break;
            case 1:
                names.at(n) = read.at(n) + QStringLiteral("x");
                break;
            case 2:
                names.at(n) = QString(300, QChar(u'\u4e2d'));
                break;
            default:
                names.at(n) = QStringLiteral("Fuzz");
                break;
        }
    }
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    static const bool cleanup = std::atexit(&removeScratch) == 0;
    (void)cleanup;
    const QString& path = scratchPath();
    if (!writeFile(path, input)) {
        fail("cannot write the scratch file");
    }

    const td::TFontNames fromFile = td::ReadFontNames(path);
    const td::TFontNames fromMemory = td::ReadFontNamesFromBytes(input);
    if (!(fromFile == fromMemory)) {
        fail("file and memory read different names");
    }
    for (int n = 0; n < td::TFontNames::count; ++n) {
        if (fromFile.at(n).size() > 0xFFFF) {
            fail("a name longer than any record");
        }
    }

    const td::TFontNames names = editedNames(fromFile);
    const bool saved = td::WriteFontNames(path, names);
    const QByteArray written = readFile(path);
    if (written.size() != input.size()) {
        fail("the write changed the file's length");
    }
    if (!saved && written != input) {
        fail("a save reported as failed changed the file");
    }
    QByteArray inMemory = input;
    if (td::WriteFontNamesToBytes(inMemory, names) != saved) {
        fail("file and memory writes disagree about success");
    }
    if (inMemory != written) {
        fail("file and memory writes differ");
    }

    // Only bytes of the naming table may change.
    const td::FontBytesReader source = [&input](std::uint64_t offset, std::uint64_t length) {
        if (offset >= static_cast<std::uint64_t>(input.size())) {
            return QByteArray();
        }
        return input.mid(static_cast<qsizetype>(offset), static_cast<qsizetype>(length));
    };
    const td::NameTableLayout layout =
        td::locateNameTable(source, static_cast<std::uint64_t>(input.size()));
    for (qsizetype i = 0; i < input.size(); ++i) {
        if (input[i] == written[i]) {
            continue;
        }
        const auto at = static_cast<std::uint64_t>(i);
        if (!layout.valid || at < layout.tableOffset || at >= layout.tableEnd) {
            fail("a byte outside the naming table changed");
        }
    }

    // Writing what was just read back changes nothing more.
    const td::TFontNames again = td::ReadFontNames(path);
    if (!td::WriteFontNames(path, again) || readFile(path) != written) {
        fail("rewriting the names as read changed the file");
    }
    return 0;
}
