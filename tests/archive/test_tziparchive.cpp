// The archive component against stand-in libraries: what it writes into the parameter
// records, its checks and messages, library loading, busy marks, clean-up and the callback.

#include <gtest/gtest.h>

#include <QDir>
#include <functional>
#include <stdexcept>

#include "archive/tziparchive.h"
#include "fakelibrary.h"
#include "platform/services.h"
#include "sandbox.h"
#include "scripted_dialogs.h"
#include "zipbytes.h"

using td::TZipArchive;
using td::UnzipExecParams;
using td::ZipExecParams;

namespace {

std::function<int32_t(ZipExecParams*)> g_zipExec;
std::function<int32_t(UnzipExecParams*)> g_unzExec;
int g_zipCalls = 0;
int g_unzCalls = 0;

int32_t fakeZipExec(ZipExecParams* p) {
    ++g_zipCalls;
    return g_zipExec ? g_zipExec(p) : 0;
}
int32_t fakeUnzExec(UnzipExecParams* p) {
    ++g_unzCalls;
    return g_unzExec ? g_unzExec(p) : 0;
}
int32_t fakeVersion() {
    return 100;
}

template <typename F>
void* address(F* function) {
    return reinterpret_cast<void*>(function);
}

// What a library saw of a record: the flags and the strings behind its pointers.
struct SeenZip {
    ZipExecParams params{};
    std::string archive;
    std::vector<std::string> specs;
    QString currentFolder;
};

std::unique_ptr<SeenZip> seeZip(const ZipExecParams* p) {
    auto seen = std::make_unique<SeenZip>();
    seen->params = *p;
    seen->archive = p->archivePath;
    for (int i = 0; i < p->specCount; ++i) {
        seen->specs.emplace_back(p->specs[i]);
    }
    return seen;
}

int32_t sendRecord(void* caller, td::DllCallback callback, int32_t action, int32_t code,
                   int32_t size, const char* text) {
    td::DllCallbackRecord record{};
    record.caller = caller;
    record.actionCode = action;
    record.errorCode = code;
    record.fileSize = size;
    std::snprintf(record.text, sizeof record.text, "%s", text);
    return callback(&record);
}

}  // namespace

class ArchiveComponentTest : public tdtest::SandboxTest {
  protected:
    tdtest::ScriptedDialogs dialogs;
    ziptest::FakeLoader loader;
    td::Services services{&dialogs, &loader, nullptr};
    std::unique_ptr<TZipArchive> zip;
    QString savedFolder;

    void SetUp() override {
        savedFolder = QDir::currentPath();
        loader.libraries[QStringLiteral("ZIPDLL.DLL")] = {
            {"ZipDllExec", address(&fakeZipExec)}, {"GetZipDllVersion", address(&fakeVersion)}};
        loader.libraries[QStringLiteral("UNZDLL.DLL")] = {
            {"UnzDllExec", address(&fakeUnzExec)}, {"GetUnzDllVersion", address(&fakeVersion)}};
        g_zipExec = nullptr;
        g_unzExec = nullptr;
        g_zipCalls = g_unzCalls = 0;
        zip = std::make_unique<TZipArchive>(services);
    }
    void TearDown() override {
        TZipArchive::UnloadZipLibrary();
        TZipArchive::UnloadUnzipLibrary();
        zip.reset();
        g_zipExec = nullptr;
        g_unzExec = nullptr;
        QDir::setCurrent(savedFolder);
    }
    // Queues OK answers for the boxes the step is expected to show.
    void expectBoxes(int count) {
        for (int i = 0; i < count; ++i) {
            dialogs.answer(td::BoxAnswer::Ok);
        }
    }
    QString newArchive() { return sandbox.path(QStringLiteral("new.zip")); }
};

