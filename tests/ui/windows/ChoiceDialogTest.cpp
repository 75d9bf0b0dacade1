// The seven choice dialogs, checked against one table: what each shows, the order of its
// controls, where the focus starts, its size, and how its answer lives on between asks.
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

#include "ui/ChoiceDialog.h"
#include "support/GuiTestSupport.h"

namespace kinetra {
namespace {

using testing::answerChoice;
using testing::closeChoiceByCloseBox;
using testing::findControl;
using testing::GuiTest;
using testing::whenModal;

struct ChoiceCase {
    ChoiceId id;
    const char* name;
    QString caption;
    QString question;
    std::vector<std::pair<QString, QString>> options;  // object name, text; top-down / left-right
    QStringList tabOrder;                              // focusable controls by tab index
    QString firstFocus;
    int clientWidth, clientHeight;  // twips
    bool fixedFrame;
};

const QString kYes = QStringLiteral("optyes");
const QString kNo = QStringLiteral("optno");
const QString kGo = QStringLiteral("Command1");

const std::vector<ChoiceCase>& choiceCases()
{
    static const std::vector<std::pair<QString, QString>> yesNo = {{kYes, QStringLiteral("Yes")},
                                                                   {kNo, QStringLiteral("No")}};
    // the two dialogs without a caption show a single blank: an empty title would show the
    // program's name on the desktop
    static const std::vector<ChoiceCase> cases = {
        {ChoiceId::frmfechar, "frmfechar", " ", "Cancel It?", yesNo, {kGo, kNo, kYes}, kGo, 4680, 3090, false},
        {ChoiceId::frmoutroponto, "frmoutroponto", " ", "Another point to entry?", yesNo, {kYes, kNo, kGo}, kYes,
         4680, 3090, false},
        {ChoiceId::frmchangeX, "frmchangeX", "Improve Graph", "Change X axis?", yesNo, {kGo, kNo, kYes}, kGo, 4680,
         3090, false},
        {ChoiceId::frmconsiderabaseline2, "frmconsiderabaseline2", "Baseline", "Consider Baseline?", yesNo,
         {kGo, kNo, kYes}, kGo, 4680, 3090, false},
        {ChoiceId::frmsalvaarquivo, "frmsalvaarquivo", "Save File", "Save data changed?", yesNo, {kGo, kNo, kYes}, kGo,
         4680, 3090, false},
        {ChoiceId::frmrespostabaseline, "frmrespostabaseline", "Baseline", "Consider Baseline?", yesNo,
         {kYes, kNo, kGo}, kYes, 6030, 3195, true},
        {ChoiceId::frmchangedata, "frmchangedata", "Change Data", "Choose one change and press \"Continue\"",
         {{"optdelete", "Delete this point"},
          {"optad", "Add a new point"},
          {"optchange", "Change data point value"},
          {"optok", "Data OK"}},
         {"optok", "optdelete", "optad", "optchange", kGo},
         "optok",
         5010,
         4650,
         false},
    };
    return cases;
}

class ChoiceDialogTest : public GuiTest {};

// The focusable controls of the dialog in the order Tab visits them, from `first`.
QStringList focusChainFrom(QWidget* dialog, QWidget* first, const QStringList& names)
{
    QStringList order;
    QWidget* w = first;
    do {
        if (names.contains(w->objectName()) && !order.contains(w->objectName())) order << w->objectName();
        w = w->nextInFocusChain();
    } while (w && w != first && order.size() < names.size());
    Q_UNUSED(dialog);
    return order;
}

TEST_F(ChoiceDialogTest, EachDialogShowsItsQuestionOptionsOrderAndSize)
{
    for (const ChoiceCase& c : choiceCases()) {
        SCOPED_TRACE(c.name);
        whenModal([&c](QWidget* dialog) {
            EXPECT_EQ(dialog->objectName(), QString::fromLatin1(c.name));
            EXPECT_EQ(dialog->windowTitle(), c.caption);
            auto* question = findControl<QLabel>(dialog, QStringLiteral("Label1"));
            auto* go = findControl<QPushButton>(dialog, kGo);
            if (question) {
                EXPECT_EQ(question->text(), c.question);
                EXPECT_DOUBLE_EQ(question->font().pointSizeF(), 14.25);
            }
            if (go) {
                EXPECT_EQ(go->text(), QStringLiteral("Continue"));
            }
            int previousTop = -1, previousLeft = -1;
            for (const auto& [name, text] : c.options) {
                auto* option = findControl<QRadioButton>(dialog, name);
                if (!option) continue;
                EXPECT_EQ(option->text(), text);
                EXPECT_FALSE(option->isChecked()) << "nothing selected on first opening";
                EXPECT_DOUBLE_EQ(option->font().pointSizeF(), 12.0);
                // the options follow each other left to right or top-down
                EXPECT_TRUE(option->y() > previousTop || option->x() > previousLeft) << text.toStdString();
                previousTop = option->y();
                previousLeft = option->x();
            }
            EXPECT_EQ(dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString(), c.firstFocus);
            QWidget* first = findControl(dialog, c.tabOrder.front());
            if (first) {
                EXPECT_EQ(focusChainFrom(dialog, first, c.tabOrder), c.tabOrder);
            }
            EXPECT_EQ(dialog->size(), QSize(twipsToPixels(c.clientWidth), twipsToPixels(c.clientHeight)));
            EXPECT_EQ(dialog->minimumSize() == dialog->maximumSize(), c.fixedFrame) << "fixed frame";
            EXPECT_TRUE(dialog->windowFlags() & Qt::WindowCloseButtonHint) << "every dialog has a close box";
            EXPECT_EQ(bool(dialog->windowFlags() & Qt::WindowMinimizeButtonHint), !c.fixedFrame);
            if (go) go->click();
        });
        EXPECT_EQ(hub->askChoice(c.id), QString()) << "Continue alone selects nothing";
    }
}

TEST_F(ChoiceDialogTest, ContinueKeepsTheAnswerForTheNextAsk)
{
    for (const ChoiceCase& c : choiceCases()) {
        SCOPED_TRACE(c.name);
        const QString first = c.options.front().first;
        const QString last = c.options.back().first;
        answerChoice(first);
        EXPECT_EQ(hub->askChoice(c.id), first);
        answerChoice(QString());  // "Continue" alone repeats the last answer
        EXPECT_EQ(hub->askChoice(c.id), first);
        answerChoice(last);  // choosing another deselects the first
        EXPECT_EQ(hub->askChoice(c.id), last);
        ChoiceDialog* dialog = hub->choiceDialog(c.id);
        ASSERT_NE(dialog, nullptr);
        int checked = 0;
        for (QRadioButton* option : dialog->options) checked += option->isChecked() ? 1 : 0;
        EXPECT_EQ(checked, 1);
        EXPECT_FALSE(dialog->isVisible());
    }
}

TEST_F(ChoiceDialogTest, CloseBoxForgetsTheAnswer)
{
    for (const ChoiceCase& c : choiceCases()) {
        SCOPED_TRACE(c.name);
        answerChoice(c.options.front().first);
        ASSERT_EQ(hub->askChoice(c.id), c.options.front().first);
        // the close box while the old answer is still shown selected: the caller reads none
        closeChoiceByCloseBox();
        EXPECT_EQ(hub->askChoice(c.id), QString());
        answerChoice(QString());
        EXPECT_EQ(hub->askChoice(c.id), QString()) << "a fresh dialog has nothing selected";
    }
}

TEST_F(ChoiceDialogTest, EscapeDoesNotCloseAndEnterOnAnOptionContinues)
{
    whenModal([](QWidget* dialog) {
        QTest::keyClick(dialog, Qt::Key_Escape);
        EXPECT_TRUE(dialog->isVisible()) << "no cancel button to answer Escape";
        auto* yes = dialog->findChild<QRadioButton*>(kYes);
        ASSERT_NE(yes, nullptr);
        yes->setFocus();
        QTest::keyClick(yes, Qt::Key_Space);
        QTest::keyClick(yes, Qt::Key_Return);
    });
    EXPECT_EQ(hub->askChoice(ChoiceId::frmoutroponto), kYes);
}

TEST_F(ChoiceDialogTest, PlacedWhereEachAsks)
{
    whenModal([](QWidget* dialog) {
        EXPECT_EQ(dialog->pos(), QPoint(twipsToPixels(2760), twipsToPixels(3750)));
        dialog->findChild<QPushButton*>(kGo)->click();
    });
    hub->askChoice(ChoiceId::frmrespostabaseline);

    whenModal([](QWidget* dialog) {
        const QPoint screenCentre = dialog->screen()->availableGeometry().center();
        EXPECT_LE((dialog->frameGeometry().center() - screenCentre).manhattanLength(), 2);
        dialog->findChild<QPushButton*>(kGo)->click();
    });
    hub->askChoice(ChoiceId::frmchangedata);
}

}  // namespace
}  // namespace kinetra
