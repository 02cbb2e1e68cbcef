#include "platform/savefile.h"

#include <QSaveFile>

#include "platform/error.h"

namespace td {

void saveFileContents(const QString& fileName, const QByteArray& bytes) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw Error(
            QStringLiteral("Cannot write the file \"%1\": %2").arg(fileName, file.errorString()));
    }
}

}  // namespace td
