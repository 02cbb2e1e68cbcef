#pragma once

// What the benchmarks share: the system fonts they copy and how they sum up their runs.

#include <QDir>
#include <QElapsedTimer>
#include <QStringList>
#include <algorithm>
#include <vector>

namespace bench {

// The TrueType files of the DejaVu and Liberation packages, by folder and name.
inline QStringList systemFonts() {
    QStringList files;
    for (const char* folder :
         {"/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/truetype/liberation"}) {
        const QDir dir(QString::fromLatin1(folder));
        for (const QString& name :
             dir.entryList({QStringLiteral("*.ttf")}, QDir::Files, QDir::Name)) {
            files << dir.filePath(name);
        }
    }
    return files;
}

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline double msSince(const QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e6;
}

}  // namespace bench
