#pragma once

class TForm1;

namespace td {

class DirectorySource;
class WindowSet;

// Refills the Properties dialog for row `row` of the listing: its caption is the file list entry,
// its fields the row's names, its file the row's path; copies extracted from an archive are
// shown read-only. Kept apart from the panel so that the window needs no names-reader header.
void fillPropertiesDialog(TForm1& form, const DirectorySource& source, int row);
// The same for the run's Properties dialog, when it has one.
void fillPropertiesDialog(WindowSet& windows, const DirectorySource& source, int row);
// Shows the run's Properties dialog, when it has one.
void showPropertiesDialog(WindowSet& windows);

}  // namespace td
