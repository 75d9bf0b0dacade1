// Typing points in the keyboard entry window: rows and counts, wrong values that keep the
// focus, the "Another point to entry?" and "Cancel It?" answers, the limit of 200 points,
// and the locale's decimal separator.
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "EntryWindowsFixture.h"

namespace kinetra {
namespace {

using testing::answerChoice;
using testing::EntryTest;
using testing::findControl;
using testing::Points;
using testing::pressEnter;
using testing::settle;
using testing::testData;
using testing::typeText;
using testing::waitActive;
using testing::whenModalNamed;

class KeyboardEntry : public EntryTest {
protected:
    frmExpPontos* addedPointsWindow() { return form->addedPointsWindow(); }
};

TEST_F(KeyboardEntry, ThreePointsThenNoFillThreeRows)
{
    typePoints({{"0.5", "10"}, {"12.5", "20"}, {"1.23456789", "30"}});
    ASSERT_EQ(rowCount(), 3);
    EXPECT_EQ(row(1), (QStringList{"1", "5.0000000E-01", "1.0000000E+01"}));
    EXPECT_EQ(row(2), (QStringList{"2", "1.2500000E+01", "2.0000000E+01"}));
    EXPECT_EQ(row(3), (QStringList{"3", "1.2345679E+00", "3.0000000E+01"}));
    EXPECT_EQ(st().pointCount, 3);
    EXPECT_EQ(st().nextPointNumber, 4);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(control<QPushButton>("cmmdataOk")->isEnabled());
    EXPECT_FALSE(control<QGroupBox>("fraTypEnter")->isEnabled());
    EXPECT_TRUE(form->dataEdited());
    EXPECT_TRUE(platform->messages.empty());
}

TEST_F(KeyboardEntry, WrongValuesKeepTheFocusWithTheTextSelected)
{
    struct Case {
        const char* field;
        QString text;
        QString message;
    };
    const std::vector<Case> cases = {
        {"txtConTeclado", "0", "Wrong Concentration"},  {"txtConTeclado", "-1", "Wrong Concentration"},
        {"txtConTeclado", "", "Wrong Concentration"},   {"txtConTeclado", "abc", "Wrong Concentration"},
        {"txtConTeclado", "1e999", "Wrong Concentration"}, {"txtRatTeclado", "0", "Wrong Rate"},
        {"txtRatTeclado", "", "Wrong Rate"},            {"txtRatTeclado", "2x", "Wrong Rate"},
    };
    whenModalNamed(QStringLiteral("frmExpPontos"), [&](QWidget* dialog) {
        auto* con = findControl<QLineEdit>(dialog, QStringLiteral("txtConTeclado"));
        auto* rate = findControl<QLineEdit>(dialog, QStringLiteral("txtRatTeclado"));
        ASSERT_TRUE(waitActive(con));
        EXPECT_EQ(findControl<QLabel>(dialog, QStringLiteral("lblConTeclado"))->text(),
                  QStringLiteral("Concentration of Point 1"));
        for (const Case& c : cases) {
            auto* field = findControl<QLineEdit>(dialog, QLatin1String(c.field));
            if (field == rate && !rate->hasFocus()) {
                typeText(con, QStringLiteral("2"));
                pressEnter(con);
                ASSERT_TRUE(rate->hasFocus());
            }
            platform->messages.clear();
            typeText(field, c.text);
            pressEnter(field);
            ASSERT_EQ(platform->messages.size(), 1u) << c.field << " " << c.text.toStdString();
            EXPECT_EQ(platform->messages[0].text, c.message);
            EXPECT_EQ(platform->messages[0].title, QStringLiteral("Crítica de Dados"));
            EXPECT_EQ(platform->messages[0].icon, MessageIcon::Critical);
            EXPECT_TRUE(field->hasFocus()) << c.field << " " << c.text.toStdString();
            EXPECT_EQ(field->selectedText(), c.text);
        }
        EXPECT_EQ(findControl<QLabel>(dialog, QStringLiteral("lblRatTeclado"))->text(),
                  QStringLiteral("Rate of Point 1"));
        EXPECT_EQ(row(1), (QStringList{"1", "2.0000000E+00", ""})) << "a wrong rate writes nothing";
        typeText(rate, QStringLiteral("3"));
        answerChoice(QStringLiteral("optno"));
        pressEnter(rate);
    });
    control<QRadioButton>("optKeyboard")->click();
    settle();
    EXPECT_EQ(row(1), (QStringList{"1", "2.0000000E+00", "3.0000000E+00"}));
    EXPECT_EQ(st().pointCount, 1);
}

TEST_F(KeyboardEntry, ContinueWithoutAnAnswerAsksForAnotherPoint)
{
    whenModalNamed(QStringLiteral("frmExpPontos"), [&](QWidget* dialog) {
        auto* con = findControl<QLineEdit>(dialog, QStringLiteral("txtConTeclado"));
        auto* rate = findControl<QLineEdit>(dialog, QStringLiteral("txtRatTeclado"));
        typeText(con, QStringLiteral("1"));
        pressEnter(con);
        typeText(rate, QStringLiteral("2"));
        answerChoice(QString());
        pressEnter(rate);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->focusWidget(), con) << "the focus wraps to the concentration";
        EXPECT_TRUE(con->text().isEmpty());
        EXPECT_EQ(findControl<QLabel>(dialog, QStringLiteral("lblConTeclado"))->text(),
                  QStringLiteral("Concentration of Point 2"));
        EXPECT_EQ(rowCount(), 2);
        EXPECT_EQ(row(2), (QStringList{"2", "", ""}));
        typeText(con, QStringLiteral("3"));
        pressEnter(con);
        typeText(rate, QStringLiteral("4"));
        answerChoice(QStringLiteral("optno"));
        pressEnter(rate);
    });
    control<QRadioButton>("optKeyboard")->click();
    settle();
    EXPECT_EQ(rowCount(), 2);
    EXPECT_EQ(st().pointCount, 2);
}

TEST_F(KeyboardEntry, CloseBoxWithNoGoesOnAndWithYesEmptiesTheList)
{
    whenModalNamed(QStringLiteral("frmExpPontos"), [&](QWidget* dialog) {
        auto* con = findControl<QLineEdit>(dialog, QStringLiteral("txtConTeclado"));
        auto* rate = findControl<QLineEdit>(dialog, QStringLiteral("txtRatTeclado"));
        typeText(con, QStringLiteral("1"));
        pressEnter(con);
        typeText(rate, QStringLiteral("2"));
        answerChoice(QStringLiteral("optyes"));
        pressEnter(rate);
        typeText(con, QStringLiteral("5"));

        answerChoice(QStringLiteral("optno"));
        dialog->close();
        settle();
        EXPECT_TRUE(dialog->isVisible()) << "No in Cancel It? goes on";
        EXPECT_EQ(con->text(), QStringLiteral("5"));
        EXPECT_EQ(rowCount(), 2);

        answerChoice(QStringLiteral("optyes"));
        dialog->close();
    });
    control<QRadioButton>("optKeyboard")->click();
    settle();
    EXPECT_EQ(rowCount(), 0);
    EXPECT_EQ(st().pointCount, 0);
    EXPECT_FALSE(control<QRadioButton>("optKeyboard")->isChecked());
    EXPECT_FALSE(control<QGroupBox>("fraTypEnter")->isEnabled());
}

TEST_F(KeyboardEntry, CancellingAddedPointsEmptiesTheWholeList)
{
    readFile(testData("entry_two_points.txt"));
    clickRow(1, QStringLiteral("optad"));
    frmExpPontos* added = addedPointsWindow();
    ASSERT_NE(added, nullptr);
    ASSERT_TRUE(added->isVisible());
    EXPECT_FALSE(added->isModal());
    EXPECT_EQ(rowCount(), 3) << "the row of the point being typed";
    EXPECT_EQ(added->lblConTeclado->text(), QStringLiteral("Concentration of Point 3"));

    answerChoice(QStringLiteral("optyes"));
    added->close();
    settle();
    EXPECT_FALSE(added->isVisible());
    EXPECT_EQ(rowCount(), 0);
    EXPECT_EQ(st().pointCount, 0);
}

TEST_F(KeyboardEntry, APointBeyondTwoHundredIsRefused)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("entry_199.txt"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (int k = 1; k <= 199; ++k) file.write(QByteArray::number(k) + ",1\r\n");
    }
    readFile(path);
    ASSERT_EQ(rowCount(), 199);