TEST_F(ArchiveComponentTest, CreatedWithTheDocumentedDefaults) {
    EXPECT_FALSE(zip->Verbose);
    EXPECT_FALSE(zip->Trace);
    EXPECT_FALSE(zip->Cancel);
    EXPECT_TRUE(zip->AddOptions.empty());
    EXPECT_TRUE(zip->ExtrOptions.empty());
    EXPECT_EQ(zip->AddCompLevel, 9);
    EXPECT_EQ(zip->SuccessCount(), 0);
    EXPECT_TRUE(zip->Contents().empty());
    EXPECT_TRUE(zip->FSpecArgs().isEmpty());
    EXPECT_TRUE(zip->ZipFilename().isEmpty());
    EXPECT_FALSE(zip->zipBusy());
    EXPECT_FALSE(zip->unzipBusy());
    // Assigning the list copies its items.
    QStringList specs{"a.ttf"};
    zip->setFSpecArgs(specs);
    specs << "b.ttf";
    EXPECT_EQ(zip->FSpecArgs(), QStringList({"a.ttf"}));
}

TEST_F(ArchiveComponentTest, AddFillsTheZipRecordAndCleansUp) {
    std::unique_ptr<SeenZip> seen;
    g_zipExec = [&](ZipExecParams* p) {
        seen = seeZip(p);
        EXPECT_TRUE(zip->zipBusy());
        return 0;
    };
    zip->setZipFilename(newArchive());
    zip->AddOptions = {td::AddHiddenFiles, td::AddRecurseDirs, td::AddForceDOS, td::AddMove,
                       td::AddZipTime};
    zip->AddCompLevel = 5;
    zip->FSpecArgs() << "a.ttf"
                     << "sub/b.ttf";
    zip->Add();

    ASSERT_TRUE(seen);
    const ZipExecParams& p = seen->params;
    EXPECT_EQ(p.window, 0);
    EXPECT_EQ(p.caller, zip.get());
    EXPECT_EQ(p.version, 120);
    EXPECT_EQ(p.callback, &TZipArchive::ArchiveCallback);
    EXPECT_EQ(p.trace, 0);
    EXPECT_EQ(p.option20, 0);
    EXPECT_EQ(p.option24, 0);
    EXPECT_EQ(p.option28, 0);
    EXPECT_EQ(p.addHiddenFiles, -1);
    EXPECT_EQ(p.option36, 0);
    EXPECT_EQ(p.option40, 0);
    EXPECT_EQ(p.option44, -1);
    EXPECT_EQ(p.option48, 0);
    EXPECT_EQ(p.verbose, 0);
    EXPECT_EQ(p.option56, -1);
    EXPECT_EQ(p.level, 5);
    EXPECT_EQ(p.option64, 0);
    EXPECT_EQ(p.option68, 0);
    EXPECT_EQ(p.junkDirNames, -1);
    EXPECT_EQ(p.recurse, -1);
    EXPECT_EQ(p.option80, -1);
    EXPECT_EQ(p.forceDos, -1);
    EXPECT_EQ(p.move, -1);
    EXPECT_EQ(p.deleteEntries, 0);
    EXPECT_EQ(p.update, 0);
    EXPECT_EQ(p.freshen, 0);
    EXPECT_EQ(p.option104, 0);
    EXPECT_EQ(p.zipTime, -1);
    EXPECT_EQ(p.option112, 0);
    EXPECT_EQ(p.option116, 0);
    EXPECT_EQ(p.specCount, 2);
    EXPECT_EQ(p.option128, 7);
    EXPECT_EQ(p.specs[2], nullptr);
    EXPECT_EQ(QString::fromStdString(seen->archive), newArchive());
    EXPECT_EQ(seen->specs, (std::vector<std::string>{"a.ttf", "sub/b.ttf"}));

    EXPECT_TRUE(zip->FSpecArgs().isEmpty());
    EXPECT_FALSE(zip->zipBusy());
    EXPECT_FALSE(zip->Cancel);
    EXPECT_EQ(zip->SuccessCount(), 0);
    // The library was loaded for this call only.
    EXPECT_EQ(loader.loads, 1);
    EXPECT_EQ(loader.live, 0);
    EXPECT_FALSE(TZipArchive::zipLibraryLoaded());
    EXPECT_TRUE(dialogs.boxes().empty());
}

