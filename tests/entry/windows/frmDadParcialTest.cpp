// The points window: range hints, the three checks with their messages, the focus kept in
// a rejected field, halves made whole to the even neighbour, curve 2 without baseline, the
// mouse jumping past a field, the way back from a first point that leaves no last point,
// and the close box.
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTest>
#include <QWindow>
#include <functional>
#include <vector>

#include "windows/entry/frmDadParcial.h"
#include "support/GuiTestSupport.h"

namespace kinetra {
namespace {

using testing::clickInWindow;
using testing::findControl;
using testing::GuiTest;
using testing::pressEnter;
using testing::settle;
using testing::typeAndTab;
using testing::typeText;
using testing::waitActive;

const QString kCritica = QStringLiteral("Crítica de Dados");

// Sets a default locale for one test and puts the C locale back afterwards.
struct LocaleGuard {
    explicit LocaleGuard(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleGuard() { QLocale::setDefault(QLocale::c()); }
};

class PointsWindowTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        st().pointCount = 12;
        st().curveNumber = 1;
        st().baseline = 0;
        window();  // created at the first curve of the run, as the calculation does
    }

    WindowState& st() { return hub->state(); }
    frmDadParcial& window() { return hub->pointsWindow(); }
    QLineEdit* field(const char* name) { return findControl<QLineEdit>(&window(), QLatin1String(name)); }
    QLabel* label(const char* name) { return findControl<QLabel>(&window(), QLatin1String(name)); }
    QLineEdit* first() { return field("txtPrimPonto"); }
    QLineEdit* last() { return field("txtUltPonto"); }
    QLineEdit* base() { return field("txtBaseline"); }

    // Shows the window for st.curveNumber and runs the script inside its modal showing; a
    // window the script left open is dismissed afterwards. Returns what the showing returned.
    bool runWindow(const std::function<void()>& script)
    {
        frmDadParcial& w = window();
        testing::whenModalNamed(QStringLiteral("frmDadParcial"), [&](QWidget*) {
            EXPECT_TRUE(waitActive(&w));
            settle();
            script();
            settle();
            if (w.isVisible()) w.done(QDialog::Rejected);
        });
        return w.askPoints();
    }

    std::size_t messageCount() const { return platform->messages.size(); }

    // The text is refused with `message`: the focus stays in the field, its text selected.
    void expectRejected(QLineEdit* f, const QString& text, const QString& message)
    {
        SCOPED_TRACE("text \"" + text.toStdString() + "\" in " + f->objectName().toStdString());
        const std::size_t before = messageCount();
        typeAndTab(f, text);
        settle();
        ASSERT_EQ(messageCount(), before + 1);
        const auto& m = platform->messages.back();
        EXPECT_EQ(m.text, message);
        EXPECT_EQ(m.title, kCritica);
        EXPECT_EQ(m.icon, MessageIcon::Critical);
        EXPECT_EQ(QApplication::focusWidget(), f);
        EXPECT_EQ(f->selectedText(), f->text());
    }

