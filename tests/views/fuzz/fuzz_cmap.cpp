// Feeds arbitrary bytes to the cmap reader as a font's character table. Aborts when the coverage
// it builds is not sorted and joined, holds a code beyond U+10FFFF, or lists pages that
// disagree with its ranges.
#include <QByteArray>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "views/unicodepages.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz_cmap: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray cmap(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const td::CharacterCoverage coverage = td::CharacterCoverage::fromCmap(cmap);
    const auto& ranges = coverage.ranges();
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        if (ranges[i].first > ranges[i].second || ranges[i].second > 0x10FFFF) {
            fail("a range is reversed or beyond U+10FFFF");
        }
        if (i > 0 && ranges[i - 1].second + 1 >= ranges[i].first) {
            fail("ranges overlap, touch or are out of order");
        }
        if (!coverage.contains(ranges[i].first) || !coverage.contains(ranges[i].second)) {
            fail("a range's ends are not covered");
        }
    }
    const QList<int> pages = coverage.pages();
    if (pages.isEmpty() || pages.first() != 0) {
        fail("page 0 is not listed first");
    }
    for (const int page : pages.mid(1)) {
        const auto first = static_cast<char32_t>(page) * 256;
        const auto range = std::lower_bound(
            ranges.begin(), ranges.end(), first,
            [](const std::pair<char32_t, char32_t>& r, char32_t code) { return r.second < code; });
        if (range == ranges.end() || range->first > first + 255) {
            fail("a listed page has no character");
        }
    }
    return 0;
}
