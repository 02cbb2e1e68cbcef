// UNZDLL.DLL: extracts the entries of an archive that match the specifications into the
// current folder, on libzip.
//
// Nothing is ever written outside the current folder: entries whose names are absolute,
// contain a ".." part, or are links are skipped and reported, folders on the way are never
// entered through a link, and each file is written to a temporary name beside its target and
// renamed into place only when it is complete.
//
// Every entry lands at its stored relative name, folders included, whether or not the caller
// asks for folder names: callers look for each extracted entry at the current folder joined
// with its name exactly as stored, so the folder-names flag changes nothing here.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "ziplibs/dllcommon.h"

using namespace tdzip;

namespace {

std::vector<std::string> splitParts(const std::string& name) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : name) {
        // Archives made elsewhere may separate folders with '\'.
        if (c == '/' || c == '\\') {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

// Why an entry must not be extracted, or empty when it may.
std::string unsafeReason(const std::string& name, zip_t* archive, zip_uint64_t index) {
    if (name.empty()) {
        return "it has no name";
    }
    if (name[0] == '/' || name[0] == '\\' ||
        (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0])))) {
        return "its name is absolute";
    }
    for (const std::string& part : splitParts(name)) {
        if (part == "..") {
            return "its name leads out of the extraction folder";
        }
    }
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) == 0 &&
        system == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFLNK) {
        return "it is a link";
    }
    return {};
}

// Makes the folders of `name` below the current folder; false when one of them exists as
// something other than a real folder (a link above all).
bool makeFolders(const std::string& name, std::string& failed) {
    const auto slash = name.rfind('/');
    if (slash == std::string::npos) {
        return true;
    }
    std::string path;
    for (const std::string& part : splitParts(name.substr(0, slash))) {
        if (part.empty() || part == ".") {
            continue;
        }
        path = path.empty() ? part : path + "/" + part;
        struct stat info;
        if (lstat(path.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode)) {
                failed = path;
                return false;
            }
            continue;
        }
        if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
            failed = path;
            return false;
        }
    }
    return true;
}

// Writes one entry to `target` by way of a temporary file beside it.
bool writeEntry(zip_t* archive, zip_uint64_t index, const std::string& target, time_t mtime,
                std::string& error) {
    std::string temp = target + ".tdXXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    zip_file_t* file = zip_fopen_index(archive, index, 0);
    bool ok = file != nullptr;
    if (!ok) {
        error = zip_strerror(archive);
    }
    char buffer[65536];
    while (ok) {
        const zip_int64_t got = zip_fread(file, buffer, sizeof buffer);
        if (got < 0) {
            error = zip_file_strerror(file);
            ok = false;
            break;
        }
        if (got == 0) {
            break;
        }
        const char* p = buffer;
        zip_int64_t left = got;
        while (left > 0) {
            const ssize_t written = write(fd, p, static_cast<size_t>(left));
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                error = std::strerror(errno);
                ok = false;
                break;
            }
            p += written;
            left -= written;
        }
    }
    if (file != nullptr) {
        zip_fclose(file);
    }
    if (ok) {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
        const timespec times[2] = {{mtime, 0}, {mtime, 0}};
        futimens(fd, times);
    }
    if (close(fd) != 0 && ok) {
        error = std::strerror(errno);
        ok = false;
    }
    if (ok && rename(temp.c_str(), target.c_str()) != 0) {
        error = std::strerror(errno);
        ok = false;
    }
    if (!ok) {
        unlink(temp.c_str());
    }
    return ok;
}

int32_t extractEntries(zip_t* archive, const std::vector<std::string>& specs,
                       const td::UnzipExecParams& params, Reporter& reporter) {
    const bool overwrite = params.overwrite != td::kDllFalse;
    const bool update = params.update != td::kDllFalse;
    const bool freshen = !update && params.freshen != td::kDllFalse;
    int32_t extracted = 0;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char* raw = zip_get_name(archive, index, ZIP_FL_ENC_RAW);
        if (raw == nullptr) {
            continue;
        }
        const std::string name(raw);
        if (!specs.empty() && !matchesAny(name, specs)) {
            continue;
        }
        if (!name.empty() && name.back() == '/') {
            continue;  // a folder entry: folders are made for the files in them
        }
        if (const std::string reason = unsafeReason(name, archive, index); !reason.empty()) {
            if (reporter.message(kUnsafeEntry, "Skipped " + name + ": " + reason)) {
                break;
            }
            continue;
        }
        zip_stat_t st;
        if (zip_stat_index(archive, index, 0, &st) != 0) {
            continue;
        }
        const time_t mtime = (st.valid & ZIP_STAT_MTIME) != 0 ? st.mtime : time(nullptr);
        const int64_t size = (st.valid & ZIP_STAT_SIZE) != 0 ? static_cast<int64_t>(st.size) : 0;

        struct stat info;
        const bool exists = lstat(name.c_str(), &info) == 0;
        if (exists && S_ISDIR(info.st_mode)) {
            if (reporter.message(kSkipped, "Skipped " + name + ": a folder has that name")) {
                break;
            }
            continue;
        }
        if (freshen && (!exists || mtime <= info.st_mtime + 1)) {
            continue;
        }
        if (update && exists && mtime <= info.st_mtime + 1) {
            continue;
        }
        if (exists && !overwrite && !freshen && !update) {
            if (reporter.message(kSkipped, "Skipped " + name + ": the file exists")) {
                break;
            }
            continue;
        }
        std::string failed;
        if (!makeFolders(name, failed)) {
            if (reporter.message(kUnsafeEntry,
                                 "Skipped " + name + ": " + failed + " is not a folder")) {
                break;
            }
            continue;
        }
        if (reporter.file(name, size)) {
            break;
        }
        std::string error;
        if (writeEntry(archive, index, name, mtime, error)) {
            ++extracted;
        } else if (reporter.message(kFileError, "Cannot extract " + name + ": " + error)) {
            break;
        }
    }
    return extracted;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t GetUnzDllVersion() {
    return kLibraryVersion;
}

extern "C" __attribute__((visibility("default"))) int32_t UnzDllExec(td::UnzipExecParams* params) {
    if (params == nullptr) {
        return 0;
    }
    Reporter reporter(params->callback, params->caller, false);
    try {
        std::string archivePath;
        if (!readBufferString(params->archivePath, archivePath) || archivePath.empty()) {
            reporter.message(kBadParameters, "No valid zip file name");
            return 0;
        }
        const std::vector<std::string> specs =
            readSpecs(params->specs, params->specCount, reporter);
        int error = 0;
        zip_t* archive = zip_open(archivePath.c_str(), ZIP_RDONLY, &error);
        if (archive == nullptr) {
            zip_error_t ze;
            zip_error_init_with_code(&ze, error);
            reporter.message(kArchiveError,
                             "Cannot open " + archivePath + ": " + zip_error_strerror(&ze));
            zip_error_fini(&ze);
            return 0;
        }
        const int32_t extracted = extractEntries(archive, specs, *params, reporter);
        zip_discard(archive);
        return extracted;
    } catch (...) {
        reporter.message(kArchiveError, "Out of memory");
        return 0;
    }
}
