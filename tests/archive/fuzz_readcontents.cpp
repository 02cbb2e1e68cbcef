// Feeds arbitrary bytes to the local header walk: it must end with entries, "no entries" or
// one of its reading errors, never with a crash or a read outside the data.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "archive/zipheaders.h"
#include "platform/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    td::MemorySource source(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    std::vector<td::ZipDirEntry> entries;
    try {
        td::walkLocalHeaders(source, entries);
    } catch (const td::Error&) {
        // A damaged archive: the entries read so far stay, which is what callers see.
    }
    return 0;
}
