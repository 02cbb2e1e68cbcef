#include "fake_services.h"

#include <QDir>

namespace tdtest {

FakeServiceSet::FakeServiceSet() {
    services.dialogs = &dialogs;
    services.registry = &registry;
    services.profiles = &profiles;
    services.tempFiles = &tempFiles;
    services.shell = &shell;
    services.drives = &drives;
    services.fonts = &fonts;
    td::installFontsKey(registry, systemFonts);
}

std::unique_ptr<td::RegistryKey> FakeServiceSet::settingsKey() {
    return registry.openKey(td::RootKey::LocalMachine,
                            QStringLiteral("\\SOFTWARE\\Kestro TypeDeck"), true);
}

void FakeServiceSet::presetBrowser(const QString& browser) {
    settingsKey()->writeString(QStringLiteral("Browser"), browser);
}

MainRoleTest::MainRoleTest() : libraries(buildDir()), savedFolder(QDir::currentPath()) {
    services.libraries = &libraries;
    services.windows = windows.get();
    drives.setDrives({{sandbox.root(), td::DriveType::Fixed}});
    drives.setReady({sandbox.root()});
    presetBrowser();
}

MainRoleTest::~MainRoleTest() {
    windows.reset();
    QDir::setCurrent(savedFolder);
}

}  // namespace tdtest
