#include "app/settings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "platform/error.h"
#include "platform/fontfilerule.h"
#include "platform/registry.h"

namespace td {

std::int32_t SettingSpec::clamp(std::int32_t value) const {
    if (type != SettingType::Integer) {
        return value;
    }
    return std::clamp(value, minimum, maximum);
}

SettingValue defaultSetting(const SettingSpec& spec) {
    SettingValue value;
    value.number = spec.defaultNumber;
    value.text = QString::fromLatin1(spec.defaultText);
    return value;
}

SettingValue readSetting(const RegistryKey& key, const SettingSpec& spec) {
    const QString name = QString::fromLatin1(spec.name);
    SettingValue value = defaultSetting(spec);
    // A value stored with the wrong type (edited by hand, say) counts as missing, so one bad
    // value does not stop the other options from loading.
    switch (spec.type) {
        case SettingType::String:
            if (key.valueType(name) == ValueType::String) {
                value.text = key.readString(name);
            }
            break;
        case SettingType::Integer:
            if (key.valueType(name) == ValueType::DWord) {
                value.number = spec.clamp(key.readInteger(name));
            }
            break;
        case SettingType::Boolean:
            if (key.valueType(name) == ValueType::DWord) {
                value.number = key.readBool(name) ? 1 : 0;
            }
            break;
    }
    return value;
}

void writeSetting(RegistryKey& key, const SettingSpec& spec, const SettingValue& value) {
    const QString name = QString::fromLatin1(spec.name);
    switch (spec.type) {
        case SettingType::String:
            key.writeString(name, value.text);
            break;
        case SettingType::Integer:
            key.writeInteger(name, value.number);
            break;
        case SettingType::Boolean:
            key.writeBool(name, value.number != 0);
            break;
    }
}

std::unique_ptr<RegistryKey> openSettingsKeyForWriting(Registry& registry) {
    if (auto software =
            registry.openKey(RootKey::LocalMachine, QString::fromLatin1(kSoftwareKey), true)) {
        software->createKey(QString::fromLatin1(kSettingsSubkey));
    }
    return registry.openKey(RootKey::LocalMachine, QString::fromLatin1(kSettingsKey), true);
}

int maximumFontsPerFile(std::int64_t budget, int sampleWidth, int rowHeight, ImageType type) {
    const std::int64_t pixels = std::int64_t{sampleWidth} * rowHeight;
    if (pixels <= 0 || budget <= 0) {
        return 1;
    }
    const std::int64_t factor = type == ImageType::Jpeg ? 1 : 8;
    const std::int64_t fonts = factor * budget / pixels;
    return static_cast<int>(std::clamp<std::int64_t>(fonts, 1, INT32_MAX));
}

QString programOfCommandLine(const QString& commandLine) {
    const qsizetype blank = commandLine.indexOf(QLatin1Char(' '));
    QString program = blank < 0 ? commandLine : commandLine.left(blank);
    program.remove(QLatin1Char('"'));
    return program;
}

namespace {

// The default value of a key, or empty when the key or the value is missing.
QString defaultValueOf(Registry& registry, RootKey root, const QString& path) {
    const auto key = registry.openKey(root, path, false);
    if (key == nullptr || key->valueType(QString()) != ValueType::String) {
        return {};
    }
    return key->readString(QString());
}

}  // namespace

QString FindDefaultBrowser(Registry& registry) {
    const QString fileType =
        defaultValueOf(registry, RootKey::ClassesRoot, QStringLiteral("\\.htm"));
    const QString command =
        defaultValueOf(registry, RootKey::ClassesRoot,
                       QStringLiteral("\\") + fileType + QStringLiteral("\\shell\\open\\command"));
    return programOfCommandLine(command);
}

QString GetFontsFolder(Registry& registry) {
    const auto key = registry.openKey(
        RootKey::CurrentUser,
        QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
        false);
    if (key == nullptr || key->valueType(QStringLiteral("Fonts")) != ValueType::String) {
        return {};
    }
    return key->readString(QStringLiteral("Fonts"));
}

QString withTrailingSeparator(const QString& path) {
    if (path.isEmpty() || path.endsWith(QLatin1Char('/'))) {
        return path;
    }
    return path + QLatin1Char('/');
}

int deleteTemporaryFonts(const QString& folder) {
    if (folder.isEmpty()) {
        return 0;
    }
    // Archive entries stored with folders ("sub/c.ttf") are extracted into subfolders; links
    // are never followed, so nothing outside the folder is touched.
    QDirIterator walk(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                      QDirIterator::Subdirectories);
    QStringList subfolders;
    int deleted = 0;
    while (walk.hasNext()) {
        const QFileInfo file = walk.nextFileInfo();
        if (file.isDir() && !file.isSymLink()) {
            subfolders << file.filePath();
            continue;
        }
        // Every kind of font file goes, whatever the switch was when it was extracted.
        if (!isAnyFontFileName(file.fileName())) {
            continue;
        }
        // A read-only file goes as well (only the folder's rights count here); one that cannot
        // be deleted stays without a message. A link is removed, never what it points at.
        if (QFile::remove(file.filePath())) {
            ++deleted;
        }
    }
    // The folders the extraction made go once empty, the deepest first.
    std::sort(subfolders.begin(), subfolders.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& subfolder : std::as_const(subfolders)) {
        QDir().rmdir(subfolder);
    }
    return deleted;
}

}  // namespace td
