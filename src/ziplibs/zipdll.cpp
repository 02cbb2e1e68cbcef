// ZIPDLL.DLL: adds files to an archive and deletes entries from it, on libzip.
//
// An archive is only ever replaced whole: libzip writes the changed archive to a temporary
// file beside it and renames that over the old one when it is complete. A failure or a stop
// asked for by the caller discards the changes, so the archive stays as it was, and the call
// answers 0. An archive left without entries by a deletion is removed (libzip does not write
// an empty archive), so listing it afterwards finds no file rather than an empty one.
//
// Names are stored as given; the DOS-name flag of the record is not used.

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>
#include <zip.h>

#include <algorithm>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ziplibs/dllcommon.h"

using namespace tdzip;

namespace {

struct Candidate {
    std::string path;   // the file, as the caller named it (relative to the current folder)
    std::string entry;  // the name it gets in the archive
    struct stat info;
};

struct AddSettings {
    bool junkDirNames = true;
    bool recurse = false;
    bool hidden = false;
};

bool hasWildcard(const std::string& spec) {
    return spec.find_first_of("*?[") != std::string::npos;
}

// The stored name of a file: without its folder when asked, else its relative path without a
// leading '/', "." or ".." part, so an entry can never point outside the folder it is
// extracted into.
std::string entryName(const std::string& path, bool junkDirNames) {
    if (junkDirNames) {
        return baseName(path);
    }
    std::string result;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        const std::string part = path.substr(start, end - start);
        if (!part.empty() && part != "." && part != "..") {
            if (!result.empty()) {
                result += '/';
            }
            result += part;
        }
        start = end + 1;
    }
    return result;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder == ".") {
        return name;
    }
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

void addCandidate(const std::string& path, const struct stat& info, const AddSettings& settings,
                  std::vector<Candidate>& out) {
    Candidate c;
    c.path = path;
    c.entry = entryName(path, settings.junkDirNames);
    c.info = info;
    if (!c.entry.empty()) {
        out.push_back(std::move(c));
    }
}

// The files of `folder` whose names match `pattern`; with recursion also those of its
// subfolders. Links to folders are not followed, so a loop of links cannot trap the walk.
void collectFolder(const std::string& folder, const std::string& pattern,
                   const AddSettings& settings, std::vector<Candidate>& out, int depth = 0) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) {
        return;
    }
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        names.emplace_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (name == "." || name == "..") {
            continue;
        }
        if (name[0] == '.' && !settings.hidden) {
            continue;
        }
        const std::string path = joinPath(folder, name);
        struct stat info;
        if (lstat(path.c_str(), &info) != 0) {
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            if (settings.recurse && depth < 64) {
                collectFolder(path, pattern, settings, out, depth + 1);
            }
            continue;
        }
        if (S_ISLNK(info.st_mode) && (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))) {
            continue;
        }
        if (S_ISREG(info.st_mode) &&
            fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD | FNM_NOESCAPE) == 0) {
            addCandidate(path, info, settings, out);
        }
    }
}

void expandSpec(const std::string& spec, const AddSettings& settings, std::vector<Candidate>& out,
                Reporter& reporter) {
    const size_t before = out.size();
    // A file of exactly that name is the file meant, even when its name holds wildcard
    // characters ("font[1].ttf" must not add "font1.ttf" instead).
    struct stat info;
    if (stat(spec.c_str(), &info) == 0) {
        if (S_ISREG(info.st_mode)) {
            addCandidate(spec, info, settings, out);
        } else if (S_ISDIR(info.st_mode) && settings.recurse) {
            collectFolder(spec, "*", settings, out);
        }
    } else if (hasWildcard(spec)) {
        const auto slash = spec.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : spec.substr(0, slash + 1);
        const std::string pattern = slash == std::string::npos ? spec : spec.substr(slash + 1);
        collectFolder(folder == "./" ? "." : folder, pattern, settings, out);
    }
    if (out.size() == before) {
        reporter.message(kNothingMatched, "Nothing to add for " + spec);
    }
}

// Times in an archive are MS-DOS times with two-second steps.
bool newer(time_t candidate, time_t than) {
    return candidate > than + 1;
}

