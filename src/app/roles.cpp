#include "app/roles.h"

namespace td {

QStringList roleWindows(const QString& executablePath, const QStringList& arguments) {
    // Matching is on upper-cased copies; "contains" looks at the whole path, folders included.
    const QString path = executablePath.toUpper();
    const bool isTd = path.contains(QStringLiteral("TD.EXE"));
    const bool isSetup = path.contains(QStringLiteral("SETUP.EXE"));
    const QString only = arguments.size() == 1 ? arguments.first().toUpper() : QString();

    // Each test is made in turn and adds its windows when it holds.
    QStringList windows;
    if (arguments.isEmpty() && isTd) {
        windows << QStringLiteral("TFrame1") << QStringLiteral("TForm1") << QStringLiteral("TForm2")
                << QStringLiteral("TForm3") << QStringLiteral("TForm4")
                << QStringLiteral("TAboutBox") << QStringLiteral("TFo1") << QStringLiteral("Tfu")
                << QStringLiteral("TForm5") << QStringLiteral("TForm6");
    }
    if (arguments.isEmpty() && isSetup) {
        windows << QStringLiteral("Tfs1") << QStringLiteral("Tfs2") << QStringLiteral("Tfs3")
                << QStringLiteral("Tfdir");
    }
    if (arguments.size() == 1 && isSetup && only == QStringLiteral("/R")) {
        windows << QStringLiteral("TFrame1") << QStringLiteral("TForm1") << QStringLiteral("TForm2")
                << QStringLiteral("TForm3") << QStringLiteral("TForm4") << QStringLiteral("TForm5")
                << QStringLiteral("TForm6") << QStringLiteral("TAboutBox");
    }
    if (arguments.size() == 1 && only == QStringLiteral("/S")) {
        windows << QStringLiteral("Tu1");
    }
    if (arguments.size() == 1 && only == QStringLiteral("/U")) {
        windows << QStringLiteral("Tu2");
    }
    return windows;
}

}  // namespace td
