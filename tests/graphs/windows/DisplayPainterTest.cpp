// The one painter of display lists: what a list asks for must come out on an image at the
// screen's resolution, and the same list on a finer device (a printer) must look the same,
// only with more pixels.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>

#include "platform/DisplayPainter.h"

using namespace kinetra;

namespace {

// A white image of the given size in twips at the given resolution.
QImage whiteImage(double widthTwips, double heightTwips, int dpi)
{
    const int w = int(std::lround(widthTwips * dpi / 1440.0));
    const int h = int(std::lround(heightTwips * dpi / 1440.0));
    QImage image(w, h, QImage::Format_RGB32);
    const int dotsPerMeter = int(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    return image;
}

QImage render(const DisplayList& list, int dpi, double widthTwips = 3000, double heightTwips = 3000)
{
    QImage image = whiteImage(widthTwips, heightTwips, dpi);
    paintDisplayListOn(image, list);
    return image;
}

// The pixel under a point given in twips.
QColor at(const QImage& image, double xTwips, double yTwips, int dpi)
{
    return image.pixelColor(int(xTwips * dpi / 1440.0), int(yTwips * dpi / 1440.0));
}

bool isDark(QColor c) { return c.lightness() < 128; }

int darkRowsInColumn(const QImage& image, int column)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        if (isDark(image.pixelColor(column, y))) ++count;
    return count;
}

// Bounding box of everything that is not white.
QRect inkBox(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != QColor(Qt::white)) box |= QRect(x, y, 1, 1);
    return box;
}

}  // namespace

TEST(DisplayPainter, PenWidthIsScreenPixelsOnEveryDevice)
{
    // a 3-pixel pen: 45 twips, whatever the device's resolution; the centre lies on a
    // pixel centre at 96 DPI so that the rows counted are exact
    DisplayList list;
    list.add(Line{{100, 1507.5F}, {2900, 1507.5F}, 3, kBlack});
    list.add(Line{{1507.5F, 100}, {1507.5F, 1000}, 1, kBlack});

    const QImage screen = render(list, 96);
    const QImage printer = render(list, 192);
    const int screenRows = darkRowsInColumn(screen, 50);
    const int printerRows = darkRowsInColumn(printer, 100);
    EXPECT_NEAR(screenRows, 3, 1);
    EXPECT_NEAR(printerRows, 2 * screenRows, 1);

    // the 1-pixel vertical line is one pixel wide on the screen and two on the finer device
    int screenColumns = 0, printerColumns = 0;
    for (int x = 0; x < screen.width(); ++x)
        if (isDark(screen.pixelColor(x, 30))) ++screenColumns;
    for (int x = 0; x < printer.width(); ++x)
        if (isDark(printer.pixelColor(x, 60))) ++printerColumns;
    EXPECT_NEAR(screenColumns, 1, 1);
    EXPECT_GE(printerColumns, 2);
}

TEST(DisplayPainter, ColoursFillsDotsAndClear)
{
    for (int dpi : {96, 300}) {
        SCOPED_TRACE(dpi);
        DisplayList list;
        list.add(Circle{{600, 600}, 150, 1, kRed, kRed});        // filled marker
        list.add(Circle{{1500, 600}, 300, 3, kBlue, std::nullopt});  // open circle
        list.add(Dot{{2400, 600}, kBlack});
        const QImage image = render(list, dpi);

        EXPECT_EQ(at(image, 600, 600, dpi), QColor(Qt::red));
        // an open circle leaves its inside as it was, its outline in its colour
        EXPECT_EQ(at(image, 1500, 600, dpi), QColor(Qt::white));
        EXPECT_EQ(at(image, 1500 + 300, 600, dpi), QColor(Qt::blue));
        EXPECT_EQ(at(image, 1500, 600 - 300, dpi), QColor(Qt::blue));
        EXPECT_TRUE(isDark(at(image, 2405, 605, dpi)));
        EXPECT_EQ(at(image, 2400, 1000, dpi), QColor(Qt::white));

        // Clear erases what came before it, not what follows
        list.add(Clear{});
        list.add(Dot{{300, 2400}, kBlue});
        const QImage cleared = render(list, dpi);
        EXPECT_EQ(at(cleared, 600, 600, dpi), QColor(Qt::white));
        EXPECT_EQ(at(cleared, 1800, 600, dpi), QColor(Qt::white));
        EXPECT_EQ(at(cleared, 305, 2405, dpi), QColor(Qt::blue));
    }
}

