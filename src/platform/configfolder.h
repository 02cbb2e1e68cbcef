#pragma once

#include <QString>

namespace td {

// The program's config folder, $XDG_CONFIG_HOME/kestro-typedeck (default
// ~/.config/kestro-typedeck), without a trailing separator. It holds the registry files and
// stands in for the Windows folder that profile files live in. Read from the environment at
// each call.
QString configFolder();

// $XDG_CONFIG_HOME, default ~/.config, without a trailing separator.
QString configHome();

// $XDG_DATA_HOME, default ~/.local/share, without a trailing separator.
QString dataHome();

// The user's desktop folder: XDG_DESKTOP_DIR from user-dirs.dirs in $XDG_CONFIG_HOME, else
// ~/Desktop; without a trailing separator.
QString desktopFolder();

// Creates the folder with its parents; true when it exists afterwards.
bool ensureFolder(const QString& path);

}  // namespace td
