// Reading a data file into the point list: rows and counts, warnings, the limit of 200,
// the read failure that returns to the menu, the cancelled dialog, the locale's separator.

#include "EntryWindowsFixture.h"

namespace kinetra {
namespace {

using testing::EntryTest;
using testing::settle;
using testing::testData;

class DataFileWindow : public EntryTest {};

TEST_F(DataFileWindow, TwoRecordsBecomeTwoNumberedRows)
{
    readFile(testData("entry_two_points.txt"));
    ASSERT_EQ(rowCount(), 2);
    EXPECT_EQ(row(1), (QStringList{"1", "1.000E+00", "2.000E+00"}));
    EXPECT_EQ(row(2), (QStringList{"2", "3.000E+00", "4.000E+00"}));
    EXPECT_EQ(st().pointCount, 2);
    EXPECT_EQ(st().nextPointNumber, 3);
    EXPECT_EQ(form->activeCount(), 2);
    EXPECT_TRUE(platform->messages.empty());
    EXPECT_EQ(platform->fileDialogTitles.back(), QStringLiteral("Open Data File"));
    EXPECT_EQ(platform->fileDialogDirs.back(), QDir::currentPath());
    EXPECT_EQ(form->dataFileName(), testData("entry_two_points.txt"));
    EXPECT_FALSE(control<QRadioButton>("optKeyboard")->isEnabled());
}

TEST_F(DataFileWindow, ReadFailuresShowWrongDataCloseTheWindowAndKeepTheCounts)
{
    const std::vector<std::pair<const char*, int>> failures = {
        {"entry_empty_line_at_end.txt", 62},  // the empty line starts a record without a rate
        {"entry_no_such_file.txt", 53},
    };
    for (const auto& [file, number] : failures) {
        st().pointCount = 7;
        st().nextPointNumber = 8;
        platform->messages.clear();
        readFile(testData(file));
        ASSERT_EQ(platform->messages.size(), 1u) << file;
        const auto& box = platform->messages[0];
        EXPECT_EQ(box.title, QStringLiteral("Wrong Data"));
        EXPECT_EQ(box.icon, MessageIcon::Critical);
        EXPECT_TRUE(box.text.startsWith(QStringLiteral("Error\r\n\r\nErro Number: %1\r\nDescription: ").arg(number)))
            << box.text.toStdString();
        EXPECT_EQ(hub->dataEntryWindow(), nullptr) << file;
        EXPECT_NE(hub->menuWindow(), nullptr) << file;
        EXPECT_EQ(st().pointCount, 7);
        EXPECT_EQ(st().nextPointNumber, 8);
        openDataEntry();
    }
}

TEST_F(DataFileWindow, TwoHundredOfTwoHundredFiftyRecordsAreListed)
{
    readFile(testData("entry_250_records.txt"));
    ASSERT_EQ(rowCount(), 200);
    EXPECT_EQ(row(200), (QStringList{"200", "2.000E+02", "1.000E+02"}));
    EXPECT_EQ(st().pointCount, 200);
    EXPECT_EQ(st().nextPointNumber, 201);
    EXPECT_TRUE(platform->messages.empty());
}

TEST_F(DataFileWindow, ARecordNotAboveZeroIsWarnedAboutAndStillListed)
{
    readFile(testData("entry_zero_concentration.txt"));
    ASSERT_EQ(platform->messages.size(), 1u);
    EXPECT_EQ(platform->messages[0].text, QStringLiteral("Concentration and rate must be greater than zero"));
    EXPECT_EQ(platform->messages[0].title, QStringLiteral("Crítica de Dados"));
    EXPECT_EQ(platform->messages[0].icon, MessageIcon::Critical);
    ASSERT_EQ(rowCount(), 3);
    EXPECT_EQ(row(2), (QStringList{"2", "0.000E+00", "5.000E+00"}));
    EXPECT_EQ(st().pointCount, 3);
}

TEST_F(DataFileWindow, ACancelledDialogLeavesTheListAsItWas)
{
    // first read: nothing to keep
    readFile(QString());
    EXPECT_EQ(rowCount(), 0);
    EXPECT_TRUE(control<QPushButton>("cmmdataOk")->isEnabled());
    EXPECT_TRUE(control<QGroupBox>("fraTypEnter")->isEnabled());
    EXPECT_FALSE(control<QRadioButton>("optFile")->isChecked()) << "File can be chosen again";

    // the same data entry window shown again after a hand-off: a cancel keeps the points
    readFile(testData("entry_two_points.txt"));
    handOnAndReturn();
    readFile(QString());
    EXPECT_EQ(rowCount(), 2);
    EXPECT_EQ(row(2), (QStringList{"2", "3.000E+00", "4.000E+00"}));
    EXPECT_EQ(st().pointCount, 2);
    EXPECT_EQ(st().nextPointNumber, 3);
    EXPECT_TRUE(platform->messages.empty());
}

TEST_F(DataFileWindow, ListedValuesUseTheLocaleSeparator)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    readFile(testData("entry_two_points.txt"));
    ASSERT_EQ(rowCount(), 2);
    EXPECT_EQ(row(1), (QStringList{"1", "1,000E+00", "2,000E+00"}));
    EXPECT_EQ(row(2), (QStringList{"2", "3,000E+00", "4,000E+00"}));
}

}  // namespace
}  // namespace kinetra