TEST(DisplayPainter, TextHangsFromItsTopLeftCornerAndScalesWithTheDevice)
{
    DisplayList list;
    list.fontFamily = "MS Sans Serif";
    list.add(Text{{1500, 1500}, "HHH", 12.0, kBlack});  // 12 pt = 240 twips = 16 px at 96 DPI

    const QImage screen = render(list, 96);
    const QRect box = inkBox(screen);
    ASSERT_FALSE(box.isEmpty());
    // ink starts at the corner (a glyph's side bearing and the line's leading aside) and
    // stays within one line height below it
    EXPECT_GE(box.left(), 100 - 1);
    EXPECT_LE(box.left(), 100 + 4);
    EXPECT_GE(box.top(), 100 - 1);
    EXPECT_LE(box.bottom(), 100 + 16 + 2);
    // capital letters of a 16 px font are about 11 or 12 px high
    EXPECT_GE(box.height(), 9);
    EXPECT_LE(box.height(), 14);

    // the printed text is the same size on paper: twice the pixels at twice the resolution
    const QImage printer = render(list, 192);
    const QRect printerBox = inkBox(printer);
    EXPECT_NEAR(printerBox.height(), 2 * box.height(), 3);
    EXPECT_NEAR(printerBox.width(), 2 * box.width(), 4);
    EXPECT_NEAR(printerBox.top(), 2 * box.top(), 3);

    // a larger point size gives larger letters
    DisplayList bigger = list;
    std::get<Text>(bigger.ops.front()).pointSize = 24.0;
    EXPECT_GT(inkBox(render(bigger, 96)).height(), box.height() * 3 / 2);
}

// A run of joined lines of one pen is stroked as one polyline with round joins; it must
// cover the pixels that the same lines drawn one by one with round caps cover.
TEST(DisplayPainter, JoinedLinesPaintAsTheLinesOneByOne)
{
    DisplayList joined;
    PointF at{200, 1500};
    for (int step = 0; step < 2000; ++step) {
        // a curve of tiny steps, then a sharp bend and a pen of another width
        const PointF next{at.x + 2.5F, 1500 - 1200 * std::sin(step / 300.0F)};
        joined.add(Line{at, next, step < 1500 ? 3 : 1, kBlue});
        at = next;
    }
    joined.add(Line{at, {at.x - 900, 200}, 1, kBlue});
    for (int dpi : {96, 600}) {
        const QImage together = render(joined, dpi, 6000, 3000);
        QImage oneByOne = whiteImage(6000, 3000, dpi);
        for (const DrawOp& op : joined.ops) {
            DisplayList single;
            single.add(op);
            paintDisplayListOn(oneByOne, single);
        }
        int inked = 0, differing = 0;
        for (int y = 0; y < together.height(); ++y)
            for (int x = 0; x < together.width(); ++x) {
                const bool a = together.pixelColor(x, y) != QColor(Qt::white);
                const bool b = oneByOne.pixelColor(x, y) != QColor(Qt::white);
                inked += b ? 1 : 0;
                differing += a != b ? 1 : 0;
            }
        ASSERT_GT(inked, 1000) << dpi;
        // the rasteriser may round a pixel on the edge of the stroke the other way
        EXPECT_LE(differing, inked / 100) << dpi << " dpi: " << differing << " of " << inked;
        EXPECT_EQ(inkBox(together), inkBox(oneByOne)) << dpi;
    }
}
