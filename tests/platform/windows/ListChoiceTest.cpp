// The small list a table's data set is chosen from: the first item starts chosen, OK takes
// the item selected, Enter the item under the cursor, Cancel and Escape give -1.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "platform/ListChoice.h"
#include "support/GuiTestSupport.h"

namespace kinetra {
namespace {

using testing::findControl;
using testing::whenModal;

const QStringList kItems{"WT (20 points)", "Mut (21 points)", "Inh (20 points)"};

QListWidget* listOf(QWidget* dialog) { return findControl<QListWidget>(dialog, QStringLiteral("lstItems")); }

QPushButton* button(QWidget* dialog, QDialogButtonBox::StandardButton which)
{
    return findControl<QDialogButtonBox>(dialog, QStringLiteral("buttons"))->button(which);
}

TEST(ListChoice, AnswersWithTheIndexChosenOrMinusOne)
{
    struct Case {
        const char* what;
        std::function<void(QWidget*)> act;
        int expected;
    };
    const Case cases[] = {
        {"OK at once", [](QWidget* d) { button(d, QDialogButtonBox::Ok)->click(); }, 0},
        {"the third selected, OK",
         [](QWidget* d) {
             listOf(d)->setCurrentRow(2);
             button(d, QDialogButtonBox::Ok)->click();
         },
         2},
        {"Down and Enter in the list",
         [](QWidget* d) {
             QTest::keyClick(listOf(d), Qt::Key_Down);
             QTest::keyClick(listOf(d), Qt::Key_Return);
         },
         1},
        {"Cancel", [](QWidget* d) { button(d, QDialogButtonBox::Cancel)->click(); }, -1},
        {"Escape", [](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); }, -1},
    };
    for (const Case& c : cases) {
        QString prompt;
        whenModal([&](QWidget* d) {
            EXPECT_EQ(d->windowTitle(), QStringLiteral("Data Sets"));
            prompt = findControl<QLabel>(d, QStringLiteral("lblPrompt"))->text();
            EXPECT_EQ(listOf(d)->count(), 3);
            listOf(d)->setFocus();
            c.act(d);
        });
        EXPECT_EQ(chooseListItem(nullptr, QStringLiteral("Data Sets"), QStringLiteral("Which one?"), kItems), c.expected)
            << c.what;
        EXPECT_EQ(prompt, QStringLiteral("Which one?"));
        EXPECT_TRUE(testing::allModalsAnswered()) << c.what;
    }
}

}  // namespace
}  // namespace kinetra