TEST_F(ArchiveComponentTest, AddOptionsAndTraceMapToTheRecordFlags) {
    zip->LoadZipLibrary();
    zip->setZipFilename(newArchive());
    struct Case {
        td::AddOpts options;
        bool verbose;
        bool trace;
        int32_t junk, update, freshen, verboseFlag, traceFlag;
    };
    const Case cases[] = {
        {{}, false, false, -1, 0, 0, 0, 0},
        {{td::AddDirNames}, true, false, 0, 0, 0, -1, 0},
        {{td::AddFreshen}, false, false, -1, 0, -1, 0, 0},
        {{td::AddUpdate}, false, false, -1, -1, 0, 0, 0},
        // Freshen and update together pass only update.
        {{td::AddFreshen, td::AddUpdate}, false, false, -1, -1, 0, 0, 0},
        // Trace forces the verbose flag on.
        {{}, false, true, -1, 0, 0, -1, -1},
    };
    for (const Case& c : cases) {
        std::unique_ptr<SeenZip> seen;
        g_zipExec = [&](ZipExecParams* p) {
            seen = seeZip(p);
            return 0;
        };
        zip->AddOptions = c.options;
        zip->Verbose = c.verbose;
        zip->Trace = c.trace;
        zip->FSpecArgs() << "x.ttf";
        zip->Add();
        ASSERT_TRUE(seen);
        EXPECT_EQ(seen->params.junkDirNames, c.junk);
        EXPECT_EQ(seen->params.update, c.update);
        EXPECT_EQ(seen->params.freshen, c.freshen);
        EXPECT_EQ(seen->params.verbose, c.verboseFlag);
        EXPECT_EQ(seen->params.trace, c.traceFlag);
    }
    // A library loaded beforehand stays loaded.
    EXPECT_EQ(loader.loads, 1);
    EXPECT_TRUE(TZipArchive::zipLibraryLoaded());
}

TEST_F(ArchiveComponentTest, DeleteSetsTheDeleteFlagAndClearsTheAddFlags) {
    const QString path = sandbox.writeFile("fonts.zip", ziptest::endRecord());
    std::unique_ptr<SeenZip> seen;
    g_zipExec = [&](ZipExecParams* p) {
        seen = seeZip(p);
        return 0;
    };
    expectBoxes(1);  // the archive has no entries
    zip->setZipFilename(path);
    zip->AddOptions = {td::AddHiddenFiles, td::AddRecurseDirs, td::AddMove,   td::AddFreshen,
                       td::AddUpdate,      td::AddForceDOS,    td::AddZipTime};
    zip->FSpecArgs() << "a.ttf"
                     << "..";
    zip->Delete();
    ASSERT_TRUE(seen);
    const ZipExecParams& p = seen->params;
    EXPECT_EQ(p.deleteEntries, -1);
    EXPECT_EQ(p.junkDirNames, 0);
    EXPECT_EQ(p.recurse, 0);
    EXPECT_EQ(p.option80, 0);
    EXPECT_EQ(p.move, 0);
    EXPECT_EQ(p.update, 0);
    EXPECT_EQ(p.freshen, 0);
    EXPECT_EQ(p.addHiddenFiles, -1);
    EXPECT_EQ(p.forceDos, -1);
    EXPECT_EQ(p.zipTime, -1);
    EXPECT_EQ(p.option44, -1);
    EXPECT_EQ(p.option128, 7);
    EXPECT_EQ(seen->specs, (std::vector<std::string>{"a.ttf", ".."}));
    EXPECT_TRUE(zip->FSpecArgs().isEmpty());
}

