// Feeds arbitrary bytes to the profile (INI) files as a user may edit ke-TD2.ini by hand: every
// section and key listed must read, and a write of one key must read back as written and leave
// every other key's value as it was.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/profile.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz_profile: %s\n", what);
    std::abort();
}

const QString kFile = QStringLiteral("fuzz.ini");
const QString kSection = QStringLiteral("FuzzSection");
const QString kKey = QStringLiteral("FuzzKey");

const QString& scratchFolder() {
    static const QString folder = [] {
        const QString path =
            QDir::tempPath() +
            QStringLiteral("/fuzz_profile_%1").arg(QCoreApplication::applicationPid());
        QDir().mkpath(path);
        return path;
    }();
    return folder;
}

void removeScratch() {
    QDir(scratchFolder()).removeRecursively();
}

// Every listed (section, key) with the value it reads as, keyed case-insensitively as the
// files match names.
QHash<QString, QString> everyValue(const td::IniProfileFiles& ini) {
    QHash<QString, QString> values;
    for (const QString& section : ini.sections(kFile)) {
        for (const QString& key : ini.keys(kFile, section)) {
            const QString name = section.toLower() + QLatin1Char('\n') + key.toLower();
            values.insert(name, ini.readString(kFile, section, key, QStringLiteral("\x01missing")));
        }
    }
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool cleanup = std::atexit(&removeScratch) == 0;
    (void)cleanup;
    td::IniProfileFiles ini(scratchFolder());
    QFile file(ini.pathOf(kFile));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) !=
            static_cast<qint64>(size)) {
        fail("cannot write the scratch file");
    }
    file.close();

    QHash<QString, QString> before = everyValue(ini);
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (it.value() == QStringLiteral("\x01missing")) {
            fail("a listed key does not read");
        }
    }
    if (!ini.writeString(kFile, kSection, kKey, QStringLiteral("written value"))) {
        fail("writing a plain key into a writable folder failed");
    }
    if (ini.readString(kFile, kSection, kKey, {}) != QStringLiteral("written value")) {
        fail("the key written does not read back");
    }
    QHash<QString, QString> after = everyValue(ini);
    const QString written = kSection.toLower() + QLatin1Char('\n') + kKey.toLower();
    before.remove(written);
    after.remove(written);
    if (before != after) {
        fail("a write changed other keys");
    }
    return 0;
}
