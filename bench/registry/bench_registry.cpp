// What the stores cost at the moments the program uses them: storing the options (14 values,
// each its own locked, re-reading, renaming save), loading them again, a settings key that has
// grown to a few hundred values, the recent-entry menus in the profile file (20 keys written,
// 30 read), and temporary file names.
//
// Run: build-<tag>/bench/registry/bench_registry [rounds]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/tempfiles.h"

#include "../support/benchutil.h"

namespace {

using bench::msSince;

void report(const char* what, double totalMs, int count) {
    std::printf("%-52s %9.3f ms total  %8.3f ms each  (%d)\n", what, totalMs, totalMs / count,
                count);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString folder = dir.path() + QStringLiteral("/kestro-typedeck");
    const QString settings = QStringLiteral("\\SOFTWARE\\Kestro TypeDeck");
    const char* names[] = {"NrFile",         "Image",     "AutoRefresh", "Sizeofcharacters",
                           "Sizeofbasefont", "Colors",    "Sampletext",  "Basefont",
                           "charsize",       "savedsize", "Quality",     "Browser",
                           "Dfontdir",       "Basedir"};

    td::FileRegistry registry(folder);
    QElapsedTimer timer;
    double saveMs = 0;
    double loadMs = 0;
    for (int round = 0; round < rounds; ++round) {
        timer.start();
        auto key = registry.openKey(td::RootKey::LocalMachine, settings, true);
        for (int i = 0; i < 14; ++i) {
            if (i == 6 || i == 7 || i >= 11) {
                key->writeString(QString::fromLatin1(names[i]), QStringLiteral("/home/ann/Fonts/"));
            } else {
                key->writeInteger(QString::fromLatin1(names[i]), round + i);
            }
        }
        saveMs += msSince(timer);

        timer.start();
        td::FileRegistry fresh(folder);
        auto read = fresh.openKey(td::RootKey::LocalMachine, settings, true);
        int sum = 0;
        for (int i = 0; i < 14; ++i) {
            const QString name = QString::fromLatin1(names[i]);
            if (read->valueExists(name)) {
                sum += read->valueType(name) == td::ValueType::DWord
                           ? read->readInteger(name)
                           : int(read->readString(name).size());
            }
        }
        loadMs += msSince(timer);
        if (sum == 0) {
            std::printf("unexpected empty load\n");
        }
    }
    report("save options (14 values, one save each)", saveMs, rounds);
    report("load options (fresh handle, 14 exists+reads)", loadMs, rounds);

    auto big = registry.openKey(td::RootKey::LocalMachine, QStringLiteral("SOFTWARE\\Big"), true);
    timer.start();
    for (int i = 0; i < 400; ++i) {
        big->writeString(QStringLiteral("Value %1 (TrueType)").arg(i),
                         QStringLiteral("/usr/share/fonts/f%1.ttf").arg(i));
    }
    report("grow a key to 400 values (one save each)", msSince(timer), 400);
    timer.start();
    for (int i = 0; i < rounds; ++i) {
        big->writeString(QStringLiteral("Value 0 (TrueType)"), QString::number(i));
    }
    report("one more save with 400 values in the file", msSince(timer), rounds);
    timer.start();
    td::FileRegistry cold(folder);
    auto all = cold.openKey(td::RootKey::LocalMachine, QStringLiteral("SOFTWARE\\Big"), false);
    int found = 0;
    for (const QString& name : all->valueNames()) {
        found += all->readString(name).isEmpty() ? 0 : 1;
    }
    report("list and read 400 values (fresh handle)", msSince(timer), found);

    td::IniProfileFiles profiles(folder);
    const QString ini = QStringLiteral("ke-TD2.ini");
    timer.start();
    for (int round = 0; round < rounds; ++round) {
        for (int n = 1; n <= 5; ++n) {
            profiles.writeString(ini, QStringLiteral("Menu"), QStringLiteral("menu%1").arg(n),
                                 QStringLiteral("zip file"));
            profiles.writeBool(ini, QStringLiteral("Menu"), QStringLiteral("menu%1b").arg(n),
                               false);
            profiles.writeString(ini, QStringLiteral("CopyMove"),
                                 QStringLiteral("CopyMove%1").arg(n), QStringLiteral("copydir"));
            profiles.writeBool(ini, QStringLiteral("CopyMove"),
                               QStringLiteral("CopyMove%1b").arg(n), false);
        }
    }
    report("save recent menus (20 profile writes)", msSince(timer), rounds);
    timer.start();
    int visible = 0;
    for (int round = 0; round < rounds; ++round) {
        for (int n = 1; n <= 5; ++n) {
            visible +=
                profiles
                    .readString(ini, QStringLiteral("Menu"), QStringLiteral("menu%1").arg(n), {})
                    .size();
            visible += profiles.readBool(ini, QStringLiteral("Menu"),
                                         QStringLiteral("menu%1b").arg(n), false);
            for (int twice = 0; twice < 2; ++twice) {
                visible += profiles
                               .readString(ini, QStringLiteral("CopyMove"),
                                           QStringLiteral("CopyMove%1").arg(n), {})
                               .size();
                visible += profiles.readBool(ini, QStringLiteral("CopyMove"),
                                             QStringLiteral("CopyMove%1b").arg(n), false);
            }
        }
    }
    report("load recent menus (30 profile reads)", msSince(timer), rounds);

    td::SystemTempFiles temp;
    const QString tempFolder = dir.path() + QStringLiteral("/");
    timer.start();
    for (int i = 0; i < 1000; ++i) {
        QFile::remove(temp.tempFileName(tempFolder, QStringLiteral("~ttf0402")));
    }
    report("temporary file name, created and removed", msSince(timer), 1000);
    return visible > 0 ? 0 : 1;
}
