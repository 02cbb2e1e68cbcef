#pragma once

namespace td {

class Dialogs;
class Drives;
class FontTable;
class LibraryLoader;
class ProfileFiles;
class Registry;
class Shell;
class Shortcuts;
class TempFiles;
class WindowSet;

// The operating-system services a window may need, handed to it when it is created.
// A null member is a service the caller does not provide.
struct Services {
    Dialogs* dialogs = nullptr;
    LibraryLoader* libraries = nullptr;
    WindowSet* windows = nullptr;
    Registry* registry = nullptr;
    ProfileFiles* profiles = nullptr;
    TempFiles* tempFiles = nullptr;
    Shell* shell = nullptr;
    Shortcuts* shortcuts = nullptr;
    Drives* drives = nullptr;
    FontTable* fonts = nullptr;
};

}  // namespace td
