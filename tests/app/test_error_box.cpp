#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include "platform/application.h"
#include "platform/error.h"
#include "scripted_dialogs.h"

namespace {

using tdtest::ScriptedDialogs;

// A widget whose handler fails the way an operation that cannot go on does.
class FailingWidget : public QWidget {
  protected:
    void mousePressEvent(QMouseEvent*) override { throw td::Error("Cannot create folder /x"); }
};

// An exception leaving a handler becomes the standard error box with exactly its text, and the
// program goes on.
TEST(ErrorBox, ExceptionLeavingAHandlerIsShownAsCriticalBox) {
    auto* app = qobject_cast<td::Application*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    ScriptedDialogs dialogs;
    dialogs.answer(td::BoxAnswer::Ok).answer(td::BoxAnswer::Ok);
    app->setDialogs(&dialogs);

    FailingWidget widget;
    widget.resize(50, 50);
    QTest::mousePress(&widget, Qt::LeftButton);

    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked,
                     [] { throw std::runtime_error("Slot failed"); });
    QTest::mouseClick(&button, Qt::LeftButton);
    app->setDialogs(nullptr);

    ASSERT_EQ(dialogs.boxes().size(), 2u);
    EXPECT_EQ(dialogs.boxes()[0].icon, td::BoxIcon::Critical);
    EXPECT_EQ(dialogs.boxes()[0].text, "Cannot create folder /x");
    EXPECT_EQ(dialogs.boxes()[0].buttons, td::BoxButtons::Ok);
    EXPECT_EQ(dialogs.boxes()[1].text, "Slot failed");
}

TEST(ScriptedDialogs, AnswersInTurnAndRecordsEveryBox) {
    ScriptedDialogs dialogs;
    dialogs.answer(td::BoxAnswer::No).answer(td::BoxAnswer::Yes);
    EXPECT_EQ(dialogs.messageBox(nullptr, td::BoxIcon::Question, "first?", td::BoxButtons::YesNo),
              td::BoxAnswer::No);
    EXPECT_EQ(dialogs.messageBox(nullptr, td::BoxIcon::Question, "second?", td::BoxButtons::YesNo),
              td::BoxAnswer::Yes);
    dialogs.beep();
    ASSERT_EQ(dialogs.boxes().size(), 2u);
    EXPECT_EQ(dialogs.boxTexts(), (QStringList{"first?", "second?"}));
    EXPECT_EQ(dialogs.boxes()[0].icon, td::BoxIcon::Question);
    EXPECT_EQ(dialogs.beeps(), 1);
}

TEST(ScriptedDialogs, AnUnscriptedBoxFailsTheTestWithItsText) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDialogs dialogs;
            EXPECT_EQ(dialogs.messageBox(nullptr, td::BoxIcon::Warning, "Nobody expected this",
                                         td::BoxButtons::OkCancel),
                      td::BoxAnswer::Cancel);
        },
        "Nobody expected this");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDialogs dialogs;
            EXPECT_TRUE(dialogs.existingFolder(nullptr, "Pick a folder", "/").isEmpty());
        },
        "Pick a folder");
}

TEST(ScriptedDialogs, AnswersLeftOverFailTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDialogs dialogs;
            dialogs.answer(td::BoxAnswer::Ok);
        },
        "never used");
}

}  // namespace