TEST_F(ArchiveComponentTest, ExtractFillsTheUnzipRecordInTheBaseFolder) {
    const QString base = sandbox.path("extract");
    QDir().mkpath(base);
    UnzipExecParams seen{};
    std::vector<std::string> specs;
    QString folderDuringCall;
    g_unzExec = [&](UnzipExecParams* p) {
        seen = *p;
        for (int i = 0; i < p->specCount; ++i) {
            specs.emplace_back(p->specs[i]);
        }
        folderDuringCall = QDir::currentPath();
        EXPECT_TRUE(zip->unzipBusy());
        return 4;
    };
    zip->ExtrBaseDir = base + "/";
    zip->ExtrOptions = {td::ExtrDirNames, td::ExtrOverWrite, td::ExtrFreshen, td::ExtrUpdate};
    zip->Verbose = true;
    zip->FSpecArgs() << "*.ttf";
    zip->Extract();
    EXPECT_EQ(g_unzCalls, 1);
    EXPECT_EQ(seen.window, 0);
    EXPECT_EQ(seen.caller, zip.get());
    EXPECT_EQ(seen.version, 120);
    EXPECT_EQ(seen.callback, &TZipArchive::ArchiveCallback);
    EXPECT_EQ(seen.trace, 0);
    EXPECT_EQ(seen.option20, 0);
    EXPECT_EQ(seen.option24, 0);
    EXPECT_EQ(seen.option32, 0);
    EXPECT_EQ(seen.option36, 0);
    EXPECT_EQ(seen.option40, -1);
    EXPECT_EQ(seen.verbose, -1);
    EXPECT_EQ(seen.update, -1);
    EXPECT_EQ(seen.freshen, 0);  // update wins
    EXPECT_EQ(seen.dirNames, -1);
    EXPECT_EQ(seen.overwrite, -1);
    EXPECT_EQ(seen.specCount, 1);
    EXPECT_EQ(seen.option72, 7);
    EXPECT_EQ(specs, std::vector<std::string>{"*.ttf"});
    EXPECT_EQ(QDir(folderDuringCall).canonicalPath(), QDir(base).canonicalPath());
    EXPECT_EQ(zip->SuccessCount(), 4);
    EXPECT_TRUE(zip->FSpecArgs().isEmpty());
    EXPECT_FALSE(zip->unzipBusy());
    EXPECT_EQ(loader.live, 0);

    // Freshen alone passes freshen; a missing base folder leaves the current folder alone;
    // neither an empty list nor an empty name stops an extraction.
    QDir::setCurrent(savedFolder);
    zip->ExtrBaseDir = sandbox.path("missing");
    zip->ExtrOptions = {td::ExtrFreshen};
    zip->Verbose = false;
    zip->Trace = true;
    expectBoxes(1);  // "UNZ DLL Loaded"
    zip->Extract();
    EXPECT_EQ(g_unzCalls, 2);
    EXPECT_EQ(seen.freshen, -1);
    EXPECT_EQ(seen.update, 0);
    EXPECT_EQ(seen.verbose, -1);
    EXPECT_EQ(seen.trace, -1);
    EXPECT_EQ(seen.specCount, 0);
    EXPECT_EQ(folderDuringCall, savedFolder);
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"UNZ DLL Loaded"}));
}

TEST_F(ArchiveComponentTest, RefusalsShowTheirMessageAndCallNothing) {
    expectBoxes(7);
    zip->Add();  // no specifications
    zip->FSpecArgs() << "a.ttf";
    zip->Add();  // no archive name
    zip->setZipFilename(sandbox.path("fonts.zip.ExE"));
    zip->Add();
    zip->FSpecArgs().clear();
    zip->Delete();
    zip->FSpecArgs() << "a.ttf";
    zip->setZipFilename(sandbox.path("missing.zip"));
    zip->Delete();
    zip->setZipFilename(sandbox.path("fonts.EXE"));
    sandbox.writeFile("fonts.EXE", ziptest::endRecord());
    zip->Delete();
    zip->setZipFilename(QString());
    zip->Delete();
    EXPECT_EQ(
        dialogs.boxTexts(),
        QStringList({"Error - no files to zip", "Error - no zip file specified",
                     "Error - this pgm can NOT add files to a self-extracting archive",
                     "Error - no files selected for deletion", "Error - no zip file specified",
                     "Error - this pgm can NOT delete files from a self-extracting archive",
                     "Error - no zip file specified"}));
    for (const auto& box : dialogs.boxes()) {
        EXPECT_EQ(box.buttons, td::BoxButtons::Ok);
    }
    EXPECT_EQ(g_zipCalls, 0);
    EXPECT_EQ(loader.loads, 0);
    // A refused operation keeps its specifications.
    EXPECT_EQ(zip->FSpecArgs(), QStringList({"a.ttf"}));
    EXPECT_FALSE(zip->zipBusy());
}

