// The splash: what it shows, that it waits without a time limit, and what dismisses it.
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>

#include "app/frmSplash.h"
#include "platform/Platform.h"
#include "support/GuiTestSupport.h"

namespace kinetra {
namespace {

using testing::clickInWindow;

class SplashTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        splash = new frmSplash;
        spy = std::make_unique<QSignalSpy>(splash.data(), &frmSplash::dismissed);
        splash->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(splash));
        ASSERT_TRUE(testing::waitActive(splash));
    }
    void TearDown() override
    {
        if (splash) splash->close();
        testing::settle();
        EXPECT_TRUE(splash.isNull()) << "a closed splash destroys itself";
    }

    QPointer<frmSplash> splash;
    std::unique_ptr<QSignalSpy> spy;
};

TEST_F(SplashTest, ShowsTitleVersionAndItsFixedFrame)
{
    EXPECT_EQ(splash->lblProductName->text(), QStringLiteral("Kinetra"));
    EXPECT_TRUE(splash->lblProductName->font().bold());
    EXPECT_GT(splash->lblProductName->font().pointSizeF(), splash->lblVersion->font().pointSizeF());
    EXPECT_EQ(splash->lblVersion->text(), QStringLiteral("Version 2.0"));
    EXPECT_FALSE(splash->lblPlatform->text().isEmpty());
    EXPECT_TRUE(splash->lblEmpty->text().isEmpty());
    for (QLabel* notice : {splash->lblInstitution, splash->lblLaboratory, splash->lblCopyright, splash->lblNotice}) {
        EXPECT_FALSE(notice->text().isEmpty()) << notice->objectName().toStdString();
    }
    ASSERT_FALSE(splash->imgLogo->pixmap().isNull());
    EXPECT_EQ(splash->size(), QSize(twipsToPixels(8055), twipsToPixels(4245)));
    EXPECT_EQ(splash->minimumSize(), splash->maximumSize()) << "a fixed frame";
    EXPECT_TRUE((splash->windowFlags() & Qt::WindowType_Mask) == Qt::Tool) << "kept out of the task bar";
    EXPECT_FALSE(splash->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint));
    const QRect screen = splash->screen()->availableGeometry();
    EXPECT_LE(std::abs(splash->x() - (screen.left() + (screen.width() - splash->width()) / 2)), 1) << splash->x();
    EXPECT_LE(std::abs(splash->y() - (screen.top() + (screen.height() - splash->height()) / 2)), 1) << splash->y();
}

TEST_F(SplashTest, WaitsWithoutTimeLimitAndIgnoresClicksBesideTheFrame)
{
    QTest::qWait(300);
    clickInWindow(splash, QPoint(2, 2));  // the window's margin, outside Frame1
    testing::settle();
    EXPECT_EQ(spy->count(), 0);
    ASSERT_FALSE(splash.isNull());
    EXPECT_TRUE(splash->isVisible());
}

TEST_F(SplashTest, AKeyDismissesIt)
{
    QTest::keyClick(splash, Qt::Key_Space);
    EXPECT_EQ(spy->count(), 1);
    testing::settle();
    EXPECT_TRUE(splash.isNull());
}

TEST(SplashClicks, AClickOnTheFrameOrAnyOfItsPartsDismissesIt)
{
    const std::vector<const char*> parts = {"Frame1",        "imgLogo",       "lblPlatform",  "lblVersion",
                                            "lblInstitution", "lblLaboratory", "lblCopyright", "lblNotice",
                                            "lblProductName", "lblEmpty"};
    for (const char* part : parts) {
        SCOPED_TRACE(part);
        QPointer<frmSplash> splash = new frmSplash;
        QSignalSpy dismissed(splash.data(), &frmSplash::dismissed);
        splash->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(splash));
        QWidget* target = testing::findControl(splash, QString::fromLatin1(part));
        ASSERT_NE(target, nullptr);
        // the frame itself is clicked on its border strip, clear of the labels in it
        clickInWindow(target, target == splash->Frame1 ? QPoint(2, target->height() / 2) : QPoint(-1, -1));
        EXPECT_EQ(dismissed.count(), 1);
        testing::settle();
        EXPECT_TRUE(splash.isNull());
        if (splash) splash->close();
    }
}

}  // namespace
}  // namespace kinetra
