#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>

namespace td {

class Registry;
class RegistryKey;

// Where the options and the window placement are kept.
inline constexpr const char* kSettingsKey = "\\SOFTWARE\\Kestro TypeDeck";
inline constexpr const char* kSoftwareKey = "\\SOFTWARE";
inline constexpr const char* kSettingsSubkey = "Kestro TypeDeck";

enum class SettingType { Integer, Boolean, String };

// One stored option: its value name, how it is stored, what it is when absent, and the range
// its control accepts. Loading, saving and clamping all read this one description.
struct SettingSpec {
    const char* name;
    SettingType type;
    std::int32_t defaultNumber;  // Integer and Boolean (0 or 1)
    const char* defaultText;     // String
    std::int32_t minimum;
    std::int32_t maximum;
    std::int32_t step;

    // The value brought into the range (strings and booleans pass unchanged).
    std::int32_t clamp(std::int32_t value) const;
};

namespace setting {
inline constexpr SettingSpec NrFile{"NrFile", SettingType::Integer, 0, "", 0, 1, 1};
inline constexpr SettingSpec Image{"Image", SettingType::Integer, 0, "", 0, 2, 1};
inline constexpr SettingSpec AutoRefresh{"AutoRefresh", SettingType::Boolean, 1, "", 0, 1, 1};
inline constexpr SettingSpec Sizeofcharacters{
    "Sizeofcharacters", SettingType::Integer, 9, "", 6, 100, 1};
inline constexpr SettingSpec Sizeofbasefont{
    "Sizeofbasefont", SettingType::Integer, 8, "", 2, 100, 1};
inline constexpr SettingSpec Colors{"Colors", SettingType::Integer, 1, "", 0, 5, 1};
inline constexpr SettingSpec DIMFILE{"DIMFILE", SettingType::Integer, 1000000, "", 0, INT32_MAX, 1};
inline constexpr SettingSpec Sampletext{
    "Sampletext", SettingType::String, 0, "abcdef ABCDEF 1234567890", 0, 0, 0};
inline constexpr SettingSpec Basefont{"Basefont", SettingType::String, 0, "Arial", 0, 0, 0};
inline constexpr SettingSpec charsize{"charsize", SettingType::Integer, 30, "", 6, 100, 1};
inline constexpr SettingSpec savedsize{"savedsize", SettingType::Integer, 500, "", 50, 2000, 10};
inline constexpr SettingSpec Quality{"Quality", SettingType::Integer, 50, "", 10, 100, 1};
inline constexpr SettingSpec Browser{"Browser", SettingType::String, 0, "", 0, 0, 0};
inline constexpr SettingSpec Dfontdir{"Dfontdir", SettingType::String, 0, "", 0, 0, 0};
inline constexpr SettingSpec Basedir{"Basedir", SettingType::String, 0, "", 0, 0, 0};
// "TrueType files only (.ttf)": on, only ".ttf" names are font files.
inline constexpr SettingSpec TrueTypeOnly{"TrueTypeOnly", SettingType::Boolean, 0, "", 0, 1, 1};
inline constexpr SettingSpec Height{"Height", SettingType::Integer, 420, "", 0, INT32_MAX, 1};
inline constexpr SettingSpec Width{"Width", SettingType::Integer, 580, "", 0, INT32_MAX, 1};
inline constexpr SettingSpec Left{"Left", SettingType::Integer, 30, "", INT32_MIN, INT32_MAX, 1};
inline constexpr SettingSpec Top{"Top", SettingType::Integer, 30, "", INT32_MIN, INT32_MAX, 1};
}  // namespace setting

// The options in the order they are loaded (DIMFILE among them, which is never written).
inline constexpr std::array<const SettingSpec*, 16> kLoadedOptions{
    &setting::NrFile,         &setting::Image,    &setting::AutoRefresh, &setting::Sizeofcharacters,
    &setting::Sizeofbasefont, &setting::Colors,   &setting::DIMFILE,     &setting::Sampletext,
    &setting::Basefont,       &setting::charsize, &setting::savedsize,   &setting::Quality,
    &setting::Browser,        &setting::Dfontdir, &setting::Basedir,     &setting::TrueTypeOnly};

// The options in the order they are written.
inline constexpr std::array<const SettingSpec*, 15> kSavedOptions{
    &setting::NrFile,           &setting::Image,          &setting::AutoRefresh,
    &setting::Sizeofcharacters, &setting::Sizeofbasefont, &setting::Colors,
    &setting::Sampletext,       &setting::Basefont,       &setting::charsize,
    &setting::savedsize,        &setting::Quality,        &setting::Browser,
    &setting::Dfontdir,         &setting::Basedir,        &setting::TrueTypeOnly};

// The window placement, in the order it is written.
inline constexpr std::array<const SettingSpec*, 4> kPlacement{&setting::Height, &setting::Width,
                                                              &setting::Left, &setting::Top};

// A value as it travels between the store and a control.
struct SettingValue {
    std::int32_t number = 0;
    QString text;
};

// The setting's value under `key`, or its default when the value is missing or stored with a
// type the setting does not have. Numbers come back clamped to the range.
SettingValue readSetting(const RegistryKey& key, const SettingSpec& spec);
// Stores the value as the setting's type (booleans as 0 or 1).
void writeSetting(RegistryKey& key, const SettingSpec& spec, const SettingValue& value);
// The default of a setting.
SettingValue defaultSetting(const SettingSpec& spec);

// Opens the settings key, creating "\SOFTWARE" and its subkey as needed; null when the key
// cannot be opened or created (no right to write the machine's store, for instance).
std::unique_ptr<RegistryKey> openSettingsKeyForWriting(Registry& registry);

// The image types of "Type of image file".
enum class ImageType { Jpeg = 0, Bmp = 1, Gif = 2 };

// The largest number of fonts one exported image may hold: the pixel budget over the pixels
// of one sample (eight times as many for BMP and GIF). Never below 1, because the export
// divides the fonts by it.
int maximumFontsPerFile(std::int64_t budget, int sampleWidth, int rowHeight, ImageType type);

// The program in a command line: the characters up to the first blank, with every double
// quote left out.
QString programOfCommandLine(const QString& commandLine);

// The program registered to open ".htm" files, or empty.
QString FindDefaultBrowser(Registry& registry);
// The user's fonts folder as the desktop names it, or empty.
QString GetFontsFolder(Registry& registry);

// A folder path with one trailing separator, unless it is empty.
QString withTrailingSeparator(const QString& path);

// Deletes every font file (".ttf", ".otf", ".ttc", ".otc", in any case) inside `folder` at any
// depth (hidden and read-only files too), then every subfolder left empty; other files and the
// folder itself stay. Returns how many files went.
int deleteTemporaryFonts(const QString& folder);

}  // namespace td