int32_t addFiles(zip_t* archive, const std::string& archivePath,
                 const std::vector<std::string>& specs, const td::ZipExecParams& params,
                 Reporter& reporter) {
    AddSettings settings;
    settings.junkDirNames = params.junkDirNames != td::kDllFalse;
    settings.recurse = params.recurse != td::kDllFalse;
    settings.hidden = params.addHiddenFiles != td::kDllFalse;
    const bool update = params.update != td::kDllFalse;
    const bool freshen = !update && params.freshen != td::kDllFalse;

    std::vector<Candidate> candidates;
    for (const std::string& spec : specs) {
        expandSpec(spec, settings, candidates, reporter);
        if (reporter.stopped()) {
            return -1;
        }
    }

    // The archive never takes itself in, and one name is stored once (the last file wins).
    struct stat self;
    const bool selfKnown = stat(archivePath.c_str(), &self) == 0;
    std::map<std::string, size_t> byEntry;
    std::vector<Candidate> unique;
    for (Candidate& c : candidates) {
        if (selfKnown && c.info.st_dev == self.st_dev && c.info.st_ino == self.st_ino) {
            continue;
        }
        auto [it, inserted] = byEntry.emplace(c.entry, unique.size());
        if (inserted) {
            unique.push_back(std::move(c));
        } else {
            unique[it->second] = std::move(c);
        }
    }

    const int level = std::clamp(params.level, 0, 9);
    int32_t added = 0;
    std::vector<std::string> moved;
    for (const Candidate& c : unique) {
        const zip_int64_t existing = zip_name_locate(archive, c.entry.c_str(), 0);
        zip_stat_t st;
        const bool known =
            existing >= 0 &&
            zip_stat_index(archive, static_cast<zip_uint64_t>(existing), 0, &st) == 0 &&
            (st.valid & ZIP_STAT_MTIME) != 0;
        if (freshen && (existing < 0 || (known && !newer(c.info.st_mtime, st.mtime)))) {
            continue;
        }
        if (update && existing >= 0 && known && !newer(c.info.st_mtime, st.mtime)) {
            continue;
        }
        if (reporter.file(c.entry, c.info.st_size)) {
            return -1;
        }
        zip_source_t* source = zip_source_file(archive, c.path.c_str(), 0, -1);
        if (source == nullptr) {
            reporter.message(kFileError, "Cannot read " + c.path + ": " + zip_strerror(archive));
            continue;
        }
        const zip_int64_t index =
            zip_file_add(archive, c.entry.c_str(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_GUESS);
        if (index < 0) {
            zip_source_free(source);
            reporter.message(kArchiveError, "Cannot add " + c.path + ": " + zip_strerror(archive));
            continue;
        }
        const auto i = static_cast<zip_uint64_t>(index);
        zip_set_file_compression(archive, i, level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                 static_cast<zip_uint32_t>(level));
        zip_file_set_mtime(archive, i, c.info.st_mtime, 0);
        // The file's mode, so that extracting tools recreate an ordinary file.
        const auto mode = static_cast<zip_uint32_t>((c.info.st_mode & 0777) | S_IFREG);
        zip_file_set_external_attributes(archive, i, 0, ZIP_OPSYS_UNIX, mode << 16);
        ++added;
        if (params.move != td::kDllFalse) {
            moved.push_back(c.path);
        }
    }
    if (added > 0 && params.zipTime != td::kDllFalse) {
        // Remembered now, set after the archive is written.
        time_t newest = 0;
        const zip_int64_t count = zip_get_num_entries(archive, 0);
        for (zip_int64_t i = 0; i < count; ++i) {
            zip_stat_t st;
            if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st) == 0 &&
                (st.valid & ZIP_STAT_MTIME) != 0) {
                newest = std::max(newest, st.mtime);
            }
        }
        for (const Candidate& c : unique) {
            newest = std::max(newest, c.info.st_mtime);
        }
        if (zip_close(archive) != 0) {
            return -2;
        }
        const utimbuf times{newest, newest};
        utime(archivePath.c_str(), &times);
    } else if (added > 0 && zip_close(archive) != 0) {
        return -2;
    }
    if (added == 0) {
        return -1;
    }
    for (const std::string& path : moved) {
        if (unlink(path.c_str()) != 0) {
            reporter.message(kFileError, "Cannot remove " + path + " after adding it");
        }
    }
    return added;
}

bool validUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t more = 0;
        uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - i <= more) {
            return false;
        }
        for (size_t k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and codes beyond U+10FFFF are not UTF-8.
        if ((more == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (more == 3 && (code < 0x10000 || code > 0x10FFFF))) {
            return false;
        }
        i += more + 1;
    }
    return true;
}

