// The table reader: separators, headers, the two shapes, missing cells, the limits, the
// failures, and tables a spreadsheet wrote under an English and a German locale.
#include <gtest/gtest.h>

#include <charconv>
#include <filesystem>
#include <string>
#include <vector>

#include "entry/TableReader.h"
#include "support/TempDir.h"

namespace kinetra {
namespace {

std::string shortest(double v)
{
    char buf[32];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// One line per data set: name [concentration unit|rate unit]: concentration/rate@line ...
std::string summary(const TableRead& r)
{
    std::string s;
    for (const TableDataSet& d : r.dataSets) {
        s += d.name + " [" + d.concUnit + "|" + d.rateUnit + "]:";
        for (std::size_t i = 0; i < d.rate.size(); ++i)
            s += " " + shortest(d.concentration[i]) + "/" + shortest(d.rate[i]) + "@" +
                 std::to_string(d.lines[i]);
        s += "\n";
    }
    return s;
}

// `sets` is the summary of the data sets, or "refused: " and the failure.
struct ReadCase {
    const char* what;
    std::string text;
    std::string sets;
    std::vector<std::string> warnings = {};
    TableOptions options = {};
};

void PrintTo(const ReadCase& c, std::ostream* os)
{
    *os << c.what;
}

class ReadsTable : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadsTable, GivesTheDataSetsAndWarningsOrRefuses)
{
    const ReadCase& c = GetParam();
    const TableRead r = readTable(c.text, c.options);
    EXPECT_EQ(r.ok() ? summary(r) : "refused: " + r.failure, c.sets);
    if (r.ok())
        EXPECT_EQ(r.warnings, c.warnings);
    else
        EXPECT_TRUE(r.dataSets.empty());
}

const std::string kNotPositive = ": Concentration and rate must be greater than zero";

INSTANTIATE_TEST_SUITE_P(
    Tables, ReadsTable,
    ::testing::Values(
        ReadCase{"semicolons and decimal commas", "S;v\r\n0,02;76\r\n0,05;1,5e2\r\n",
                 " [|]: 0.02/76@2 0.05/150@3\n"},
        ReadCase{"units in the header, signs, exponents and blanks",
                 "conc (mM),rate [U/mg]\n1.5E-03,+2\n 3 , 4 \n", " [mM|U/mg]: 0.0015/2@2 3/4@3\n"},
        ReadCase{"blanks, a unit split off, a blank line", "S (mM)   v (U/mg)\n  1  2\n\n3\t4\n",
                 " [mM|U/mg]: 1/2@2 3/4@4\n"},
        ReadCase{"tabs without a header, trailing tab, lone CR", "1\t2\t\r3\t4\r",
                 " [|]: 1/2@1 3/4@2\n"},
        ReadCase{"long, named by a condition column",
                 "condition,S (mM),v\nWT,1,10\nMut,1,5\nWT,2,20\n",
                 "WT [mM|]: 1/10@2 2/20@4\nMut [mM|]: 1/5@3\n"},
        ReadCase{"wide: replicates in row order, then column order",
                 "S,WT,WT,Mut\n1,10,11,5\n2,20,21,6\n",
                 "WT [|]: 1/10@2 1/11@2 2/20@3 2/21@3\nMut [|]: 1/5@2 2/6@3\n"},
        ReadCase{"wide without a header", "1;10;5\n2;20;6\n",
                 "column 2 [|]: 1/10@1 2/20@2\ncolumn 3 [|]: 1/5@1 2/6@2\n"},
        ReadCase{"quotes around separators, quotes and line ends",
                 "sample,S,v\n\"A, \"\"x\"\"\",1,2\n\"B\r\nC\",\"3\",4\n",
                 "A, \"x\" [|]: 1/2@2\nB\r\nC [|]: 3/4@3\n"},
        ReadCase{
            "missing cells",
            "S,WT,WT\n1,OVER,2\nInvalid,3,4\n2,NaN,\n3,inf,1e999\n",
            "WT [|]: 1/2@2\n",
            {"line 2, column 2 \"WT\": \"OVER\" is not a number; the point is left out",
             "line 3, column 1 \"S\": \"Invalid\" is not a number; the row is left out",
             "line 4, column 2 \"WT\": \"NaN\" is not a number; the point is left out",
             "line 4, column 3 \"WT\": empty cell; the point is left out",
             "line 5, column 2 \"WT\": \"inf\" is not a number; the point is left out",
             "line 5, column 3 \"WT\": \"1e999\" is too large a number; the point is left out"}},
        ReadCase{"points not above zero are kept",
                 "S v\n0 1\n-1 2\n1 0\n",
                 " [|]: 0/1@2 -1/2@3 1/0@4\n",
                 {"line 2" + kNotPositive, "line 3" + kNotPositive, "line 4" + kNotPositive}},
        ReadCase{"a row without a name; a data set without points",
                 "set,S,v\n,1,2\nA,1,2\nB,1,OVER\n",
                 "A [|]: 1/2@3\n",
                 {"line 2, column 1 \"set\": empty cell; the row is left out",
                  "line 4, column 3 \"v\": \"OVER\" is not a number; the point is left out",
                  "data set \"B\" has no points and is left out"}},
        ReadCase{"one named rate among other columns", "S,sd,v,n\n1,0.1,2,3\n", " [|]: 1/2@2\n"},
        ReadCase{"columns chosen by number", "a,b,c\n1,2,3\n", " [|]: 3/1@2\n", {}, {"3", "1", ""}},
        ReadCase{"columns chosen by header, units aside",
                 "x,S (mM),y,who\n1,2,3,A\n",
                 "A [mM|]: 2/3@2\n",
                 {},
                 {"s", "Y", "who"}}));

INSTANTIATE_TEST_SUITE_P(
    Refused, ReadsTable,
    ::testing::Values(
        ReadCase{"nothing", "", "refused: the table is empty"},
        ReadCase{"blank lines and separators", "\n  \r\n\t \t\n", "refused: the table is empty"},
        ReadCase{"a header alone", "S,v\n\n",
                 "refused: only a header row: no row of numbers follows line 1"},
        ReadCase{"a short row", "S,v\n1,2\n3\n", "refused: line 3 has 1 field; line 1 has 2"},
        ReadCase{"a long row", "S,v\n1,2,3\n", "refused: line 2 has 3 fields; line 1 has 2"},
        ReadCase{"a quote never closed", "S,v\n1,\"2\n3,4\n",
                 "refused: the quote opened on line 2 is never closed"},
        ReadCase{"one column", "1\n2\n",
                 "refused: line 1 has 1 field: a table needs a column for the concentration and "
                 "one for the rate"},
        ReadCase{"no rate numbers", "S,name\n1,a\n",
                 "refused: no column of numbers for the rate: column 2 \"name\" holds none"},
        ReadCase{"no concentration numbers", "x,y\na,1\n",
                 "refused: no column of numbers for the concentration: column 1 \"x\" holds none"},
        ReadCase{"no rate column", "set,S\nA,1\n",
                 "refused: no column of numbers for the rate: the table has only the concentration "
                 "and the names"},
        ReadCase{"no row with both", "S,v\nOVER,2\n1,OVER\n",
                 "refused: no row has both a concentration and a rate"},
        ReadCase{"a header not found",
                 "S,v\n1,2\n",
                 "refused: no column headed \"w\" for the rate",
                 {},
                 {"", "w", ""}},
        ReadCase{"a header asked of a table without one",
                 "1,2\n",
                 "refused: the table has no header row to find the rate column \"v\" in; name it "
                 "by its number",
                 {},
                 {"", "v", ""}},
        ReadCase{"a column number beyond the table",
                 "1,2\n",
                 "refused: the rate column 5 is not among the table's 2 columns",
                 {},
                 {"", "5", ""}},
        ReadCase{"one column for two",
                 "1,2\n",
                 "refused: the concentration and the rate cannot be the same column (column 2)",
                 {},
                 {"2", "2", ""}}));

// One line per data set: its name, units, count, first and last point.
std::string outline(const TableRead& r)
{
    if (!r.ok()) return "refused: " + r.failure;
    std::string s;
    const auto point = [](const TableDataSet& d, std::size_t i) {
        return shortest(d.concentration[i]) + "/" + shortest(d.rate[i]) + "@" +
               std::to_string(d.lines[i]);
    };
    for (const TableDataSet& d : r.dataSets)
        s += d.name + " [" + d.concUnit + "|" + d.rateUnit + "] " + std::to_string(d.rate.size()) +
             ": " + point(d, 0) + " .. " + point(d, d.rate.size() - 1) + "\n";
    return s;
}

struct FileCase {
    const char* file;
    char separator;
    std::string sets;
    std::size_t warnings;
};

void PrintTo(const FileCase& c, std::ostream* os)
{
    *os << c.file;
}

class ReadsTableFile : public ::testing::TestWithParam<FileCase> {};

TEST_P(ReadsTableFile, GivesTheDataSets)
{
    const FileCase& c = GetParam();
    const TableRead r = readTableFile(std::string(KINETRA_TEST_DATA_DIR) + "/tables/" + c.file);
    EXPECT_EQ(outline(r), c.sets);
    EXPECT_EQ(r.warnings.size(), c.warnings);
    EXPECT_EQ(r.layout.separator, c.separator);
}

const std::string kPlate =
    "WT [mM|] 20: 0.05/10.2@2 .. 5/99@8\nMut [mM|] 21: 0.05/4.1@2 .. 5/68.2@8\n"
    "Inh [mM|] 20: 0.05/2.2@2 .. 5/59.1@8\n";
const std::string kConditions =
    "WT, 25 \u00B0C [mM|U/mg] 4: 0.1/12.5@2 .. 5/80.4@7\n"
    "Hemmer 5 \u00B5M [mM|U/mg] 4: 0.1/5.1@5 .. 5/50.3@9\n";

INSTANTIATE_TEST_SUITE_P(
    Files, ReadsTableFile,
    ::testing::Values(
        FileCase{"de_s_v_semicolons.csv", ';', " [|] 8: 0.02/76@2 .. 5/395@9\n", 0},
        FileCase{"en_conc_rate.csv", ',', " [|] 8: 1.5e-05/0.0081@2 .. 0.1/12.1@9\n", 0},
        FileCase{"en_plate_wide.csv", ',', kPlate, 2},
        FileCase{"de_plate_wide.csv", ';', kPlate, 2},
        FileCase{"en_long_condition.csv", ',', kConditions, 0},
        FileCase{"de_long_condition_latin1.csv", ';', kConditions, 0},
        FileCase{"en_tabs.tsv", '\t', " [\u00B5M|nmol/min] 5: 1.5/0.33@2 .. 24/1.87@6\n", 0},
        FileCase{"hostile_bom_crlf_quotes.csv", ';',
                 "A;1 [|] 2: 0.5/10@2 .. 1/18.5@3\nB \"neu\" [|] 1: 0.5/4@5 .. 0.5/4@5\n", 0},
        FileCase{"hostile_latin1_cr.tsv", '\t',
                 "M\u00FCller [|] 1: 1/2@2 .. 1/2@2\nGr\u00F6\u00DFe [|] 1: 2/3@3 .. 2/3@3\n", 0},
        FileCase{"hostile_missing_cells.csv", ',', "A [|] 3: 1/2@2 .. 3/4@4\n", 8},
        FileCase{"hostile_ragged.csv", ',', "refused: line 3 has 2 fields; line 1 has 3", 0},
        FileCase{"hostile_header_only.csv", ';',
                 "refused: only a header row: no row of numbers follows line 1", 0}));

// A long table of `rows` points named A after one named B; line 2 holds B.
std::string namedRows(int rows, const char* rate = "2")
{
    std::string t = "set,S,v\nB,1,2\n";
    for (int i = 0; i < rows; ++i) t += std::string("A,1,") + rate + "\n";
    return t;
}

TEST(TableLimits, ADataSetKeepsItsFirst200Points)
{
    const TableRead r = readTable(namedRows(201));
    ASSERT_EQ(r.dataSets.size(), 2u);
    EXPECT_EQ(r.dataSets[1].name, "A");
    EXPECT_EQ(r.dataSets[1].rate.size(), 200u);
    EXPECT_EQ(r.dataSets[1].lines.back(), 202);
    EXPECT_EQ(r.warnings,
              std::vector<std::string>{
                  "A data set holds at most 200 points: no further point can be "
                  "entered. In data set \"A\", the points from line 203 on are left out."});
}

TEST(TableLimits, WarningsBeyondTheirLimitAreCountedButThePointLimitIsTold)
{
    std::string text = namedRows(150, "OVER");
    for (int i = 0; i < 201; ++i) text += "A,1,2\n";
    const TableRead r = readTable(text);
    ASSERT_EQ(r.warnings.size(), static_cast<std::size_t>(kMaxTableWarnings) + 2);
    EXPECT_EQ(r.warnings[kMaxTableWarnings].substr(0, 30),
              std::string(kPointLimitText).substr(0, 30));
    EXPECT_EQ(r.warnings.back(), "50 more warnings are not shown");
}

TEST(TableLimits, TenThousandColumnsAndNoMore)
{
    std::string header = "S";
    std::string row = "1";
    for (int c = 2; c <= kMaxTableColumns; ++c) {
        header += ",c" + std::to_string(c);
        row += "," + std::to_string(c);
    }
    const TableRead r = readTable(header + "\n" + row + "\n");
    ASSERT_EQ(r.failure, "");
    ASSERT_EQ(r.dataSets.size(), static_cast<std::size_t>(kMaxTableColumns - 1));
    EXPECT_EQ(r.dataSets.back().name, "c10000");
    EXPECT_EQ(r.dataSets.back().rate, std::vector<double>{10000});
    EXPECT_EQ(readTable(header + ",one more\n" + row + ",1\n").failure,
              "line 1 has 10001 fields; a table has at most 10000 columns");
}

class TableFiles : public testing::TempDirTest {};

TEST_F(TableFiles, AFiftyMegabyteFileGivesItsFirst200Points)
{
    std::string text = "S;v\n";
    while (text.size() < (50u << 20)) text += "0,001234;5,678\n";
    const TableRead r = readTableFile(file("big.csv", text));
    ASSERT_EQ(r.failure, "");
    ASSERT_EQ(r.dataSets.size(), 1u);
    EXPECT_EQ(r.dataSets[0].rate.size(), 200u);
    EXPECT_EQ(r.dataSets[0].concentration.back(), 0.001234);
    EXPECT_EQ(r.warnings.size(), 1u);
}

// A table whose byte kTablePieceBytes is snippet[at]: rows of data set A up to the snippet.
std::string straddling(const std::string& snippet, std::size_t at)
{
    std::string t = "set;S;v\r\n";
    const std::size_t start = kTablePieceBytes - at;
    const std::string row = "A;0,5;1,25\r\n";
    while (t.size() + 2 * row.size() < start) t += row;
    // the last row padded with zeros to end where the snippet starts
    const std::string head = "A;0,5;1,";
    t += head + std::string(start - t.size() - head.size() - 3, '0') + "1\r\n";
    return t + snippet;
}

void expectSameRead(const TableRead& file, const TableRead& text)
{
    EXPECT_EQ(file.failure, text.failure);
    EXPECT_EQ(summary(file), summary(text));
    EXPECT_EQ(file.warnings, text.warnings);
    EXPECT_EQ(file.layout.separator, text.layout.separator);
    EXPECT_EQ(file.layout.latin1, text.layout.latin1);
    EXPECT_EQ(file.layout.header, text.layout.header);
    EXPECT_EQ(file.layout.rateColumns, text.layout.rateColumns);
}

struct PieceCase {
    const char* what;
    std::string snippet;
    std::size_t at;         // the snippet's byte that starts the file's second piece
    std::string lastSet;    // the name of the last data set, or the failure
};

TEST_F(TableFiles, ARecordAcrossTwoPiecesReadsAsInTheWholeText)
{
    const std::string longName(kTablePieceBytes * 5 / 2, 'x');
    const PieceCase cases[] = {
        {"CR | LF", "B;2;3\r\nB;4;5\r\n", 6, "B"},
        {"a quoted name over two lines", "\"B \"\"x\"\"\r\nend\";2;3\r\n", 4, "B \"x\"\r\nend"},
        {"a UTF-8 character cut", "M\xC3\xBCller;2;3\r\n", 2, "M\xC3\xBCller"},
        {"a Latin-1 byte", "M\xFCller;2;3\r\n", 1, "M\xC3\xBCller"},
        {"a record ending at the cut", "B;2;3\r\n", 0, "B"},
        {"a quote never closed", "B;2;3\r\n\"C;4;5\r\n", 9, "refused: the quote opened on line"},
        {"a record of two pieces and a half", "\"" + longName + "\";2;3\r\n", 1, longName},
    };
    for (const PieceCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string text = straddling(c.snippet, c.at);
        ASSERT_EQ(text[kTablePieceBytes], c.snippet[c.at]);
        const TableRead fromFile = readTableFile(file("pieces.csv", text));
        const TableRead whole = readTable(text);
        expectSameRead(fromFile, whole);
        if (fromFile.ok())
            EXPECT_EQ(fromFile.dataSets.back().name, c.lastSet);
        else
            EXPECT_EQ(("refused: " + fromFile.failure).substr(0, c.lastSet.size()), c.lastSet);
    }
}

TEST_F(TableFiles, AFileBeyondTheLimitIsRefusedUnread)
{
    const std::string path = file("huge.csv", "S,v\n1,2\n");
    std::filesystem::resize_file(path, kMaxTableBytes + 1);  // sparse: nothing is written
    EXPECT_EQ(readTableFile(path).failure, "cannot read \"" + path + "\": it is larger than " +
                                               std::to_string(kMaxTableBytes) + " bytes");
}

TEST_F(TableFiles, FilesThatCannotBeReadAreNamed)
{
    const std::string missing = (dir / "none.csv").string();
    EXPECT_EQ(readTableFile(missing).failure,
              "cannot read \"" + missing + "\": there is no such file");
    EXPECT_EQ(readTableFile(dir.string()).failure,
              "cannot read \"" + dir.string() + "\": it is a folder");
}

TEST(ColumnList, TakesTwoOrThreeNamesOrNumbers)
{
    TableOptions o;
    EXPECT_EQ(parseColumnList(" S (mM) , 2 , set ", o), "");
    EXPECT_EQ(o.concentration + "|" + o.rate + "|" + o.names, "S (mM)|2|set");
    EXPECT_EQ(parseColumnList("S,v", o), "");
    EXPECT_EQ(o.names, "");
    for (const char* bad : {"S", "S,,v", "1,2,3,4", ""})
        EXPECT_NE(parseColumnList(bad, o), "") << bad;
}

}  // namespace
}  // namespace kinetra
