// "Save as…" in the graph windows saves the picture: PNG at 300 dpi, a one-page PDF the
// size of the picture or the SVG writer's document, by the file name's ending; the messages
// of a name without a picture ending and of a place that refuses the file.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "graphs/GraphGeometry.h"
#include "support/GuiTestSupport.h"
#include "support/UnwritablePlace.h"
#include "windows/graphs/frmGrafico1.h"

namespace kinetra {
namespace {

using namespace testing;

class SavePicture : public GuiTest {
protected:
    frmGrafico1* graph1()
    {
        WindowState& st = hub->state();
        st.dataSet.concentration = {0.1, 1.0, 10.0};
        st.dataSet.rate = {10.0, 50.0, 90.0};
        hub->openGraph1();
        settle();
        return qobject_cast<frmGrafico1*>(hub->graph1Window());
    }
    // "Save as…" in the window, the dialog answered with `name` in the folder (a name with
    // a folder as it is); the file's bytes.
    QByteArray save(QWidget* window, const QString& name)
    {
        const QString path = name.contains(QLatin1Char('/')) ? name : dir.filePath(name);
        platform->fileAnswers.push_back(path);
        findControl<QPushButton>(window, QStringLiteral("cmdSavePicture"))->click();
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QTemporaryDir dir;
};

TEST_F(SavePicture, APngHoldsGraph1At300Dpi)
{
    frmGrafico1* g1 = graph1();
    const QImage image = QImage::fromData(save(g1, QStringLiteral("graph.png")));
    EXPECT_EQ(image.size(), QSize(2458, 1667)) << "11800 x 8000 twips at 300 dpi";
    EXPECT_NEAR(image.dotsPerMeterX() * 0.0254, 300.0, 0.01);
    const auto pixel = [&image](double x, double y) {
        return image.pixelColor(int(x * 300 / 1440), int(y * 300 / 1440));  // at (x, y) twips
    };
    EXPECT_EQ(pixel(1000, 3400), QColor(Qt::black)) << "the frame's left side";
    EXPECT_EQ(pixel(500, 7800), QColor(Qt::white));
    int points = 0;
    for (const DrawOp& op : g1->picture().ops) {
        if (const Circle* c = std::get_if<Circle>(&op); c && ++points) {
            EXPECT_EQ(pixel(c->centre.x, c->centre.y), QColor(Qt::red)) << "a point";
        }
    }
    EXPECT_EQ(points, 3);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"graph.png"}) << "no temporary file left";
}

TEST_F(SavePicture, APdfIsOnePageThePicturesSizeAndAnSvgIsTheWritersDocument)
{
    frmGrafico1* g1 = graph1();
    const QString pdf = QString::fromLatin1(save(g1, QStringLiteral("graph.PDF")));
    EXPECT_TRUE(pdf.startsWith(QStringLiteral("%PDF")));
    EXPECT_EQ(pdf.count(QRegularExpression(QStringLiteral("/Type\\s*/Page\\b"))), 1);
    EXPECT_TRUE(pdf.contains(QStringLiteral("/MediaBox [0 0 590.000000 400.000000]"))) << "590 x 400 points";
    EXPECT_EQ(save(g1, QStringLiteral("graph.svg")), QByteArray::fromStdString(writeSvg(g1->picture())));
    EXPECT_TRUE(platform->messages.empty());
}

TEST_F(SavePicture, ANameWithoutAPictureEndingOrAPlaceThatRefusesTheFileIsSaid)
{
    frmGrafico1* g1 = graph1();
    save(g1, QStringLiteral("graph.jpg"));
    ASSERT_EQ(platform->messages.size(), 1u);
    EXPECT_TRUE(platform->messages[0].text.startsWith(QStringLiteral("A picture is saved as PNG (300 dpi), SVG or")));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    if (!unwritablePlaceRefuses()) GTEST_SKIP() << kUnwritableSkipMessage;
    const QString refused = QString::fromStdString(kUnwritableDir) + QStringLiteral("/graph.png");
    save(g1, refused);
    EXPECT_TRUE(platform->messages.at(1).text.startsWith(
        QStringLiteral("The picture could not be saved in the file %1\r\n").arg(refused)));
}

}  // namespace
}  // namespace kinetra
