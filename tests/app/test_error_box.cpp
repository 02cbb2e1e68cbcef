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
    void mousePressEvent(QMouseEvent*) override {
        td::runGuarded([] { throw td::Error("Cannot create folder /x"); });
    }
};

// A handler object whose member function fails with the name it was handed.
class Renamer : public QObject {
  public:
    void refuse(const QString& name) { throw td::Error("Renamed to " + name); }
};

// An object whose event handler lets its exception go, as a handler without a guard would.
class UnguardedObject : public QObject {
  public:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            throw std::runtime_error("Missed by its handler");
        }
        return QObject::event(event);
    }
};

// An exception leaving a handler's work becomes the standard error box with exactly its text,
// at the handler (event handlers and connected handlers alike), and the program goes on; the
// application's own catch is the last resort for a handler without a guard.
TEST(ErrorBox, ExceptionLeavingAHandlerIsShownAsCriticalBox) {
    auto* app = qobject_cast<td::Application*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    ScriptedDialogs dialogs;
    dialogs.answer(td::BoxAnswer::Ok).answer(td::BoxAnswer::Ok).answer(td::BoxAnswer::Ok);
    dialogs.answer(td::BoxAnswer::Ok);
    app->setDialogs(&dialogs);

    FailingWidget widget;
    widget.resize(50, 50);
    QTest::mousePress(&widget, Qt::LeftButton);

    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked,
                     td::guarded([](bool) { throw std::runtime_error("Slot failed"); }));
    QTest::mouseClick(&button, Qt::LeftButton);
    Renamer renamer;
    QObject::connect(&button, &QObject::objectNameChanged, &renamer,
                     td::guarded(&renamer, &Renamer::refuse));
    button.setObjectName("b2");

    UnguardedObject unguarded;
    QEvent user(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&unguarded, &user));
    app->setDialogs(nullptr);

    ASSERT_EQ(dialogs.boxes().size(), 4u);
    EXPECT_EQ(dialogs.boxes()[0].icon, td::BoxIcon::Critical);
    EXPECT_EQ(dialogs.boxes()[0].text, "Cannot create folder /x");
    EXPECT_EQ(dialogs.boxes()[0].buttons, td::BoxButtons::Ok);
    EXPECT_EQ(dialogs.boxTexts().mid(1),
              (QStringList{"Slot failed", "Renamed to b2", "Missed by its handler"}));
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
