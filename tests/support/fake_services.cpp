#include "fake_services.h"

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

}  // namespace tdtest
