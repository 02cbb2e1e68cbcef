#include <gtest/gtest.h>

#include "app/roles.h"

namespace {

using td::roleWindows;

const QStringList kMain = {"TFrame1",   "TForm1", "TForm2", "TForm3", "TForm4",
                           "TAboutBox", "TFo1",   "Tfu",    "TForm5", "TForm6"};
const QStringList kMainFromInstaller = {"TFrame1", "TForm1", "TForm2", "TForm3",
                                        "TForm4",  "TForm5", "TForm6", "TAboutBox"};
const QStringList kInstaller = {"Tfs1", "Tfs2", "Tfs3", "Tfdir"};

TEST(RoleSelection, OutcomeTable) {
    EXPECT_EQ(roleWindows("/opt/kt/td.exe", {}), kMain);
    EXPECT_EQ(roleWindows("/opt/kt/setup.exe", {}), kInstaller);
    EXPECT_EQ(roleWindows("/opt/kt/setup.exe", {"/R"}), kMainFromInstaller);
    EXPECT_EQ(roleWindows("/opt/kt/td.exe", {"/S"}), QStringList{"Tu1"});
    EXPECT_EQ(roleWindows("/opt/kt/other", {"/U"}), QStringList{"Tu2"});
    EXPECT_TRUE(roleWindows("/opt/kt/other", {}).isEmpty());
    EXPECT_TRUE(roleWindows("/opt/kt/other", {"/X"}).isEmpty());
}

TEST(RoleSelection, NamesMatchWithoutRegardToCase) {
    EXPECT_EQ(roleWindows("/opt/kt/TD.EXE", {}), kMain);
    EXPECT_EQ(roleWindows("/opt/kt/Td.Exe", {}), kMain);
    EXPECT_EQ(roleWindows("/opt/kt/SETUP.exe", {}), kInstaller);
    EXPECT_EQ(roleWindows("/opt/kt/setup.exe", {"/r"}), kMainFromInstaller);
    EXPECT_EQ(roleWindows("/opt/kt/setup.exe", {"/s"}), QStringList{"Tu1"});
    EXPECT_EQ(roleWindows("/opt/kt/td.exe", {"/u"}), QStringList{"Tu2"});
}

TEST(RoleSelection, TheNameIsASubstringOfTheWholePath) {
    EXPECT_EQ(roleWindows("/opt/kt/xtd.exe", {}), kMain);
    EXPECT_EQ(roleWindows("/opt/td.exe.d/program", {}), kMain);
    EXPECT_EQ(roleWindows("/media/SETUP.EXE/bin/run", {"/R"}), kMainFromInstaller);
}

TEST(RoleSelection, SwitchesMustMatchWhole) {
    EXPECT_TRUE(roleWindows("/opt/kt/td.exe", {"/R"}).isEmpty());
    EXPECT_TRUE(roleWindows("/opt/kt/setup.exe", {"-R"}).isEmpty());
    EXPECT_TRUE(roleWindows("/opt/kt/setup.exe", {"/RX"}).isEmpty());
    EXPECT_TRUE(roleWindows("/opt/kt/td.exe", {"-S"}).isEmpty());
    EXPECT_TRUE(roleWindows("/opt/kt/td.exe", {"/S "}).isEmpty());
    EXPECT_TRUE(roleWindows("/opt/kt/td.exe", {""}).isEmpty());
}

TEST(RoleSelection, MoreThanOneArgumentStartsNothing) {
    EXPECT_TRUE(roleWindows("/opt/kt/setup.exe", {"/R", "x"}).isEmpty());
    EXPECT_TRUE(roleWindows("/opt/kt/td.exe", {"/S", "/S"}).isEmpty());
    EXPECT_TRUE(roleWindows("/opt/kt/td.exe", {"/U", "/R"}).isEmpty());
}

TEST(RoleSelection, BothNamesInOnePathCreateBothSetsMainWindowFirst) {
    const QStringList both = roleWindows("/home/ann/setup.exe/td.exe", {});
    EXPECT_EQ(both, kMain + kInstaller);
    EXPECT_EQ(both.first(), "TFrame1");
}

}  // namespace
