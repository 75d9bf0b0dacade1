#pragma once
// A fixture for the data entry window's tests: the menu's calculation command has opened
// the window; helpers read a data file, type points, click list rows and hand the data on.

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <utility>
#include <vector>

#include "support/GuiTestSupport.h"
#include "ui/BackgroundWork.h"
#include "windows/entry/frmEntDados.h"

namespace kinetra::testing {

inline QString testData(const char* name)
{
    return QStringLiteral(KINETRA_TEST_DATA_DIR "/") + QLatin1String(name);
}

inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

using Points = std::vector<std::pair<QString, QString>>;

class EntryTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        openDataEntry();
    }
    void TearDown() override
    {
        QLocale::setDefault(QLocale::c());
        GuiTest::TearDown();
    }

    void openDataEntry()
    {
        startCalculation();
        form = qobject_cast<frmEntDados*>(hub->dataEntryWindow());
        ASSERT_NE(form, nullptr);
    }

    WindowState& st() { return hub->state(); }
    template <class W = QWidget>
    W* control(const char* name)
    {
        return findControl<W>(form, QLatin1String(name));
    }
    QTreeWidget* list() { return control<QTreeWidget>("lvwDados"); }
    int rowCount() { return list()->topLevelItemCount(); }
    QStringList row(int r)
    {
        const QTreeWidgetItem* item = list()->topLevelItem(r - 1);
        return item ? QStringList{item->text(0), item->text(1), item->text(2)} : QStringList{};
    }
    QStringList messageTexts() const
    {
        QStringList texts;
        for (const auto& m : platform->messages) texts << m.text;
        return texts;
    }

    // "File" with the dialog answering `path`; a table's reading is waited for.
    void readFile(const QString& path)
    {
        platform->fileAnswers.push_back(path);
        control<QRadioButton>("optFile")->click();
        BackgroundWork::waitForAll(hub.get());
        settle();
    }

    // A fresh keyboard entry in this window.
    void typePoints(const Points& points) { testing::typePoints(form, points); }

    // A click on list row r (from 1), answering the change dialog with `option`.
    void clickRow(int r, const QString& option)
    {
        answerChoice(option);
        QTreeWidget* l = list();
        const QRect rect = l->visualItemRect(l->topLevelItem(r - 1));
        clickInWindow(l->viewport(), rect.center());
        settle();
    }

    void chooseNoReport()
    {
        control<QPushButton>("cmmdataOk")->click();
        control<QRadioButton>("optDestNone")->click();
    }
    void chooseReportFile(const QString& path)
    {
        control<QPushButton>("cmmdataOk")->click();
        platform->fileAnswers.push_back(path);
        control<QRadioButton>("optDestFile")->click();
    }
    void drawGraph()
    {
        control<QPushButton>("cmdDesenha")->click();
        settle();
    }
    // The points handed on without a report, graph 1 closed and this window shown again.
    void handOnAndReturn()
    {
        chooseNoReport();
        drawGraph();
        hub->closeGraph1();
        hub->showDataEntry();
        settle();
    }

    frmEntDados* form = nullptr;
};

}  // namespace kinetra::testing
