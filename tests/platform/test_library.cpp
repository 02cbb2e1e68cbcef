#include <gtest/gtest.h>

#include <dlfcn.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/library.h"
#include "sandbox.h"

#ifndef TD_SAMPLE_LIBRARY
#error "the build gives the path of the sample library"
#endif

namespace {

const QString kSample = QStringLiteral(TD_SAMPLE_LIBRARY);

// True while the file is mapped in this process.
bool isLoaded(const QString& path) {
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        return false;
    }
    dlclose(handle);
    return true;
}

class LibraryTest : public tdtest::SandboxTest {};

}  // namespace

TEST_F(LibraryTest, LoadsByNameFromTheGivenFolderAndBindsExports) {
    const QFileInfo sample(kSample);
    ASSERT_TRUE(sample.isFile()) << kSample.toStdString();
    td::DlLibraryLoader loader(sample.absolutePath());
    {
        auto library = loader.load(sample.fileName());
        ASSERT_TRUE(library) << loader.lastError().toStdString();
        EXPECT_EQ(library->path(), sample.absoluteFilePath());
        auto answer = reinterpret_cast<int (*)()>(library->resolve("td_sample_answer"));
        ASSERT_NE(answer, nullptr);
        EXPECT_EQ(answer(), 42);
        auto next = reinterpret_cast<int (*)()>(library->resolve("td_sample_next"));
        ASSERT_NE(next, nullptr);
        EXPECT_EQ(next(), 1);
        EXPECT_EQ(next(), 2);
        EXPECT_EQ(library->resolve("td_sample_missing"), nullptr);
        EXPECT_TRUE(isLoaded(sample.absoluteFilePath()));
    }
    // Unloading really let go of it: a new load starts with fresh state.
    EXPECT_FALSE(isLoaded(sample.absoluteFilePath()));
    auto again = loader.load(sample.fileName());
    ASSERT_TRUE(again);
    EXPECT_EQ(reinterpret_cast<int (*)()>(again->resolve("td_sample_next"))(), 1);
}

TEST_F(LibraryTest, TheExecutableFolderComesBeforeTheSearchPath) {
    // A copy under the same name in another folder is the one that is loaded from there.
    const QString folder = sandbox.path(QStringLiteral("programdir"));
    QDir().mkpath(folder);
    const QString copy = folder + QLatin1Char('/') + QFileInfo(kSample).fileName();
    ASSERT_TRUE(QFile::copy(kSample, copy));
    td::DlLibraryLoader loader(folder);
    auto library = loader.load(QFileInfo(kSample).fileName());
    ASSERT_TRUE(library);
    EXPECT_EQ(library->path(), copy);
    // A full path is taken as it is.
    auto direct = loader.load(kSample);
    ASSERT_TRUE(direct);
    EXPECT_EQ(direct->path(), kSample);
}

TEST_F(LibraryTest, MissingAndBrokenLibrariesGiveNothing) {
    td::DlLibraryLoader loader(sandbox.root());
    EXPECT_FALSE(loader.load(QStringLiteral("NOSUCH.DLL")));
    EXPECT_FALSE(loader.lastError().isEmpty());
    EXPECT_FALSE(loader.load(sandbox.path(QStringLiteral("missing/ZIPDLL.DLL"))));
    // A file that is not a library at all.
    sandbox.writeFile(QStringLiteral("BROKEN.DLL"), "this is not a shared object");
    EXPECT_FALSE(loader.load(QStringLiteral("BROKEN.DLL")));
    EXPECT_FALSE(loader.lastError().isEmpty());
    // A truncated copy of a real one.
    QFile sample(kSample);
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    sandbox.writeFile(QStringLiteral("CUT.DLL"), sample.read(200));
    EXPECT_FALSE(loader.load(QStringLiteral("CUT.DLL")));
}
