#pragma once

#include <QString>
#include <memory>

#include "platform/drives.h"
#include "platform/fontskey.h"
#include "platform/fonttable.h"
#include "platform/library.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/shell.h"
#include "platform/tempfiles.h"
#include "platform/windowset.h"
#include "sandbox.h"
#include "scripted_dialogs.h"

namespace tdtest {

// The services of a run for window tests: scripted dialogs, settings and profile files in
// memory, sandboxed temporary names, a shell that only records, drives the test sets, a real
// font table and a Fonts key on desktop fonts in memory (`systemFonts`). The library loader and
// the window set are the test's own; it points `services.libraries` and `services.windows` at
// them.
struct FakeServiceSet {
    FakeServiceSet();
    FakeServiceSet(const FakeServiceSet&) = delete;
    FakeServiceSet& operator=(const FakeServiceSet&) = delete;

    // The program's settings key, created when missing.
    std::unique_ptr<td::RegistryKey> settingsKey();
    // A browser in the settings, so that the first show asks nothing.
    void presetBrowser(const QString& browser = QStringLiteral("/usr/bin/web-browser"));

    ScriptedDialogs dialogs;
    td::MemoryRegistry registry;
    td::MemoryProfileFiles profiles;
    td::SystemTempFiles tempFiles;
    td::RecordingShell shell;
    td::FakeDrives drives;
    td::QtFontTable fonts;
    td::FakeSystemFonts systemFonts;
    td::Services services;
};

// A run of the main role in the sandbox: the archive libraries beside the program, a window set
// for the test to fill, the sandbox root as the one ready drive and a preset browser. The
// windows go before the services, and the current folder comes back at the end.
class MainRoleTest : public SandboxTest, protected FakeServiceSet {
  protected:
    MainRoleTest();
    ~MainRoleTest() override;

    td::DlLibraryLoader libraries;
    std::unique_ptr<td::WindowSet> windows = std::make_unique<td::WindowSet>();
    QString savedFolder;
};

}  // namespace tdtest