TEST_F(ArchiveComponentTest, AMissingLibraryEndsTheOperationAndKeepsItsBusyMark) {
    loader.libraries.clear();
    zip->setZipFilename(newArchive());
    expectBoxes(2);
    zip->FSpecArgs() << "a.ttf";
    zip->Add();
    zip->Extract();
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"ZIPDLL.DLL not found", "UNZDLL.DLL not found"}));
    EXPECT_TRUE(zip->zipBusy());
    EXPECT_TRUE(zip->unzipBusy());
    // Later operations of this component stop without a word.
    zip->FSpecArgs() << "b.ttf";
    zip->Add();
    sandbox.writeFile("new.zip", ziptest::localEntry({.name = "a.ttf"}) + ziptest::endRecord());
    zip->Delete();
    zip->Extract();
    EXPECT_EQ(dialogs.boxes().size(), 2u);
    EXPECT_EQ(g_zipCalls + g_unzCalls, 0);
}

TEST_F(ArchiveComponentTest, MissingExportsAreNamedAtLoadAndEndTheCallAsAFatalError) {
    loader.libraries[QStringLiteral("ZIPDLL.DLL")].erase("ZipDllExec");
    loader.libraries[QStringLiteral("UNZDLL.DLL")].erase("GetUnzDllVersion");
    expectBoxes(2);
    zip->LoadZipLibrary();
    zip->LoadUnzipLibrary();
    EXPECT_EQ(dialogs.boxTexts(),
              QStringList({"ZipDllExec function not found in ZIPDLL.DLL",
                           "GetUnzDllVersion function not found in UNZDLL.DLL"}));
    EXPECT_TRUE(TZipArchive::zipLibraryLoaded());
    EXPECT_TRUE(TZipArchive::unzipLibraryLoaded());

    dialogs.clear();
    expectBoxes(1);
    zip->setZipFilename(newArchive());
    zip->FSpecArgs() << "a.ttf";
    zip->Add();
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Fatal DLL Error: abort exception"}));
    EXPECT_TRUE(zip->FSpecArgs().isEmpty());
    EXPECT_FALSE(zip->zipBusy());
    // The library was loaded before the call, so it stays.
    EXPECT_TRUE(TZipArchive::zipLibraryLoaded());

    // Extract's own export is there: the missing version export does not matter.
    zip->Extract();
    EXPECT_EQ(g_unzCalls, 1);

    loader.libraries[QStringLiteral("ZIPDLL.DLL")] = {{"ZipDllExec", address(&fakeZipExec)}};
    loader.libraries[QStringLiteral("UNZDLL.DLL")] = {{"GetUnzDllVersion", address(&fakeVersion)}};
    dialogs.clear();
    expectBoxes(2);
    zip->LoadZipLibrary();
    zip->LoadUnzipLibrary();
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"GetZipDllVersion function not found in ZIPDLL.DLL",
                                               "UnzDllExec function not found in UNZDLL.DLL"}));
    // Loading again replaced the earlier copies.
    EXPECT_EQ(loader.live, 2);
}

TEST_F(ArchiveComponentTest, TraceAnnouncesEachLoad) {
    zip->Trace = true;
    expectBoxes(2);
    zip->LoadZipLibrary();
    zip->LoadUnzipLibrary();
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"ZIP DLL Loaded", "UNZ DLL Loaded"}));
    TZipArchive::UnloadZipLibrary();
    TZipArchive::UnloadUnzipLibrary();
    EXPECT_EQ(loader.live, 0);
    // Unloading what is not loaded does nothing.
    TZipArchive::UnloadZipLibrary();
    EXPECT_FALSE(TZipArchive::zipLibraryLoaded());
}