    clickRow(1, QStringLiteral("optad"));
    frmExpPontos* added = addedPointsWindow();
    ASSERT_NE(added, nullptr);
    ASSERT_TRUE(waitActive(added->txtConTeclado));
    typeText(added->txtConTeclado, QStringLiteral("500"));
    pressEnter(added->txtConTeclado);
    typeText(added->txtRatTeclado, QStringLiteral("7"));
    answerChoice(QStringLiteral("optyes"));  // asks for point 201
    pressEnter(added->txtRatTeclado);
    settle();
    ASSERT_EQ(platform->messages.size(), 1u);
    EXPECT_TRUE(platform->messages[0].text.contains(QStringLiteral("200")));
    EXPECT_TRUE(platform->messages[0].overVisible) << "the box is centred on a window the user sees";
    EXPECT_FALSE(added->isVisible());
    EXPECT_EQ(rowCount(), 200);
    EXPECT_EQ(row(200), (QStringList{"200", "5.0000000E+02", "7.0000000E+00"}));
    EXPECT_EQ(st().pointCount, 200);

    // another addition is refused at once
    clickRow(2, QStringLiteral("optad"));
    ASSERT_EQ(platform->messages.size(), 2u);
    EXPECT_TRUE(platform->messages[1].overVisible) << "the box is centred on the data entry window, "
                                                      "not on the keyboard window that is not shown";
    EXPECT_FALSE(added->isVisible());
    EXPECT_EQ(rowCount(), 200);
}

TEST_F(KeyboardEntry, TypedNumbersFollowTheLocaleSeparator)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    whenModalNamed(QStringLiteral("frmExpPontos"), [&](QWidget* dialog) {
        auto* con = findControl<QLineEdit>(dialog, QStringLiteral("txtConTeclado"));
        auto* rate = findControl<QLineEdit>(dialog, QStringLiteral("txtRatTeclado"));
        typeText(con, QStringLiteral("0.5"));  // a point is no decimal mark here
        pressEnter(con);
        EXPECT_TRUE(con->hasFocus());
        typeText(con, QStringLiteral("0,5"));
        pressEnter(con);
        typeText(rate, QStringLiteral("12,5"));
        answerChoice(QStringLiteral("optno"));
        pressEnter(rate);
    });
    control<QRadioButton>("optKeyboard")->click();
    settle();
    ASSERT_EQ(platform->messages.size(), 1u);
    EXPECT_EQ(platform->messages[0].text, QStringLiteral("Wrong Concentration"));
    EXPECT_EQ(row(1), (QStringList{"1", "5,0000000E-01", "1,2500000E+01"}));
}

}  // namespace
}  // namespace kinetra
