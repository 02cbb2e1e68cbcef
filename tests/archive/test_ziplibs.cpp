// The archive component with the real ZIPDLL.DLL and UNZDLL.DLL: adding, deleting and
// extracting round trips, checked against the files and against `unzip -l`; safe extraction;
// archives left whole when an operation stops; and the messages when a library is missing or
// damaged.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>
#include <zip.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>

#include "archive/tziparchive.h"
#include "platform/library.h"
#include "platform/services.h"
#include "sandbox.h"
#include "scripted_dialogs.h"

using td::TZipArchive;

namespace {

struct Listed {
    qint64 length;
    QString name;
    bool operator==(const Listed&) const = default;
};

// What `unzip -l` says the archive holds.
std::vector<Listed> unzipList(const QString& archive) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-l"), archive});
    EXPECT_TRUE(unzip.waitForFinished(-1));
    EXPECT_EQ(unzip.exitCode(), 0) << unzip.readAllStandardError().toStdString();
    std::vector<Listed> listed;
    int dashes = 0;
    for (const QString& line : QString::fromUtf8(unzip.readAllStandardOutput()).split('\n')) {
        if (line.startsWith(QStringLiteral("---"))) {
            ++dashes;
            continue;
        }
        if (dashes != 1) {
            continue;
        }
        const QStringList parts = line.trimmed().split(' ', Qt::SkipEmptyParts);
        if (parts.size() < 4) {
            continue;
        }
        // The name is everything after length, date and time.
        const qsizetype at = line.indexOf(parts[2], line.indexOf(parts[1])) + parts[2].size();
        listed.push_back({parts[0].toLongLong(), line.mid(at).trimmed()});
    }
    return listed;
}

// Whether `unzip -t` finds the archive sound.
bool unzipTests(const QString& archive) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-tq"), archive});
    unzip.waitForFinished(-1);
    return unzip.exitStatus() == QProcess::NormalExit && unzip.exitCode() == 0;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList names(const TZipArchive& zip) {
    QStringList out;
    for (const auto& e : zip.Contents()) {
        out << e.FileName;
    }
    return out;
}

struct Made {
    const char* name;
    QByteArray data;
    bool link = false;
};

// An archive written straight with libzip, for names the libraries would never store.
void makeArchive(const QString& path, const std::vector<Made>& entries) {
    int error = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    std::vector<QByteArray> keep;
    for (const Made& e : entries) {
        keep.push_back(e.data);
        zip_source_t* source =
            zip_source_buffer(archive, keep.back().constData(), keep.back().size(), 0);
        const zip_int64_t index = zip_file_add(archive, e.name, source, ZIP_FL_ENC_RAW);
        ASSERT_GE(index, 0) << e.name;
        if (e.link) {
            zip_file_set_external_attributes(archive, static_cast<zip_uint64_t>(index), 0,
                                             ZIP_OPSYS_UNIX, (S_IFLNK | 0777) << 16);
        }
    }
    ASSERT_EQ(zip_close(archive), 0);
}

void setFileTime(const QString& path, time_t when) {
    const utimbuf times{when, when};
    ASSERT_EQ(utime(QFile::encodeName(path).constData(), &times), 0);
}

}  // namespace

class ArchiveLibrariesTest : public tdtest::SandboxTest {
  protected:
    tdtest::ScriptedDialogs dialogs;
    td::DlLibraryLoader loader{tdtest::buildDir()};
    td::Services services{&dialogs, &loader, nullptr};
    std::unique_ptr<TZipArchive> zip;
    QString savedFolder;
    QString work;
    QStringList progress;
    QStringList messages;

