#include "walk/harness/WalkPlatform.h"

#include <QFile>
#include <algorithm>
#include <exception>

#include "entry/DataFileReader.h"

namespace kinetra::walk {

const std::vector<OfferedFile>& offeredFiles()
{
    static const std::vector<OfferedFile> files = [] {
        const QString src = QStringLiteral(KINETRA_SOURCE_DIR);
        std::vector<OfferedFile> f;
        for (const char* good : {"examples/michaelis_menten.txt", "examples/sigmoidal.txt", "examples/two_curves.txt",
                                 "tests/data/worked_case_13_points.txt", "tests/data/hill_n2_10_points.txt",
                                 "tests/data/entry_five_unsorted.txt", "tests/data/two_points_crlf.txt",
                                 "tests/data/two_phases_16_points.txt"})
            f.push_back({src + QLatin1Char('/') + QLatin1String(good), true});
        for (const char* bad : {"tests/data/record_cut_off.txt", "tests/data/text_concentration.txt",
                                "tests/data/empty.txt", "tests/data/overflow_1e999.txt", "tests/data/250_records.txt",
                                "tests/data/zero_rates.txt", "tests/data/zero_concentration.txt",
                                "tests/data/no_such_file.txt", "tests/data"})
            f.push_back({src + QLatin1Char('/') + QLatin1String(bad), false});
        return f;
    }();
    return files;
}

const std::vector<double>& fileNumbers()
{
    static const std::vector<double> numbers = [] {
        std::vector<double> n;
        for (const OfferedFile& f : offeredFiles()) {
            try {
                for (const ReadRecord& r : readDataFile(QFile::encodeName(f.path).toStdString())) {
                    n.push_back(r.concentration);
                    n.push_back(r.rate);
                }
            } catch (const std::exception&) {
                // a file that cannot be read adds no point
            }
        }
        return n;
    }();
    return numbers;
}

QString WalkPlatform::openFileName(QWidget* parent, const QString& title, const QString& startDir)
{
    ScriptedPlatform::openFileName(parent, title, startDir);  // records the request
    const int k = current.openChoice;
    const auto& files = offeredFiles();
    if (k < 0 || k >= static_cast<int>(files.size())) return {};
    fileOpened = true;
    return files[static_cast<std::size_t>(k)].path;
}

bool wholePicture(const QString& path, const QByteArray& bytes)
{
    if (path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) {
        static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
        static const QByteArray iend("\0\0\0\0IEND\xae\x42\x60\x82", 12);
        return bytes.startsWith(signature) && bytes.endsWith(iend);
    }
    if (path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        return bytes.startsWith("%PDF") && bytes.trimmed().endsWith("%%EOF");
    return bytes.trimmed().endsWith("</svg>");
}

QStringList WalkPlatform::openFileNames(QWidget* parent, const QString& title, const QString& startDir)
{
    ScriptedPlatform::openFileName(parent, title, startDir);  // records the request
    const int k = current.openChoice;
    const auto& files = offeredFiles();
    const int n = static_cast<int>(files.size());
    if (k < 0 || k >= n) return {};
    QStringList paths{files[static_cast<std::size_t>(k)].path, files[static_cast<std::size_t>((k + 1) % 8)].path};
    if (k % 2 == 1) paths << files[static_cast<std::size_t>((k * 5 + 3) % n)].path;
    return paths;
}

QString WalkPlatform::saveFileName(QWidget* parent, const QString& title, const QString& startDir)
{
    ScriptedPlatform::saveFileName(parent, title, startDir);
    const int k = current.saveChoice;
    if (k < 0) return {};
    if (title == QLatin1String("Save Picture")) {
        static const char* endings[] = {".png", ".svg", ".pdf"};
        const QString ending = QLatin1String(endings[std::clamp(current.pictureEnding, 0, 2)]);
        if (k == 1) return QStringLiteral("/nonexistent-kinetra-walk/picture") + ending;
        const QString path = scratchDir + QStringLiteral("/picture%1").arg(++saves) + ending;
        pictureFiles.push_back(path);
        return path;
    }
    if (k == 1) return QStringLiteral("/nonexistent-kinetra-walk/out.txt");
    const QString path = scratchDir + QStringLiteral("/saved%1.txt").arg(++saves);
    // the point file is saved when the question "Save data changed?" was answered
    if (currentWindow == QLatin1String("frmsalvaarquivo")) pointFiles.push_back(path);
    else reportFiles.push_back(path);
    return path;
}

bool WalkPlatform::choosePrinter(QWidget* parent)
{
    ScriptedPlatform::choosePrinter(parent);
    return current.printerOk;
}

}  // namespace kinetra::walk