// A stored name as UTF-8 text: itself when it is valid UTF-8, else one character per byte
// (Latin-1), as the component shows it.
std::string asUtf8(const std::string& raw) {
    if (validUtf8(raw)) {
        return raw;
    }
    std::string text;
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (byte >> 6));
            text += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

int32_t deleteEntries(zip_t* archive, const std::vector<std::string>& specs, Reporter& reporter) {
    int32_t deleted = 0;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    // A specification names an entry: the one stored under exactly those bytes, else the one
    // whose name reads as that text (a Latin-1 name handed back as UTF-8). A name is never
    // also a pattern and never matches another case ("font[1].ttf" does not delete
    // "font1.ttf", "font.ttf" does not delete "Font.ttf"). Only a specification that names
    // no entry and holds a wildcard is a pattern.
    const auto entries = static_cast<size_t>(std::max<zip_int64_t>(count, 0));
    std::unordered_map<std::string, std::vector<size_t>> byBytes;
    std::unordered_map<std::string, std::vector<size_t>> byText;
    for (size_t i = 0; i < entries; ++i) {
        if (const char* raw = zip_get_name(archive, i, ZIP_FL_ENC_RAW)) {
            byBytes[raw].push_back(i);
            byText[asUtf8(raw)].push_back(i);
        }
    }
    std::vector<bool> chosen(entries, false);
    std::vector<std::string> patterns;
    for (const std::string& spec : specs) {
        const auto bytes = byBytes.find(spec);
        const auto text = byText.find(spec);
        const std::vector<size_t>* named = bytes != byBytes.end() ? &bytes->second
                                           : text != byText.end() ? &text->second
                                                                  : nullptr;
        if (named != nullptr) {
            for (const size_t i : *named) {
                chosen[i] = true;
            }
        } else if (hasWildcard(spec)) {
            patterns.push_back(spec);
        }
    }
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char* raw = zip_get_name(archive, index, ZIP_FL_ENC_RAW);
        if (raw == nullptr) {
            continue;
        }
        const std::string name(raw);
        if (!chosen[index] && !matchesAny(name, patterns)) {
            continue;
        }
        zip_stat_t st;
        const int64_t size =
            zip_stat_index(archive, index, 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE) != 0
                ? static_cast<int64_t>(st.size)
                : 0;
        if (reporter.file(name, size)) {
            return -1;
        }
        if (zip_delete(archive, index) == 0) {
            ++deleted;
        }
    }
    if (deleted == 0) {
        return -1;
    }
    return zip_close(archive) == 0 ? deleted : -2;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t GetZipDllVersion() {
    return kLibraryVersion;
}

extern "C" __attribute__((visibility("default"))) int32_t ZipDllExec(td::ZipExecParams* params) {
    if (params == nullptr) {
        return 0;
    }
    Reporter reporter(params->callback, params->caller, true);
    try {
        std::string archivePath;
        if (!readBufferString(params->archivePath, archivePath) || archivePath.empty()) {
            reporter.message(kBadParameters, "No valid zip file name");
            return 0;
        }
        const std::vector<std::string> specs =
            readSpecs(params->specs, params->specCount, reporter);
        if (specs.empty()) {
            reporter.message(kBadParameters, "No files specified");
            return 0;
        }
        const bool deleting = params->deleteEntries != td::kDllFalse;
        int error = 0;
        zip_t* archive = zip_open(archivePath.c_str(), deleting ? 0 : ZIP_CREATE, &error);
        if (archive == nullptr) {
            zip_error_t ze;
            zip_error_init_with_code(&ze, error);
            reporter.message(kArchiveError,
                             "Cannot open " + archivePath + ": " + zip_error_strerror(&ze));
            zip_error_fini(&ze);
            return 0;
        }
        const int32_t result = deleting ? deleteEntries(archive, specs, reporter)
                                        : addFiles(archive, archivePath, specs, *params, reporter);
        if (result == -2) {
            reporter.message(kArchiveError,
                             "Cannot write " + archivePath + ": " + zip_strerror(archive));
        }
        if (result < 0) {
            zip_discard(archive);  // the archive on disk stays as it was
            return 0;
        }
        return result;
    } catch (...) {
        reporter.message(kArchiveError, "Out of memory");
        return 0;
    }
}
