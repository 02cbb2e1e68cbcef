// What the stores cost at the moments the program uses them: storing the options (14 values,
// each its own locked, re-reading, renaming save), loading them again, a settings key that has
// grown to a few hundred values, keys of 2,000 to 10,000 values (the Fonts key of a user who
// installs many fonts: loaded and read whole by a fresh handle, then one more save), the
// recent-entry menus in the profile file (20 keys written, 30 read), and temporary file names.
//
// Run: build-<tag>/bench/registry/bench_registry [rounds]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <vector>

#include "platform/profile.h"
#include "platform/regfile.h"
#include "platform/registry.h"
#include "platform/tempfiles.h"

#include "../support/benchutil.h"

namespace {

using bench::msSince;

double cpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

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

    // Large keys: the file is written as a whole first, as if it had grown over time.
    for (const int count : {2000, 4000, 8000, 10000}) {
        const QString keyPath = QStringLiteral("SOFTWARE\\Large%1").arg(count);
        QByteArray text = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\" + keyPath.toUtf8() + "]\n";
        for (int i = 0; i < count; ++i) {
            text += QStringLiteral(
                        "\"Font Family %1 Regular (TrueType)\"=\"/home/ann/.local/share/"
                        "fonts/family-%1-regular.ttf\"\n")
                        .arg(i)
                        .toUtf8();
        }
        const QString largeFolder = dir.path() + QStringLiteral("/large%1").arg(count);
        td::FileRegistry large(largeFolder);
        large.createKey(td::RootKey::LocalMachine, QStringLiteral("SOFTWARE"));
        QFile file(large.fileOf(td::RootKey::LocalMachine));
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
        file.close();
        // Wall time and this process's processor time: on a shared machine the second shows
        // what the work itself costs.
        std::vector<double> loadWall, saveWall, totalCpu;
        for (int round = 0; round < rounds; ++round) {
            const double cpuStart = cpuMs();
            timer.start();
            td::FileRegistry fresh(largeFolder);
            auto key = fresh.openKey(td::RootKey::LocalMachine, keyPath, false);
            int read = 0;
            for (const QString& name : key->valueNames()) {
                read += key->readString(name).isEmpty() ? 0 : 1;
            }
            loadWall.push_back(msSince(timer));
            if (read != count) {
                std::printf("unexpected load of %d values\n", read);
            }
            timer.start();
            key->writeString(QStringLiteral("font family 0 regular (truetype)"),
                             QString::number(round));
            saveWall.push_back(msSince(timer));
            totalCpu.push_back(cpuMs() - cpuStart);
        }
        // Of that, the text alone: parsed into a tree, and the tree written out again.
        std::vector<double> parseCpu, writeCpu;
        for (int round = 0; round < rounds; ++round) {
            td::RegNode tree;
            double start = cpuMs();
            td::parseRegFile(text, tree);
            parseCpu.push_back(cpuMs() - start);
            start = cpuMs();
            const QByteArray written = td::writeRegFile(tree);
            writeCpu.push_back(cpuMs() - start);
            if (written.size() < text.size()) {
                std::printf("unexpected text of %lld bytes\n", qlonglong(written.size()));
            }
        }
        std::printf(
            "key of %5d values: load %7.2f ms + save %7.2f ms (median wall), "
            "%7.2f ms processor (text: parse %.2f, write %.2f)\n",
            count, bench::median(loadWall), bench::median(saveWall), bench::median(totalCpu),
            bench::median(parseCpu), bench::median(writeCpu));
    }

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
