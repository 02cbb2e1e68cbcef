#include "platform/fontfilerule.h"

#include <strings.h>

#include <atomic>

namespace td {

namespace {

std::atomic<bool> g_trueTypeOnly{false};

// Every suffix has four characters, so one comparison of the last four decides.
constexpr const char* kSuffixes[] = {".ttf", ".otf", ".ttc", ".otc"};
constexpr std::size_t kSuffixLength = 4;

bool endsWith(const QString& name, const char* suffix) {
    return name.endsWith(QLatin1String(suffix), Qt::CaseInsensitive);
}

}  // namespace

void setTrueTypeFilesOnly(bool on) {
    g_trueTypeOnly.store(on, std::memory_order_relaxed);
}

bool trueTypeFilesOnly() {
    return g_trueTypeOnly.load(std::memory_order_relaxed);
}

bool isFontFileName(const QString& name) {
    return isFontFileName(name, trueTypeFilesOnly());
}

bool isFontFileName(const QString& name, bool trueTypeOnly) {
    if (trueTypeOnly) {
        return endsWith(name, kSuffixes[0]);
    }
    return isAnyFontFileName(name);
}

bool isFontFileName(const char* name, std::size_t length, bool trueTypeOnly) {
    if (length < kSuffixLength) {
        return false;
    }
    const char* tail = name + length - kSuffixLength;
    const std::size_t kinds = trueTypeOnly ? 1 : std::size(kSuffixes);
    for (std::size_t k = 0; k < kinds; ++k) {
        if (::strncasecmp(tail, kSuffixes[k], kSuffixLength) == 0) {
            return true;
        }
    }
    return false;
}

bool isAnyFontFileName(const QString& name) {
    for (const char* suffix : kSuffixes) {
        if (endsWith(name, suffix)) {
            return true;
        }
    }
    return false;
}

QStringList fontFileSpecs() {
    if (trueTypeFilesOnly()) {
        return {QStringLiteral("*.ttf")};
    }
    return {QStringLiteral("*.ttf"), QStringLiteral("*.otf"), QStringLiteral("*.ttc"),
            QStringLiteral("*.otc")};
}

bool isCollectionFileName(const QString& name) {
    return endsWith(name, kSuffixes[2]) || endsWith(name, kSuffixes[3]);
}

}  // namespace td
