#pragma once

#include <QString>
#include <QStringList>

namespace td {

// The class names of the windows a run creates, in creation order, chosen from the
// executable's own full path and the command-line arguments (the executable not counted).
// The first is the run's main window; an empty list means the program ends at once.
QStringList roleWindows(const QString& executablePath, const QStringList& arguments);

}  // namespace td
