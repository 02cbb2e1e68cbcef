#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include "sandbox.h"
#include "ttfnames/copyfile.h"
#include "ttfnames/fontnames.h"

namespace {

// What fontconfig's own reader says about one font file: "family|style", each possibly a
// comma-separated list of the names the file holds.
QString fcQuery(const QString& path) {
    QProcess process;
    process.start(QStringLiteral("fc-query"),
                  {QStringLiteral("--format=%{family}|%{style}"), path});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        ADD_FAILURE() << "fc-query failed: " << process.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

class RealFont : public tdtest::SandboxTest {};

TEST_F(RealFont, NamesReadAsFontconfigReportsThem) {
    ASSERT_FALSE(QStandardPaths::findExecutable("fc-query").isEmpty());
    for (const QString& original :
         {tdtest::dejaVuSans(), tdtest::dejaVuSansBold(), tdtest::dejaVuSerif()}) {
        const QString copy = sandbox.path("font.ttf");
        QFile::remove(copy);
        ASSERT_TRUE(td::CopyFileContents(original, copy));
        const td::TFontNames names = td::ReadFontNames(copy);
        const QStringList reported = fcQuery(copy).split(QLatin1Char('|'));
        ASSERT_EQ(reported.size(), 2);
        EXPECT_TRUE(reported[0].split(QLatin1Char(',')).contains(names.Family))
            << names.Family.toStdString() << " vs " << reported[0].toStdString();
        EXPECT_TRUE(reported[1].split(QLatin1Char(',')).contains(names.Subfamily))
            << names.Subfamily.toStdString() << " vs " << reported[1].toStdString();
        EXPECT_TRUE(names.Copyright.startsWith("Copyright"));
        EXPECT_TRUE(names.Version.startsWith("Version"));
    }
}

TEST_F(RealFont, ANewFamilyIsWhatFontconfigThenReports) {
    const QString copy = sandbox.path("renamed.ttf");
    ASSERT_TRUE(td::CopyFileContents(tdtest::dejaVuSans(), copy));
    const qint64 size = QFileInfo(copy).size();

    td::TFontNames names = td::ReadFontNames(copy);
    ASSERT_EQ(names.Family, "DejaVu Sans");
    names.Family = "Kestro Sans";  // as long as the stored name, so no blanks follow it
    names.Subfamily = "Thin";
    ASSERT_TRUE(td::WriteFontNames(copy, names));
    EXPECT_EQ(QFileInfo(copy).size(), size);

    const td::TFontNames back = td::ReadFontNames(copy);
    EXPECT_EQ(back.Family, "Kestro Sans");
    EXPECT_EQ(back.Subfamily, "Thin");
    const QStringList reported = fcQuery(copy).split(QLatin1Char('|'));
    ASSERT_EQ(reported.size(), 2);
    EXPECT_TRUE(reported[0].split(QLatin1Char(',')).contains("Kestro Sans"))
        << reported[0].toStdString();
    EXPECT_TRUE(reported[1].split(QLatin1Char(',')).contains("Thin")) << reported[1].toStdString();
}

}  // namespace