TEST_F(ArchiveComponentTest, AThrowingLibraryIsAFatalErrorWithTheUsualCleanUp) {
    const QString path = sandbox.writeFile(
        "fonts.zip", ziptest::localEntry({.name = "a.ttf"}) + ziptest::endRecord());
    int dirUpdates = 0;
    zip->OnDirUpdate = [&](QObject*) { ++dirUpdates; };
    zip->setZipFilename(path);
    g_zipExec = [](ZipExecParams*) { return 3; };
    zip->FSpecArgs() << "b.ttf";
    zip->Add();
    EXPECT_EQ(zip->SuccessCount(), 3);
    EXPECT_EQ(dirUpdates, 2);  // a result above 0 re-reads the archive

    g_zipExec = [](ZipExecParams*) -> int32_t { throw std::runtime_error("boom"); };
    expectBoxes(1);
    zip->FSpecArgs() << "c.ttf";
    zip->Add();
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Fatal DLL Error: abort exception"}));
    EXPECT_EQ(zip->SuccessCount(), 3);  // kept from the last call that returned
    EXPECT_TRUE(zip->FSpecArgs().isEmpty());
    EXPECT_FALSE(zip->zipBusy());
    EXPECT_EQ(loader.live, 0);
    EXPECT_EQ(dirUpdates, 3);

    // A result of 0 leaves the contents as they were read.
    g_zipExec = [](ZipExecParams*) { return 0; };
    sandbox.writeFile("fonts.zip", ziptest::localEntry({.name = "x.ttf"}) +
                                       ziptest::localEntry({.name = "y.ttf"}) +
                                       ziptest::endRecord());
    zip->FSpecArgs() << "a.ttf";
    zip->Delete();
    EXPECT_EQ(zip->SuccessCount(), 0);
    ASSERT_EQ(zip->Count(), 1);
    EXPECT_EQ(zip->Contents()[0].FileName, QStringLiteral("a.ttf"));
    EXPECT_EQ(dirUpdates, 3);
}

TEST_F(ArchiveComponentTest, ASecondAddDuringACallIsIgnored) {
    zip->setZipFilename(newArchive());
    sandbox.writeFile("new.zip", ziptest::endRecord());
    g_zipExec = [&](ZipExecParams*) {
        zip->FSpecArgs() << "again.ttf";
        zip->Add();
        zip->Delete();
        return 0;
    };
    zip->FSpecArgs() << "a.ttf";
    zip->Add();
    EXPECT_EQ(g_zipCalls, 1);
    EXPECT_TRUE(dialogs.boxes().empty());
    EXPECT_FALSE(zip->zipBusy());
}

TEST_F(ArchiveComponentTest, OverLongNamesAndTooManySpecificationsAreRefused) {
    zip->LoadZipLibrary();
    std::unique_ptr<SeenZip> seen;
    g_zipExec = [&](ZipExecParams* p) {
        seen = seeZip(p);
        return 0;
    };
    // 255 bytes is the longest archive path and specification a buffer holds.
    const QString base = sandbox.path("");
    const QString longest = base + QString(255 - base.size(), QLatin1Char('n'));
    ASSERT_EQ(longest.size(), 255);
    const QString spec255(255, QLatin1Char('s'));
    zip->setZipFilename(longest);
    zip->FSpecArgs() << spec255;
    zip->Add();
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->archive.size(), 255u);
    EXPECT_EQ(seen->specs, std::vector<std::string>{spec255.toStdString()});

    seen.reset();
    expectBoxes(3);
    zip->FSpecArgs() << spec255 + "s";
    zip->Add();
    EXPECT_TRUE(zip->FSpecArgs().isEmpty());
    zip->setZipFilename(longest + "n");
    zip->FSpecArgs() << "a.ttf";
    zip->Add();
    zip->setZipFilename(newArchive());
    for (int i = 0; i < td::kMaxFileSpecs + 1; ++i) {
        zip->FSpecArgs() << QStringLiteral("f%1.ttf").arg(i);
    }
    zip->Add();
    EXPECT_FALSE(seen);
    const QStringList texts = dialogs.boxTexts();
    ASSERT_EQ(texts.size(), 3);
    EXPECT_TRUE(texts[0].startsWith("Error - file name longer than 255 characters"))
        << texts[0].toStdString();
    EXPECT_TRUE(texts[1].startsWith("Error - zip file name longer than 255 characters"))
        << texts[1].toStdString();
    EXPECT_TRUE(texts[2].startsWith("Error - too many files")) << texts[2].toStdString();
    EXPECT_FALSE(zip->zipBusy());

    // Exactly the most slots there are is fine.
    for (int i = 0; i < td::kMaxFileSpecs; ++i) {
        zip->FSpecArgs() << QStringLiteral("f%1.ttf").arg(i);
    }
    zip->Add();
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->params.specCount, td::kMaxFileSpecs);
    EXPECT_EQ(seen->specs.back(), "f4096.ttf");
}

