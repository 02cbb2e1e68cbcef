#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>
#include <vector>

namespace td {

// The Font Map shows one page of 256 code points at a time: page P holds U+P00 to U+PFF.
inline constexpr int kPageSize = 256;
// Pages 0x00 to 0x10FF cover every code point up to U+10FFFF.
inline constexpr int kPageCount = 0x1100;

// The name of the Unicode block that holds `code`, or "No Block" outside every block.
QString unicodeBlockName(char32_t code);

// How the page selector lists a page: its first code point, at least four hexadecimal digits,
// and the block it starts in ("U+0400 Cyrillic"); a page that starts outside every block is
// named by the first block that begins inside it.
QString unicodePageName(int page);

// The code points a face has a glyph for, read from its character-to-glyph table ("cmap").
class CharacterCoverage {
  public:
    CharacterCoverage() = default;
    // Reads every Unicode subtable (formats 0, 4, 6, 10, 12 and 13) of the table and joins
    // them. A symbol subtable's codes U+F020..U+F0FF also count as the codes 0x20..0xFF they
    // are typed with. Every offset and length is checked against the table: a damaged
    // subtable adds nothing.
    static CharacterCoverage fromCmap(const QByteArray& cmap);
    // Ranges of code points, each [first, last]; made sorted and joined.
    static CharacterCoverage fromRanges(std::vector<std::pair<char32_t, char32_t>> ranges);

    bool contains(char32_t code) const;
    // How many code points are covered.
    qsizetype size() const;
    // Page 0 and every other page with at least one covered character, ascending. Pages of the
    // surrogate halves hold no characters and are never listed.
    QList<int> pages() const;
    const std::vector<std::pair<char32_t, char32_t>>& ranges() const { return m_ranges; }

  private:
    std::vector<std::pair<char32_t, char32_t>> m_ranges;
};

}  // namespace td
