#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>

namespace td {

// What counts as a font file. By default a name ending in ".ttf", ".otf", ".ttc" or ".otc",
// without regard to case; with "TrueType files only (.ttf)" on, a name ending in ".ttf" alone.
// Every listing, search, archive pattern and command asks here, so the switch acts everywhere at
// once. The switch is process-wide and may be read from any thread.

// Turns "TrueType files only (.ttf)" on or off.
void setTrueTypeFilesOnly(bool on);
// Whether "TrueType files only (.ttf)" is on.
bool trueTypeFilesOnly();

// Whether `name` (a file name or a path) is a font file under the current switch.
bool isFontFileName(const QString& name);
// The same under the given switch.
bool isFontFileName(const QString& name, bool trueTypeOnly);
// The same on a name as the file system spells it (`length` bytes at `name`).
bool isFontFileName(const char* name, std::size_t length, bool trueTypeOnly);
// Whether `name` ends in any of the four font file suffixes, whatever the switch says (used
// where every kind must be caught, such as clearing extracted copies).
bool isAnyFontFileName(const QString& name);

// The archive patterns that select font entries under the current switch: "*.ttf" and, with the
// switch off, "*.otf", "*.ttc" and "*.otc".
QStringList fontFileSpecs();

// Whether `name` ends in ".ttc" or ".otc" (a collection of several faces), in any case.
bool isCollectionFileName(const QString& name);

}  // namespace td