TEST_F(ArchiveComponentTest, CallbackReportsProgressAndMessagesAndAnswersCancel) {
    struct Progress {
        td::ProgressType type;
        QString name;
        int32_t size;
    };
    std::vector<Progress> progress;
    std::vector<std::pair<int32_t, QString>> messages;
    int pumps = 0;
    zip->OnProgress = [&](QObject* sender, td::ProgressType type, const QString& name,
                          int32_t size) {
        EXPECT_EQ(sender, zip.get());
        progress.push_back({type, name, size});
        if (name == "stop.ttf") {
            zip->Cancel = true;
        }
    };
    zip->OnMessage = [&](QObject* sender, int32_t code, const QString& text) {
        EXPECT_EQ(sender, zip.get());
        messages.emplace_back(code, text);
    };
    zip->setBusyPump([&] { ++pumps; });
    std::vector<int32_t> answers;
    g_zipExec = [&](ZipExecParams* p) {
        answers.push_back(sendRecord(p->caller, p->callback, 1, 0, 1234, "a.ttf"));
        answers.push_back(sendRecord(p->caller, p->callback, 2, 0, 0, "ignored"));
        answers.push_back(sendRecord(p->caller, p->callback, 3, 0, 0, "ignored"));
        answers.push_back(sendRecord(p->caller, p->callback, 4, 7, 0, "disk full\r\n"));
        answers.push_back(sendRecord(p->caller, p->callback, 1, 0, 5, "stop.ttf"));
        answers.push_back(sendRecord(p->caller, p->callback, 4, 0, 0, "after"));
        return 0;
    };
    zip->setZipFilename(newArchive());
    zip->FSpecArgs() << "a.ttf";
    zip->Add();
    ASSERT_EQ(progress.size(), 4u);
    EXPECT_EQ(progress[0].type, td::NewFile);
    EXPECT_EQ(progress[0].name, "a.ttf");
    EXPECT_EQ(progress[0].size, 1234);
    EXPECT_EQ(progress[1].type, td::ProgressUpdate);
    EXPECT_EQ(progress[1].name, " ");
    EXPECT_EQ(progress[2].type, td::EndOfBatch);
    EXPECT_EQ(progress[2].name, " ");
    EXPECT_EQ(progress[3].name, "stop.ttf");
    EXPECT_EQ(messages, (std::vector<std::pair<int32_t, QString>>{{7, "disk full"}, {0, "after"}}));
    EXPECT_EQ(answers, (std::vector<int32_t>{0, 0, 0, 0, -1, -1}));
    EXPECT_EQ(pumps, 6);
    EXPECT_FALSE(zip->Cancel);  // cleared at the end

    // Line ends: a last CR or LF goes; a CR or LF just before the last character goes with
    // everything after it.
    const std::pair<const char*, const char*> trims[] = {
        {"abc\r\n", "abc"}, {"abc\n", "abc"}, {"abc\nx", "abc"},        {"\n", ""},
        {"\r\n", ""},       {"a", "a"},       {"ab\r\ncd", "ab\r\ncd"}, {"", ""}};
    for (const auto& [in, out] : trims) {
        messages.clear();
        sendRecord(zip.get(), &TZipArchive::ArchiveCallback, 4, 1, 0, in);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].second, QString::fromLatin1(out)) << in;
    }

    // A record that is not from one of the components asks the library to stop.
    int stranger = 0;
    EXPECT_EQ(sendRecord(&stranger, &TZipArchive::ArchiveCallback, 1, 0, 0, "x"), -1);
    EXPECT_EQ(TZipArchive::ArchiveCallback(nullptr), -1);
}

TEST_F(ArchiveComponentTest, AnExceptionInAHandlerStopsTheLibraryAndIsAFatalError) {
    zip->OnProgress = [](QObject*, td::ProgressType, const QString&, int32_t) {
        throw std::runtime_error("handler failed");
    };
    int32_t answer = 0;
    g_zipExec = [&](ZipExecParams* p) {
        answer = sendRecord(p->caller, p->callback, 1, 0, 1, "a.ttf");
        return 1;
    };
    zip->setZipFilename(newArchive());
    zip->FSpecArgs() << "a.ttf";
    expectBoxes(1);
    zip->Add();
    EXPECT_EQ(answer, -1);
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Fatal DLL Error: abort exception"}));
    EXPECT_EQ(zip->SuccessCount(), 0);
    EXPECT_FALSE(zip->zipBusy());
}
