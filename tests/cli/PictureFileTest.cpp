// kinetra-fit's pictures by the file name's ending: SVG as the display-list writer gives it,
// PNG of the whole page at 300 dpi, PDF of one page.
#include <gtest/gtest.h>

#include "FitRun.h"
#include "PictureFile.h"
#include "entry/DataSetAnalysis.h"
#include "support/TempDir.h"

namespace kinetra::cli {
namespace {

using testing::slurp;

class PictureFiles : public kinetra::testing::TempDirTest {};

std::uint32_t bigEndian(const std::string& bytes, std::size_t at)
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(bytes.at(at + i));
    return v;
}

std::size_t count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST_F(PictureFiles, TheEndingOfTheNameChoosesTheFormat)
{
    const std::string data = std::string(KINETRA_SOURCE_DIR) + "/examples/michaelis_menten.txt";
    const std::string svg = (dir / "g1.svg").string(), png = (dir / "g1.PNG").string(),
                      pdf = (dir / "g2.pdf").string();
    const CommandRun run = fit({data, "--graph1", svg, "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_EQ(fit({data, "--graph1", png, "--graph2", pdf, "--json"}).exitCode, 0);

    const Outcome<DataSet> set = readDataSet(data, {});
    ASSERT_TRUE(set.ok());
    EXPECT_TRUE(slurp(svg) == writeSvg(*drawGraph1(*set))) << "SVG is the display-list writer's";

    const std::string pngBytes = slurp(png);
    ASSERT_GT(pngBytes.size(), 33u);
    EXPECT_EQ(pngBytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(bigEndian(pngBytes, 16), 2458u) << "11800 twips at 300 dpi";
    EXPECT_EQ(bigEndian(pngBytes, 20), 1667u) << "8000 twips at 300 dpi";

    const std::string pdfBytes = slurp(pdf);
    EXPECT_EQ(pdfBytes.rfind("%PDF-", 0), 0u);
    EXPECT_EQ(count(pdfBytes, "/Type /Page\n") + count(pdfBytes, "/Type /Page ") + count(pdfBytes, "/Type /Page>"), 1u);
    EXPECT_EQ(pictureFormatFor("a.Pdf"), PictureFormat::Pdf);
    EXPECT_EQ(pictureFormatFor("png"), PictureFormat::Svg) << "a name that only looks like an ending";
}

TEST_F(PictureFiles, APictureThatCannotBeWrittenLeavesTheOlderFile)
{
    const std::string data = std::string(KINETRA_SOURCE_DIR) + "/examples/michaelis_menten.txt";
    const std::string inFile = (dir / "plain.txt").string();
    std::ofstream(inFile) << "older";
    const CommandRun run = fit({data, "--graph1", inFile + "/g.png", "--json"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("g.png"), std::string::npos) << run.err;
    EXPECT_EQ(slurp(inFile), "older");
}

}  // namespace
}  // namespace kinetra::cli
