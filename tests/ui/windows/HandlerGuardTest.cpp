// A window handler that fails shows the run-time error box and leaves the window usable.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <stdexcept>

#include "support/GuiTestSupport.h"
#include "ui/HandlerGuard.h"

namespace kinetra {
namespace {

using testing::GuiTest;
using testing::settle;

class HandlerGuardTest : public GuiTest {};

TEST_F(HandlerGuardTest, AFailingHandlerShowsTheBoxAndTheWindowGoesOn)
{
    struct Case {
        const char* what;
        std::function<void()> fails;
        QString text;
    };
    const std::vector<Case> cases = {
        {"a run-time failure", [] { throw RuntimeFailure(failure::SubscriptOutOfRange); },
         QStringLiteral("Error\r\n\r\nErro Number: 9\r\nDescription: Subscript out of range")},
        {"any other exception", [] { throw std::runtime_error("no such row"); },
         QStringLiteral("Error\r\n\r\nErro Number: 51\r\nDescription: Internal error: no such row")},
        {"memory exhausted", [] { throw std::bad_alloc(); },
         QStringLiteral("Error\r\n\r\nErro Number: 7\r\nDescription: Out of memory")},
    };
    QWidget window;
    auto* failing = new QPushButton(QStringLiteral("fails"), &window);
    auto* working = new QPushButton(QStringLiteral("works"), &window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(failing);
    layout->addWidget(working);
    int worked = 0;
    std::function<void()> next;
    QObject::connect(failing, &QPushButton::clicked, &window, [&] { runGuarded(*platform, &window, next); });
    QObject::connect(working, &QPushButton::clicked, &window,
                     [&] { EXPECT_TRUE(runGuarded(*platform, &window, [&] { ++worked; })); });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform->messages.clear();
        next = c.fails;
        QTest::mouseClick(failing, Qt::LeftButton);
        settle();
        ASSERT_EQ(platform->messages.size(), 1u);
        EXPECT_EQ(platform->messages[0].text, c.text);
        EXPECT_EQ(platform->messages[0].title, QStringLiteral("Wrong Data"));
        EXPECT_EQ(platform->messages[0].icon, MessageIcon::Critical);

        // the window is still there and its other handlers still run
        EXPECT_TRUE(window.isVisible());
        const int before = worked;
        QTest::mouseClick(working, Qt::LeftButton);
        settle();
        EXPECT_EQ(worked, before + 1);
        EXPECT_EQ(platform->messages.size(), 1u);
    }
}

}  // namespace
}  // namespace kinetra
