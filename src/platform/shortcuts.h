#pragma once

#include <QString>

namespace td {

// What a shortcut points at.
struct ShortcutTarget {
    QString path;           // the program or document
    QString arguments;      // command-line arguments, as one line
    QString workingFolder;  // the folder it starts in
};

// Shortcuts on the desktop and in the menu. A shortcut is named like the link file of the
// system it stands in for ("./Kestro TypeDeck.lnk"); the service decides the real file name.
class Shortcuts {
  public:
    Shortcuts() = default;
    Shortcuts(const Shortcuts&) = delete;
    Shortcuts& operator=(const Shortcuts&) = delete;
    virtual ~Shortcuts() = default;

    // The file a shortcut named `linkPath` is stored in.
    virtual QString fileFor(const QString& linkPath) const = 0;
    // Writes the shortcut and returns the file written. Throws td::Error with the reason when
    // it cannot be written.
    virtual QString create(const QString& linkPath, const ShortcutTarget& target) = 0;
};

// Freedesktop desktop entries: a ".lnk" ending becomes ".desktop" (any other name gets
// ".desktop" added); the file is executable and holds Type, Name, Exec and Path. A target that
// is not executable is opened through xdg-open.
class DesktopEntryShortcuts final : public Shortcuts {
  public:
    QString fileFor(const QString& linkPath) const override;
    QString create(const QString& linkPath, const ShortcutTarget& target) override;
};

// Quotes one argument for an Exec line of a desktop entry.
QString quoteExecArgument(const QString& argument);

}  // namespace td
