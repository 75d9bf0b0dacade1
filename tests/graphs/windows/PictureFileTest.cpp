// "Save as…" in the graph windows saves the picture: PNG at 300 dpi, a one-page PDF the
// size of the picture and the SVG writer's document, chosen by the file name's ending; the
// messages of a name without a picture ending and of a file that cannot be written.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>

#include "graphs/GraphGeometry.h"
#include "support/GuiTestSupport.h"
#include "support/UnwritablePlace.h"
#include "ui/PictureFile.h"
#include "windows/graphs/frmGrafico1.h"
#include "windows/graphs/frmGrafico2.h"

using namespace kinetra;
using namespace kinetra::testing;

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The pixel of the 300 dpi picture that holds the point (x, y) in twips.
QPoint pixelAt(double x, double y) { return QPoint(int(x * 300 / 1440), int(y * 300 / 1440)); }

class SavePicture : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        WindowState& st = hub->state();
        st.pointCount = 3;
        st.dataSet.concentration = {0.1, 1.0, 10.0};
        st.dataSet.rate = {10.0, 50.0, 90.0};
        st.dataSet.ligandName = "ATP";
    }
    frmGrafico1* graph1()
    {
        hub->openGraph1();
        settle();
        return qobject_cast<frmGrafico1*>(hub->graph1Window());
    }
    // "Save as…" in the window, the save dialog answered with `name` in the folder (an
    // absolute name as it is, an empty one cancels).
    QString save(QWidget* window, const QString& name)
    {
        const QString path = name.isEmpty() || name.startsWith(QLatin1Char('/')) ? name : dir.filePath(name);
        platform->fileAnswers.push_back(path);
        findControl<QPushButton>(window, QStringLiteral("cmdSavePicture"))->click();
        settle();
        return path;
    }

    QTemporaryDir dir;
};

TEST_F(SavePicture, APngHoldsGraph1At300Dpi)
{
    frmGrafico1* g1 = graph1();
    ASSERT_NE(g1, nullptr);
    const QImage image(save(g1, QStringLiteral("graph.png")));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(platform->fileDialogTitles.back(), QStringLiteral("Save Picture"));
    EXPECT_EQ(image.size(), QSize(2458, 1667)) << "11800 x 8000 twips at 300 dpi";
    EXPECT_NEAR(image.dotsPerMeterX() * 0.0254, 300.0, 0.01);

    // the frame's left side at twips x 1000, a red point where the list puts one, white paper
    EXPECT_EQ(image.pixelColor(pixelAt(1000, 3400)), QColor(Qt::black));
    int points = 0;
    for (const DrawOp& op : g1->picture().ops)
        if (const Circle* c = std::get_if<Circle>(&op)) {
            ++points;
            EXPECT_EQ(image.pixelColor(pixelAt(c->centre.x, c->centre.y)), QColor(Qt::red));
        }
    EXPECT_EQ(points, 3);
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::white));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"graph.png"}) << "no temporary file left";
    EXPECT_TRUE(platform->messages.empty());
}

TEST_F(SavePicture, APdfIsOnePageThePicturesSizeAndAnSvgIsTheWritersDocument)
{
    frmGrafico1* g1 = graph1();
    ASSERT_NE(g1, nullptr);
    const QByteArray pdf = contents(save(g1, QStringLiteral("graph.PDF")));
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_EQ(QString::fromLatin1(pdf).count(QRegularExpression(QStringLiteral("/Type\\s*/Page\\b"))), 1);
    EXPECT_TRUE(pdf.contains("/MediaBox [0 0 590.000000 400.000000]")) << "11800 x 8000 twips are 590 x 400 points";

    EXPECT_EQ(contents(save(g1, QStringLiteral("graph.svg"))), QByteArray::fromStdString(writeSvg(g1->picture())));

    CurveFit fit;
    fit.curve = 1;
    fit.points = {1, 3, 0.0};
    fit.V = 100.0;
    fit.n = 1.0;
    fit.K = 1.0;
    hub->state().curves = {fit};
    hub->closeGraph1();
    hub->openGraph2();
    settle();
    auto* g2 = qobject_cast<frmGrafico2*>(hub->graph2Window());
    ASSERT_NE(g2, nullptr);
    ASSERT_FALSE(g2->picture().empty());
    EXPECT_EQ(contents(save(g2, QStringLiteral("graph2.svg"))),
              QByteArray::fromStdString(writeSvg(flattened(g2->picture()))));
    EXPECT_TRUE(platform->messages.empty());
}

TEST_F(SavePicture, ANameWithoutAPictureEndingOrAPlaceThatRefusesTheFileIsSaid)
{
    frmGrafico1* g1 = graph1();
    ASSERT_NE(g1, nullptr);
    save(g1, QStringLiteral("graph.jpg"));
    ASSERT_EQ(platform->messages.size(), 1u);
    EXPECT_TRUE(platform->messages[0].text.startsWith(QStringLiteral("A picture is saved as PNG (300 dpi), SVG or PDF")));
    EXPECT_EQ(platform->messages[0].title, QStringLiteral("Crítica de Dados"));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    save(g1, QString());  // a cancelled dialog says nothing
    EXPECT_EQ(platform->messages.size(), 1u);

    if (!unwritablePlaceRefuses()) GTEST_SKIP() << kUnwritableSkipMessage;
    const QString refused = QString::fromStdString(kUnwritableDir) + QStringLiteral("/graph.png");
    save(g1, refused);
    ASSERT_EQ(platform->messages.size(), 2u);
    EXPECT_TRUE(platform->messages[1].text.startsWith(
        QStringLiteral("The picture could not be saved in the file %1\r\n").arg(refused)));
    EXPECT_NE(hub->graph1Window(), nullptr) << "the graph stays";
}

}  // namespace