    void SetUp() override {
        savedFolder = QDir::currentPath();
        work = sandbox.path("work");
        QDir().mkpath(work);
        QDir::setCurrent(work);
        zip = std::make_unique<TZipArchive>(services);
        zip->OnProgress = [this](QObject*, td::ProgressType type, const QString& name, int32_t) {
            if (type == td::NewFile) {
                progress << name;
            }
        };
        zip->OnMessage = [this](QObject*, int32_t, const QString& text) { messages << text; };
        zip->LoadZipLibrary();
        zip->LoadUnzipLibrary();
        ASSERT_TRUE(TZipArchive::zipLibraryLoaded());
        ASSERT_TRUE(TZipArchive::unzipLibraryLoaded());
    }
    void TearDown() override {
        TZipArchive::UnloadZipLibrary();
        TZipArchive::UnloadUnzipLibrary();
        zip.reset();
        QDir::setCurrent(savedFolder);
    }
    QString file(const QString& relative, const QByteArray& data) {
        return sandbox.writeFile("work/" + relative, data);
    }
    void add(const QStringList& specs) {
        zip->FSpecArgs() = specs;
        zip->Add();
    }
    // Files of the work folder other than the ones named: leftovers of a temporary file.
    QStringList workFiles() const {
        return QDir(work).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

TEST_F(ArchiveLibrariesTest, AddCreatesTheArchiveStoresNamesAndUnzipAgrees) {
    file("a.ttf", "AAAA");
    file("b.TTF", "BBBBBBBBBB");
    file("notes.txt", "n");
    file("sub/c.ttf", QByteArray(5000, 'c'));
    const QString archive = sandbox.path("work/fonts.zip");
    zip->setZipFilename(archive);  // not there yet: no entries, no message
    EXPECT_TRUE(zip->Contents().empty());

    add({"a.ttf", "b.TTF", "sub/c.ttf"});
    EXPECT_EQ(zip->SuccessCount(), 3);
    EXPECT_EQ(progress, QStringList({"a.ttf", "b.TTF", "c.ttf"}));
    EXPECT_EQ(names(*zip), QStringList({"a.ttf", "b.TTF", "c.ttf"}));
    EXPECT_EQ(unzipList(archive),
              (std::vector<Listed>{{4, "a.ttf"}, {10, "b.TTF"}, {5000, "c.ttf"}}));
    EXPECT_TRUE(unzipTests(archive));
    EXPECT_TRUE(zip->FSpecArgs().isEmpty());

    // With folder names the relative path is stored.
    zip->AddOptions = {td::AddDirNames};
    add({"sub/c.ttf"});
    EXPECT_EQ(zip->SuccessCount(), 1);
    EXPECT_EQ(names(*zip), QStringList({"a.ttf", "b.TTF", "c.ttf", "sub/c.ttf"}));

    // Wildcards match without regard to case; stored at level 0 the data is not compressed;
    // the entries are replaced, not doubled.
    zip->AddOptions = {};
    zip->AddCompLevel = 0;
    add({"*.ttf"});
    EXPECT_EQ(zip->SuccessCount(), 2);
    EXPECT_EQ(names(*zip).size(), 4);
    for (const auto& e : zip->Contents()) {
        if (e.FileName == "a.ttf" || e.FileName == "b.TTF") {
            EXPECT_EQ(e.CompressionMethod, 0) << e.FileName.toStdString();
        }
        if (e.FileName == "sub/c.ttf") {
            EXPECT_EQ(e.CompressionMethod, 8);
        }
    }
    EXPECT_EQ(unzipList(archive).size(), 4u);
    EXPECT_TRUE(unzipTests(archive));
    EXPECT_TRUE(dialogs.boxes().empty());
    EXPECT_FALSE(workFiles().filter(".zip.").size() > 0);
}

TEST_F(ArchiveLibrariesTest, NothingToAddLeavesNoArchiveAndCountsNothing) {
    const QString archive = sandbox.path("work/none.zip");
    zip->setZipFilename(archive);
    add({"missing.ttf", "*.none"});
    EXPECT_EQ(zip->SuccessCount(), 0);
    EXPECT_FALSE(QFileInfo::exists(archive));
    EXPECT_EQ(messages.size(), 2);
    // The archive never takes itself in.
    file("real.ttf", "r");
    add({"real.ttf"});
    add({"*"});
    EXPECT_EQ(names(*zip), QStringList({"real.ttf"}));
}

TEST_F(ArchiveLibrariesTest, FreshenReplacesOnlyOlderEntriesAndUpdateAlsoAddsNewFiles) {
    const QString a = file("a.ttf", "old");
    setFileTime(a, 1600000000);
    const QString archive = sandbox.path("work/fonts.zip");
    zip->setZipFilename(archive);
    add({"a.ttf"});
    ASSERT_EQ(zip->SuccessCount(), 1);

    file("a.ttf", "newer");
    setFileTime(a, 1700000000);
    file("b.ttf", "new file");
    zip->AddOptions = {td::AddFreshen};
    add({"a.ttf", "b.ttf"});
    EXPECT_EQ(zip->SuccessCount(), 1);
    EXPECT_EQ(unzipList(archive), (std::vector<Listed>{{5, "a.ttf"}}));

    // Nothing newer: freshen does nothing and the archive stays.
    add({"a.ttf"});
    EXPECT_EQ(zip->SuccessCount(), 0);

    zip->AddOptions = {td::AddUpdate, td::AddFreshen};
    add({"a.ttf", "b.ttf"});
    EXPECT_EQ(zip->SuccessCount(), 1);
    EXPECT_EQ(unzipList(archive), (std::vector<Listed>{{5, "a.ttf"}, {8, "b.ttf"}}));
}

TEST_F(ArchiveLibrariesTest, MoveRemovesTheSourcesOnceTheArchiveHoldsThem) {
    file("a.ttf", "aa");
    file("b.ttf", "bb");
    const QString archive = sandbox.path("work/moved.zip");
    zip->setZipFilename(archive);
    zip->AddOptions = {td::AddMove};
    add({"*.ttf"});
    EXPECT_EQ(zip->SuccessCount(), 2);
    EXPECT_FALSE(QFileInfo::exists(sandbox.path("work/a.ttf")));
    EXPECT_FALSE(QFileInfo::exists(sandbox.path("work/b.ttf")));
    EXPECT_EQ(unzipList(archive), (std::vector<Listed>{{2, "a.ttf"}, {2, "b.ttf"}}));
}

TEST_F(ArchiveLibrariesTest, DeleteRemovesMatchingEntries) {
    file("a.ttf", "a");
    file("b.ttf", "bb");
    file("c.txt", "ccc");
    const QString archive = sandbox.path("work/fonts.zip");
    zip->setZipFilename(archive);
    add({"a.ttf", "b.ttf", "c.txt"});
    ASSERT_EQ(zip->SuccessCount(), 3);

    // A name means the entry of exactly that name: another case is not it.
    zip->FSpecArgs() = QStringList{"B.TTF"};
    zip->Delete();
    EXPECT_EQ(zip->SuccessCount(), 0);
    zip->FSpecArgs() = QStringList{"b.ttf"};
    zip->Delete();
    EXPECT_EQ(zip->SuccessCount(), 1);
    EXPECT_EQ(names(*zip), QStringList({"a.ttf", "c.txt"}));
    EXPECT_EQ(unzipList(archive), (std::vector<Listed>{{1, "a.ttf"}, {3, "c.txt"}}));
    EXPECT_EQ(progress.last(), "b.ttf");

    // No match: nothing changes, not even the file.
    const QByteArray before = readAll(archive);
    zip->FSpecArgs() = QStringList{"nothing.ttf", ".."};
    zip->Delete();
    EXPECT_EQ(zip->SuccessCount(), 0);
    EXPECT_EQ(readAll(archive), before);

    zip->FSpecArgs() = QStringList{"*.ttf"};
    zip->Delete();
    EXPECT_EQ(zip->SuccessCount(), 1);
    EXPECT_EQ(unzipList(archive), (std::vector<Listed>{{3, "c.txt"}}));
    EXPECT_TRUE(unzipTests(archive));
    EXPECT_EQ(QFileInfo::exists(sandbox.path("work/a.ttf")), true);  // the file is not touched
}

TEST_F(ArchiveLibrariesTest, DeleteRemovesTheNamedEntryAndNoOther) {
    const QString archive = sandbox.path("named.zip");
    // Stored names: two that differ in case, a Latin-1 name holding wildcard characters, the
    // name that pattern would match, and a Latin-1 name with its UTF-8 twin.
    const std::vector<QByteArray> stored = {"Font.ttf",
                                            "font.ttf",
                                            "other.ttf",
                                            "\xe9[1].ttf",
                                            "\xc3\xa9"
                                            "1.ttf",
                                            "\xe9.ttf",
                                            "\xc3\xa9.ttf"};
    const struct {
        QByteArray spec;
        std::vector<size_t> deleted;  // indexes into `stored`
    } cases[] = {
        {"font.ttf", {1}},
        {"Font.ttf", {0}},
        {"FONT.TTF", {}},
        {"\xe9[1].ttf", {3}},
        // The Latin-1 name handed back as UTF-8 text means that entry, never the pattern's.
        {"\xc3\xa9[1].ttf", {3}},
        {"\xe9.ttf", {5}},
        {"\xc3\xa9.ttf", {6}},
        // A wildcard that names no entry is a pattern.
        {"f*.TTF", {0, 1}},
    };
    for (const auto& c : cases) {
        std::vector<Made> made;
        for (const QByteArray& name : stored) {
            made.push_back({name.constData(), "x"});
        }
        makeArchive(archive, made);
        zip->setZipFilename(archive);
        zip->setStoredNameSpecs({c.spec});
        zip->Delete();
        std::vector<QByteArray> expected;
        for (size_t i = 0; i < stored.size(); ++i) {
            if (std::find(c.deleted.begin(), c.deleted.end(), i) == c.deleted.end()) {
                expected.push_back(stored[i]);
            }
        }
        std::vector<QByteArray> left;
        for (const auto& entry : zip->Contents()) {
            left.push_back(entry.StoredName);
        }
        EXPECT_EQ(left, expected) << c.spec.toStdString();
        EXPECT_EQ(zip->SuccessCount(), static_cast<int>(c.deleted.size())) << c.spec.toStdString();
    }
}

TEST_F(ArchiveLibrariesTest, ExtractWritesMatchingEntriesAtTheirStoredNames) {
    const QString archive = sandbox.path("fonts.zip");
    makeArchive(archive, {{"a.ttf", "AAAA"}, {"sub/b.TTF", "BB"}, {"readme.txt", "R"}});
    zip->setZipFilename(archive);
    const QString out = sandbox.path("out");
    QDir().mkpath(out);
    zip->ExtrBaseDir = out + "/";
    zip->ExtrOptions = {td::ExtrOverWrite};
    zip->FSpecArgs() << "*.ttf";
    zip->Extract();
    EXPECT_EQ(zip->SuccessCount(), 2);
    for (const auto& e : zip->Contents()) {
        if (e.FileName.endsWith(".ttf", Qt::CaseInsensitive)) {
            EXPECT_TRUE(QFileInfo::exists(out + "/" + e.FileName)) << e.FileName.toStdString();
        }
    }
    EXPECT_EQ(readAll(out + "/a.ttf"), "AAAA");
    EXPECT_EQ(readAll(out + "/sub/b.TTF"), "BB");
    EXPECT_FALSE(QFileInfo::exists(out + "/readme.txt"));
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList({"a.ttf"}));

    // Without overwriting, an existing file stays; with it, it is replaced.
    sandbox.writeFile("out/a.ttf", "changed");
    zip->ExtrOptions = {};
    zip->FSpecArgs() << "a.ttf";
    zip->Extract();
    EXPECT_EQ(zip->SuccessCount(), 0);
    EXPECT_EQ(readAll(out + "/a.ttf"), "changed");
    zip->ExtrOptions = {td::ExtrOverWrite};
    zip->FSpecArgs() << "A.TTF";
    zip->Extract();
    EXPECT_EQ(zip->SuccessCount(), 1);
    EXPECT_EQ(readAll(out + "/a.ttf"), "AAAA");

    // Freshen only replaces files that exist.
    QFile::remove(out + "/a.ttf");
    zip->ExtrOptions = {td::ExtrFreshen};
    zip->FSpecArgs() << "*";
    zip->Extract();
    EXPECT_FALSE(QFileInfo::exists(out + "/a.ttf"));
    EXPECT_TRUE(dialogs.boxes().empty());
}

TEST_F(ArchiveLibrariesTest, ExtractNeverWritesOutsideTheFolder) {
    const QString archive = sandbox.path("evil.zip");
    makeArchive(archive, {{"../evil.ttf", "E"},
                          {"/abs.ttf", "A"},
                          {"sub/../../evil2.ttf", "E"},
                          {"..\\evil3.ttf", "E"},
                          {"link.ttf", "/etc/passwd", true},
                          {"trap/x.ttf", "T"},
                          {"good.ttf", "G"},
                          {"dir/good2.ttf", "G2"}});
    zip->setZipFilename(archive);
    EXPECT_EQ(names(*zip).size(), 8);
    EXPECT_EQ(names(*zip).first(), "../evil.ttf");

    const QString out = sandbox.path("box/out");
    const QString outside = sandbox.path("outside");
    QDir().mkpath(out);
    QDir().mkpath(outside);
    // A link already in the folder must not lead the extraction out of it.
    ASSERT_TRUE(QFile::link(outside, out + "/trap"));
    zip->ExtrBaseDir = out;
    zip->ExtrOptions = {td::ExtrOverWrite, td::ExtrDirNames};
    zip->FSpecArgs() << "*";
    zip->Extract();
    EXPECT_EQ(zip->SuccessCount(), 2);
    EXPECT_EQ(progress, QStringList({"good.ttf", "dir/good2.ttf"}));
    EXPECT_EQ(readAll(out + "/good.ttf"), "G");
    EXPECT_EQ(readAll(out + "/dir/good2.ttf"), "G2");
    EXPECT_FALSE(QFileInfo::exists(sandbox.path("box/evil.ttf")));
    EXPECT_FALSE(QFileInfo::exists(sandbox.path("evil2.ttf")));
    EXPECT_FALSE(QFileInfo::exists(sandbox.path("box/evil2.ttf")));
    EXPECT_FALSE(QFileInfo::exists(sandbox.path("/abs.ttf")));
    EXPECT_FALSE(QFileInfo::exists("/abs.ttf"));
    EXPECT_FALSE(QFileInfo(out + "/link.ttf").exists() || QFileInfo(out + "/link.ttf").isSymLink());
    EXPECT_TRUE(QDir(outside).isEmpty());
    // Each skipped entry was reported through the callback, by name.
    ASSERT_EQ(messages.size(), 6) << messages.join(" | ").toStdString();
    for (const char* name : {"../evil.ttf", "/abs.ttf", "sub/../../evil2.ttf", "..\\evil3.ttf",
                             "link.ttf", "trap/x.ttf"}) {
        EXPECT_EQ(messages.filter(QString::fromLatin1(name)).size(), 1) << name;
    }
}

TEST_F(ArchiveLibrariesTest, AStoppedAddOrDeleteLeavesTheArchiveAsItWas) {
    file("a.ttf", "a");
    file("b.ttf", "b");
    file("c.ttf", "c");
    const QString archive = sandbox.path("work/fonts.zip");
    zip->setZipFilename(archive);
    add({"a.ttf"});
    const QByteArray before = readAll(archive);
    const QStringList filesBefore = workFiles();

    zip->OnProgress = [this](QObject*, td::ProgressType type, const QString&, int32_t) {
        if (type == td::NewFile) {
            zip->Cancel = true;
        }
    };
    add({"b.ttf", "c.ttf"});
    EXPECT_EQ(zip->SuccessCount(), 0);
    EXPECT_EQ(readAll(archive), before);
    zip->FSpecArgs() = QStringList{"a.ttf"};
    zip->Delete();
    EXPECT_EQ(zip->SuccessCount(), 0);
    EXPECT_EQ(readAll(archive), before);
    EXPECT_EQ(workFiles(), filesBefore);  // no half-written archive left beside it
    EXPECT_FALSE(zip->Cancel);
}

TEST_F(ArchiveLibrariesTest, AFailedWriteLeavesTheArchiveAsItWas) {
    file("a.ttf", "a");
    file("b.ttf", "b");
    const QString archive = sandbox.path("work/fonts.zip");
    zip->setZipFilename(archive);
    add({"a.ttf"});
    const QByteArray before = readAll(archive);
    file("c.ttf", QByteArray(100000, 'c'));
    // The library reads a file only when it writes the archive: a file that vanishes after it
    // was taken in makes the write fail.
    zip->OnProgress = [this](QObject*, td::ProgressType type, const QString& name, int32_t) {
        if (type == td::NewFile && name == "c.ttf") {
            QFile::remove(sandbox.path("work/b.ttf"));
        }
    };
    add({"b.ttf", "c.ttf"});
    EXPECT_EQ(zip->SuccessCount(), 0);
    EXPECT_EQ(readAll(archive), before);
    EXPECT_FALSE(messages.isEmpty());
    EXPECT_EQ(workFiles(), QStringList({"a.ttf", "c.ttf", "fonts.zip"}));
}

TEST_F(ArchiveLibrariesTest, LibrariesRefuseBadRecords) {
    auto library = loader.load(QStringLiteral("ZIPDLL.DLL"));
    ASSERT_TRUE(library);
    auto exec = reinterpret_cast<td::ZipDllExecFn>(library->resolve("ZipDllExec"));
    ASSERT_NE(exec, nullptr);
    static QStringList seen;
    seen.clear();
    auto record = std::make_unique<td::ZipExecParams>();
    record->callback = [](td::DllCallbackRecord* r) -> int32_t {
        seen << QString::fromLatin1(r->text);
        return 0;
    };
    // An archive path with no end inside its buffer.
    std::vector<char> unterminated(td::kDllPathBufferSize, 'a');
    record->archivePath = unterminated.data();
    EXPECT_EQ(exec(record.get()), 0);
    // A specification with no end, and far too many claimed.
    const QByteArray archive = QFile::encodeName(sandbox.path("work/bad.zip"));
    std::vector<char> path(td::kDllPathBufferSize, '\0');
    std::copy(archive.begin(), archive.end(), path.begin());
    record->archivePath = path.data();
    record->specCount = 1;
    record->specs[0] = unterminated.data();
    EXPECT_EQ(exec(record.get()), 0);
    record->specCount = -5;
    EXPECT_EQ(exec(record.get()), 0);
    EXPECT_EQ(exec(nullptr), 0);
    EXPECT_FALSE(QFileInfo::exists(sandbox.path("work/bad.zip")));
    EXPECT_EQ(seen, QStringList({"No valid zip file name", "File specification 1 is not valid",
                                 "No files specified", "No files specified"}));
}

class MissingLibrariesTest : public tdtest::SandboxTest {
  protected:
    tdtest::ScriptedDialogs dialogs;
    void TearDown() override {
        TZipArchive::UnloadZipLibrary();
        TZipArchive::UnloadUnzipLibrary();
    }
};

TEST_F(MissingLibrariesTest, AProgramFolderWithoutTheLibrariesShowsNotFound) {
    // The program copied into a folder of its own, without the two libraries beside it.
    const QString program = sandbox.path("prog");
    QDir().mkpath(program);
    ASSERT_TRUE(QFile::copy(tdtest::buildDir() + "/td.exe", program + "/td.exe"));
    td::DlLibraryLoader loader(program);
    td::Services services{&dialogs, &loader, nullptr};
    TZipArchive zip(services);
    for (int i = 0; i < 4; ++i) {
        dialogs.answer(td::BoxAnswer::Ok);
    }
    zip.LoadZipLibrary();
    zip.LoadUnzipLibrary();
    EXPECT_FALSE(TZipArchive::zipLibraryLoaded());
    EXPECT_FALSE(TZipArchive::unzipLibraryLoaded());

    sandbox.writeFile("a.ttf", "a");
    zip.setZipFilename(sandbox.path("fonts.zip"));
    zip.FSpecArgs() << sandbox.path("a.ttf");
    zip.Add();
    zip.Extract();
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"ZIPDLL.DLL not found", "UNZDLL.DLL not found",
                                               "ZIPDLL.DLL not found", "UNZDLL.DLL not found"}));
    EXPECT_FALSE(QFileInfo::exists(sandbox.path("fonts.zip")));
    EXPECT_EQ(zip.SuccessCount(), 0);
}

TEST_F(MissingLibrariesTest, DamagedLibrariesNameTheMissingExport) {
    td::DlLibraryLoader loader(QStringLiteral(TD_PARTIAL_LIBS_DIR));
    td::Services services{&dialogs, &loader, nullptr};
    TZipArchive zip(services);
    for (int i = 0; i < 3; ++i) {
        dialogs.answer(td::BoxAnswer::Ok);
    }
    zip.LoadZipLibrary();
    zip.LoadUnzipLibrary();
    EXPECT_TRUE(TZipArchive::unzipLibraryLoaded());
    zip.FSpecArgs() << "*.ttf";
    zip.Extract();
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"GetZipDllVersion function not found in ZIPDLL.DLL",
                                               "UnzDllExec function not found in UNZDLL.DLL",
                                               "Fatal DLL Error: abort exception"}));
    EXPECT_TRUE(zip.FSpecArgs().isEmpty());
    EXPECT_FALSE(zip.unzipBusy());
}
