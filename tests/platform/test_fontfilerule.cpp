#include <gtest/gtest.h>

#include "platform/fontfilerule.h"

namespace {

// One table for the rule: each name, whether it is a font file with the switch off and on, and
// whether it is a collection.
TEST(FontFileRule, FourKindsWithoutRegardToCaseAndTrueTypeAloneWithTheSwitch) {
    struct Case {
        const char* name;
        bool font;
        bool trueTypeOnly;
        bool collection;
    };
    const Case cases[] = {
        {"a.ttf", true, true, false},
        {"B.TTF", true, true, false},
        {"c.otf", true, false, false},
        {"Cantarell-Bold.OTF", true, false, false},
        {"wqy-microhei.ttc", true, false, true},
        {"x.OtC", true, false, true},
        {"/fonts/s/y.Ttc", true, false, true},
        {"a.ttf.bak", false, false, false},
        {"attf", false, false, false},
        {"ttf", false, false, false},
        {".otf", true, false, false},
        {"a.otx", false, false, false},
        {"a.woff", false, false, false},
        {"", false, false, false},
    };
    for (const Case& c : cases) {
        const QString name = QString::fromUtf8(c.name);
        const QByteArray bytes(c.name);
        for (const bool on : {false, true}) {
            const bool expected = on ? c.trueTypeOnly : c.font;
            EXPECT_EQ(td::isFontFileName(name, on), expected) << c.name << on;
            EXPECT_EQ(td::isFontFileName(bytes.constData(), bytes.size(), on), expected) << c.name;
            td::setTrueTypeFilesOnly(on);
            EXPECT_EQ(td::isFontFileName(name), expected) << c.name << on;
            EXPECT_EQ(td::isAnyFontFileName(name), c.font) << c.name << on;
        }
        td::setTrueTypeFilesOnly(false);
        EXPECT_EQ(td::isCollectionFileName(name), c.collection) << c.name;
    }
}

TEST(FontFileRule, ArchiveSpecsFollowTheSwitch) {
    td::setTrueTypeFilesOnly(true);
    EXPECT_EQ(td::fontFileSpecs(), QStringList{"*.ttf"});
    td::setTrueTypeFilesOnly(false);
    EXPECT_EQ(td::fontFileSpecs(), (QStringList{"*.ttf", "*.otf", "*.ttc", "*.otc"}));
}

}  // namespace
