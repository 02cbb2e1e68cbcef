// Listing an archive of 10,000 small entries: ReadContents, which walks the local headers,
// against libzip opening the same archive and reading every entry's name and sizes from its
// central directory.
//
//   make bench && build/bench/archive/bench_readcontents

#include <benchmark/benchmark.h>
#include <zip.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>

#include "archive/tziparchive.h"
#include "platform/services.h"

namespace {

constexpr int kEntries = 10000;

// The archive, written once for the whole run.
const QString& archivePath() {
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString p = folder.filePath(QStringLiteral("many.zip"));
        int error = 0;
        zip_t* archive =
            zip_open(QFile::encodeName(p).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        if (archive == nullptr) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(p));
            std::abort();
        }
        static std::vector<QByteArray> data;
        data.reserve(kEntries);
        for (int i = 0; i < kEntries; ++i) {
            data.push_back(QByteArray("font data ") + QByteArray::number(i).repeated(20));
            zip_source_t* source = zip_source_buffer(
                archive, data.back().constData(), static_cast<zip_uint64_t>(data.back().size()), 0);
            const QByteArray name = "fonts/font" + QByteArray::number(i) + ".ttf";
            zip_file_add(archive, name.constData(), source, 0);
        }
        if (zip_close(archive) != 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(p));
            std::abort();
        }
        return p;
    }();
    return path;
}

void BM_ReadContents(benchmark::State& state) {
    const QString& path = archivePath();
    td::Services services;
    td::TZipArchive zip(services);
    for (auto _ : state) {
        zip.setZipFilename(path);
        if (zip.Count() != kEntries) {
            state.SkipWithError("wrong entry count");
            break;
        }
        benchmark::DoNotOptimize(zip.Contents().data());
    }
    state.counters["entries"] = zip.Count();
}
BENCHMARK(BM_ReadContents)->Unit(benchmark::kMillisecond);

void BM_LibzipListing(benchmark::State& state) {
    const QByteArray path = QFile::encodeName(archivePath());
    int64_t listed = 0;
    for (auto _ : state) {
        int error = 0;
        zip_t* archive = zip_open(path.constData(), ZIP_RDONLY, &error);
        const zip_int64_t count = zip_get_num_entries(archive, 0);
        listed = 0;
        for (zip_int64_t i = 0; i < count; ++i) {
            zip_stat_t st;
            if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st) == 0) {
                benchmark::DoNotOptimize(st.name);
                ++listed;
            }
        }
        zip_discard(archive);
        if (listed != kEntries) {
            state.SkipWithError("wrong entry count");
            break;
        }
    }
    state.counters["entries"] = static_cast<double>(listed);
}
BENCHMARK(BM_LibzipListing)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