    // The text passes: no message, the focus goes to `next`.
    void expectAccepted(QLineEdit* f, const QString& text, QWidget* next)
    {
        SCOPED_TRACE("text \"" + text.toStdString() + "\" in " + f->objectName().toStdString());
        const std::size_t before = messageCount();
        typeAndTab(f, text);
        settle();
        EXPECT_EQ(messageCount(), before);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
};

TEST_F(PointsWindowTest, FirstPointOutsideItsRangeOrNotANumberIsRefused)
{
    const bool stored = runWindow([&] {
        EXPECT_EQ(window().curveCaption(), QStringLiteral("CURVE # 1"));
        EXPECT_EQ(QApplication::focusWidget(), first());
        EXPECT_EQ(label("lblPrimPonto")->text(), QStringLiteral("First Point (1-12)"));
        EXPECT_EQ(label("lblUltPonto")->text(), QString());
        for (const char* wrong : {"0", "13", "", "0.4", "-1", "abc", "-", "1e"})
            expectRejected(first(), QString::fromLatin1(wrong), QStringLiteral("Wrong First Point"));
        expectAccepted(first(), QStringLiteral("12"), last());
    });
    EXPECT_FALSE(stored);
    EXPECT_EQ(st().lastPoint, 0);
}

TEST_F(PointsWindowTest, LastPointMustLeaveTwoPointsWithinTheSet)
{
    const bool stored = runWindow([&] {
        expectAccepted(first(), QStringLiteral("3"), last());
        EXPECT_EQ(label("lblUltPonto")->text(), QStringLiteral("Last Point (4-12)"));
        for (const char* wrong : {"3", "13", "", "0", "2", "x"})
            expectRejected(last(), QString::fromLatin1(wrong), QStringLiteral("Wrong Last Point"));
        expectAccepted(last(), QStringLiteral("4"), base());
        // nothing is stored before the baseline is accepted
        EXPECT_TRUE(window().isVisible());
        EXPECT_EQ(st().lastPoint, 0);
    });
    EXPECT_FALSE(stored);
}

TEST_F(PointsWindowTest, BaselineOfZeroCompletesTheEntryANegativeOrEmptyOneDoesNot)
{
    st().baseline = 7;
    const bool stored = runWindow([&] {
        typeAndTab(first(), QStringLiteral("3"));
        pressEnter(last());  // Enter moves on as Tab does: the last point is still empty
        settle();
        EXPECT_EQ(platform->messages.back().text, QStringLiteral("Wrong Last Point"));
        typeText(last(), QStringLiteral("4"));
        pressEnter(last());
        settle();
        EXPECT_EQ(QApplication::focusWidget(), base());
        for (const char* wrong : {"-0.5", "", "-", "nan", "inf"})
            expectRejected(base(), QString::fromLatin1(wrong), QStringLiteral("Base Line wrong"));
        EXPECT_EQ(st().baseline, 7);
        typeAndTab(base(), QStringLiteral("0"));
        settle();
        EXPECT_FALSE(window().isVisible());
    });
    EXPECT_TRUE(stored);
    EXPECT_EQ(st().firstPoint, 3);
    EXPECT_EQ(st().lastPoint, 4);
    EXPECT_EQ(st().baseline, 0);
}

TEST_F(PointsWindowTest, SecondCurveAsksNoBaselineAndEndsAtTheLastPoint)
{
    // after a first curve of points 1 to 7
    st().curveNumber = 2;
    st().firstPoint = 8;
    st().baseline = 4.25;
    const bool stored = runWindow([&] {
        EXPECT_EQ(window().curveCaption(), QStringLiteral("CURVE # 2"));
        EXPECT_FALSE(base()->isVisible());
        EXPECT_FALSE(base()->isEnabled());
        EXPECT_FALSE(label("lblBaseline")->isVisible());
        EXPECT_EQ(label("lblPrimPonto")->text(), QStringLiteral("First Point (8-12)"));
        expectRejected(first(), QStringLiteral("7"), QStringLiteral("Wrong First Point"));
        expectAccepted(first(), QStringLiteral("8"), last());
        typeAndTab(last(), QStringLiteral("12"));
        EXPECT_FALSE(window().isVisible());  // at once, without a baseline
    });
    EXPECT_TRUE(stored);
    EXPECT_EQ(st().firstPoint, 8);
    EXPECT_EQ(st().lastPoint, 12);
    EXPECT_EQ(st().baseline, 4.25);

    // a new calculation starts again at curve 1 with its baseline row and the whole range
    st().curveNumber = 1;
    st().firstPoint = 13;
    runWindow([&] {
        EXPECT_TRUE(base()->isVisible());
        EXPECT_TRUE(base()->isEnabled());
        EXPECT_TRUE(label("lblBaseline")->isVisible());
        EXPECT_EQ(label("lblPrimPonto")->text(), QStringLiteral("First Point (1-12)"));
    });
}

TEST_F(PointsWindowTest, PointsAreMadeWholeWithHalvesToTheEvenNeighbour)
{
    struct Case {
        const char* first;
        const char* last;
        int storedFirst, storedLast;
    };
    const std::vector<Case> cases = {{"2.5", "10", 2, 10}, {"3.5", "10", 4, 10}, {"1", "4.5", 1, 4},
                                     {"1", "5.5", 1, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " .. " + c.last);
        st().curveNumber = 1;
        const bool stored = runWindow([&] {
            typeAndTab(first(), QString::fromLatin1(c.first));
            typeAndTab(last(), QString::fromLatin1(c.last));
            typeAndTab(base(), QStringLiteral("1"));
        });
        EXPECT_TRUE(stored);
        EXPECT_EQ(st().firstPoint, c.storedFirst);
        EXPECT_EQ(st().lastPoint, c.storedLast);
    }
}

TEST_F(PointsWindowTest, HalvesThatWouldLeaveOnePointAreRefused)
{
    // 3.5 .. 4.5 passes the first check but both halves become 4: a curve of one point
    const bool stored = runWindow([&] {
        typeAndTab(first(), QStringLiteral("3.5"));
        EXPECT_EQ(label("lblUltPonto")->text(), QStringLiteral("Last Point (4.5-12)"));
        expectRejected(last(), QStringLiteral("4.5"), QStringLiteral("Wrong Last Point"));
    });
    EXPECT_FALSE(stored);
}

TEST_F(PointsWindowTest, NumbersFollowTheUsersDecimalSeparator)
{
    LocaleGuard german(QLocale(QLocale::German, QLocale::Germany));
    const bool stored = runWindow([&] {
        typeAndTab(first(), QStringLiteral("2,5"));
        EXPECT_EQ(label("lblUltPonto")->text(), QStringLiteral("Last Point (3,5-12)"));
        typeAndTab(last(), QStringLiteral("9"));
        expectRejected(base(), QStringLiteral("-0,5"), QStringLiteral("Base Line wrong"));
        typeAndTab(base(), QStringLiteral("0,75"));
    });
    EXPECT_TRUE(stored);
    EXPECT_EQ(st().firstPoint, 2);
    EXPECT_EQ(st().lastPoint, 9);
    EXPECT_EQ(st().baseline, 0.75);
}

TEST_F(PointsWindowTest, MouseJumpsNeverStoreAWrongPairOfPoints)
{
    const bool stored = runWindow([&] {
        // first point accepted, then a click past the empty last point into the baseline
        typeText(first(), QStringLiteral("3"));
        clickInWindow(base());
        settle();
        EXPECT_EQ(QApplication::focusWidget(), base());
        std::size_t before = messageCount();
        typeAndTab(base(), QStringLiteral("1"));
        settle();
        ASSERT_EQ(messageCount(), before + 1);
        EXPECT_EQ(platform->messages.back().text, QStringLiteral("Wrong Last Point"));
        EXPECT_TRUE(window().isVisible());
        EXPECT_EQ(QApplication::focusWidget(), last());

        // once the last point is corrected, leaving the baseline stores the pair
        typeAndTab(last(), QStringLiteral("5"));
        EXPECT_EQ(QApplication::focusWidget(), base());
        QTest::keyClick(base(), Qt::Key_Tab, Qt::ShiftModifier);
        settle();
        EXPECT_FALSE(window().isVisible());
    });
    EXPECT_TRUE(stored);
    EXPECT_EQ(st().firstPoint, 3);
    EXPECT_EQ(st().lastPoint, 5);

    const bool storedAgain = runWindow([&] {
        typeAndTab(first(), QStringLiteral("3"));
        typeText(last(), QStringLiteral("5"));
        QTest::keyClick(last(), Qt::Key_Tab, Qt::ShiftModifier);  // back to the first point
        settle();
        EXPECT_EQ(QApplication::focusWidget(), first());
        typeText(first(), QStringLiteral("9"));
        clickInWindow(base());  // 9 passes its own check; the last point 5 is skipped
        settle();
        EXPECT_EQ(QApplication::focusWidget(), base());
        // then the first point changed behind the accepted last point
        const std::size_t before = messageCount();
        typeAndTab(base(), QStringLiteral("1"));
        settle();
        ASSERT_EQ(messageCount(), before + 1);
        EXPECT_EQ(platform->messages.back().text, QStringLiteral("Wrong Last Point"));
        EXPECT_TRUE(window().isVisible());
        EXPECT_EQ(QApplication::focusWidget(), last());
        EXPECT_EQ(st().lastPoint, 5);  // still the previous curve's choice
        // corrected, the entry completes
        typeAndTab(last(), QStringLiteral("12"));
        typeAndTab(base(), QStringLiteral("1"));
    });
    EXPECT_TRUE(storedAgain);
    EXPECT_EQ(st().firstPoint, 9);
    EXPECT_EQ(st().lastPoint, 12);
}

TEST_F(PointsWindowTest, FirstPointAtTheEndOfTheSetLeavesAWayBack)
{
    const bool stored = runWindow([&] {
        typeAndTab(first(), QStringLiteral("12"));
        expectRejected(last(), QStringLiteral("13"), QStringLiteral("Wrong Last Point"));
        std::size_t before = messageCount();
        QTest::keyClick(last(), Qt::Key_Tab, Qt::ShiftModifier);
        settle();
        EXPECT_EQ(messageCount(), before);
        EXPECT_EQ(QApplication::focusWidget(), first());

        typeAndTab(first(), QStringLiteral("12"));
        typeText(last(), QStringLiteral("5"));
        clickInWindow(first());
        settle();
        EXPECT_EQ(messageCount(), before);
        EXPECT_EQ(QApplication::focusWidget(), first());

        // the way back is no way past: Tab from the last point is still checked
        typeAndTab(first(), QStringLiteral("12"));
        expectRejected(last(), QString(), QStringLiteral("Wrong Last Point"));
        QTest::keyClick(last(), Qt::Key_Tab, Qt::ShiftModifier);
        settle();
        typeAndTab(first(), QStringLiteral("3"));
        typeAndTab(last(), QStringLiteral("4"));
        typeAndTab(base(), QStringLiteral("2"));
    });
    EXPECT_TRUE(stored);
    EXPECT_EQ(st().firstPoint, 3);
    EXPECT_EQ(st().lastPoint, 4);
    EXPECT_EQ(st().baseline, 2);
}

TEST_F(PointsWindowTest, WayBackIsCheckedWhenALastPointIsPossible)
{
    runWindow([&] {
        typeAndTab(first(), QStringLiteral("3"));
        typeText(last(), QString());
        const std::size_t before = messageCount();
        QTest::keyClick(last(), Qt::Key_Tab, Qt::ShiftModifier);
        settle();
        ASSERT_EQ(messageCount(), before + 1);
        EXPECT_EQ(platform->messages.back().text, QStringLiteral("Wrong Last Point"));
        EXPECT_EQ(QApplication::focusWidget(), last());
    });
}

TEST_F(PointsWindowTest, TheOneWindowIsShownAgainEmpty)
{
    frmDadParcial* firstShowing = &window();
    const QPoint placed = firstShowing->pos();
    EXPECT_EQ(placed, QPoint(twipsToPixels(7200), twipsToPixels(5500)));
    EXPECT_EQ(firstShowing->size(), QSize(twipsToPixels(3885), twipsToPixels(1785)));
    runWindow([&] {
        typeAndTab(first(), QStringLiteral("2"));
        typeAndTab(last(), QStringLiteral("6"));
        typeAndTab(base(), QStringLiteral("1.5"));
    });
    firstShowing->move(placed + QPoint(30, 20));  // the user moved it
    runWindow([&] {
        EXPECT_EQ(&window(), firstShowing);
        EXPECT_EQ(window().pos(), placed + QPoint(30, 20));
        for (QLineEdit* f : {first(), last(), base()}) EXPECT_TRUE(f->text().isEmpty());
        EXPECT_EQ(label("lblPrimPonto")->text(), QStringLiteral("First Point (1-12)"));
        EXPECT_TRUE(label("lblUltPonto")->text().isEmpty());
    });
}

TEST_F(PointsWindowTest, CloseBoxEndsTheProgram)
{
    const bool stored = runWindow([&] { window().windowHandle()->close(); });
    EXPECT_FALSE(stored);
    EXPECT_TRUE(hub->programEnded());
    EXPECT_FALSE(window().isVisible());
}

}  // namespace
}  // namespace kinetra
