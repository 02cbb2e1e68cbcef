#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "platform/application.h"
#include "sandbox.h"

// Every test program runs with one offscreen application, inside a sandbox of its own from
// the very start, so not even the toolkit's start-up reads or writes the real home folder.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    auto sandbox = std::make_unique<tdtest::Sandbox>();
    int result = 0;
    {
        td::Application app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Kestro TypeDeck"));
        result = RUN_ALL_TESTS();
    }
    sandbox.reset();
    return result;
}
