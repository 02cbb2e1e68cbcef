#include "ziplibs/dllcommon.h"

#include <fnmatch.h>
#include <strings.h>

#include <algorithm>
#include <cstring>

namespace tdzip {

bool Reporter::send(int32_t action, int32_t code, int64_t size, const std::string& text) {
    if (m_callback == nullptr) {
        return false;
    }
    td::DllCallbackRecord record;
    std::memset(&record, 0, sizeof record);
    record.caller = m_caller;
    record.version = kLibraryVersion;
    record.isZipOperation = m_zip ? td::kDllTrue : td::kDllFalse;
    record.actionCode = action;
    record.errorCode = code;
    record.fileSize = static_cast<int32_t>(std::clamp<int64_t>(size, 0, INT32_MAX));
    const size_t n = std::min(text.size(), sizeof record.text - 1);
    std::memcpy(record.text, text.data(), n);
    if (m_callback(&record) != td::kDllFalse) {
        m_stopped = true;
    }
    return m_stopped;
}

bool Reporter::file(const std::string& name, int64_t size) {
    return send(td::DllActionFile, 0, size, name);
}

bool Reporter::message(int32_t code, const std::string& text) {
    return send(td::DllActionMessage, code, 0, text);
}

bool readBufferString(const char* buffer, std::string& out) {
    if (buffer == nullptr) {
        return false;
    }
    const size_t n = strnlen(buffer, td::kDllPathBufferSize);
    if (n == static_cast<size_t>(td::kDllPathBufferSize)) {
        return false;
    }
    out.assign(buffer, n);
    return true;
}

std::vector<std::string> readSpecs(char* const* slots, int32_t count, Reporter& reporter) {
    std::vector<std::string> specs;
    const int32_t n = std::clamp<int32_t>(count, 0, td::kMaxFileSpecs);
    if (count > td::kMaxFileSpecs) {
        reporter.message(kBadParameters, "Too many file specifications; the first " +
                                             std::to_string(n) + " are used");
    }
    for (int32_t i = 0; i < n; ++i) {
        std::string spec;
        if (!readBufferString(slots[i], spec)) {
            reporter.message(kBadParameters,
                             "File specification " + std::to_string(i + 1) + " is not valid");
            continue;
        }
        if (!spec.empty()) {
            specs.push_back(std::move(spec));
        }
    }
    return specs;
}

bool matchesSpec(const std::string& name, const std::string& spec) {
    if (strcasecmp(name.c_str(), spec.c_str()) == 0) {
        return true;
    }
    // Archive names may use '\' as their separator, so it is never an escape here.
    return fnmatch(spec.c_str(), name.c_str(), FNM_CASEFOLD | FNM_NOESCAPE) == 0;
}

bool matchesAny(const std::string& name, const std::vector<std::string>& specs) {
    return std::any_of(specs.begin(), specs.end(),
                       [&](const std::string& spec) { return matchesSpec(name, spec); });
}

std::string baseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace tdzip
