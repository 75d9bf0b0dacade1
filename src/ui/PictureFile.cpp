#include "ui/PictureFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>
#include <exception>

#include "base/FileReplacement.h"
#include "base/RuntimeFailure.h"
#include "graphs/GraphGeometry.h"
#include "platform/DisplayPainter.h"
#include "ui/Messages.h"
#include "ui/Shell.h"

namespace kinetra {

namespace {

constexpr double kTwipsPerInch = 1440.0;
// the PDF painter's device units: fine enough that a twip is nearly one unit
constexpr int kPdfResolution = 1200;

void paintAntialiased(QPaintDevice& device, const DisplayList& list)
{
    QPainter p;
    if (!p.begin(&device)) throw RuntimeFailure(failure::PathFileAccessError, "The picture cannot be painted");
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    scaleToTwips(p);
    paintDisplayList(p, list);
    p.end();
}

QByteArray pngBytes(const DisplayList& list)
{
    const int width = static_cast<int>(std::lround(kPageWidth * kPictureDpi / kTwipsPerInch));
    const int height = static_cast<int>(std::lround(kPageHeight * kPictureDpi / kTwipsPerInch));
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) throw RuntimeFailure(failure::OutOfMemory);
    const int dotsPerMetre = static_cast<int>(std::lround(kPictureDpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    image.fill(Qt::white);
    paintAntialiased(image, list);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) throw RuntimeFailure(failure::OutOfMemory);
    return bytes;
}

QByteArray pdfBytes(const DisplayList& list)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Kinetra"));
        writer.setResolution(kPdfResolution);
        const QSizeF inches(kPageWidth / kTwipsPerInch, kPageHeight / kTwipsPerInch);
        writer.setPageLayout(QPageLayout(QPageSize(inches, QPageSize::Inch, QString(), QPageSize::ExactMatch),
                                         QPageLayout::Portrait, QMarginsF()));
        paintAntialiased(writer, list);
    }
    return bytes;
}

QString fromStd(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

std::optional<PictureFormat> pictureFormatOf(const QString& path)
{
    const QString ending = QFileInfo(path).suffix().toLower();
    if (ending == QLatin1String("svg")) return PictureFormat::Svg;
    if (ending == QLatin1String("png")) return PictureFormat::Png;
    if (ending == QLatin1String("pdf")) return PictureFormat::Pdf;
    return std::nullopt;
}

QByteArray pictureBytes(const DisplayList& list, PictureFormat format)
{
    switch (format) {
    case PictureFormat::Svg: return QByteArray::fromStdString(writeSvg(list));
    case PictureFormat::Png: return pngBytes(list);
    case PictureFormat::Pdf: return pdfBytes(list);
    }
    return {};
}

void writePictureFile(const QString& path, const DisplayList& list)
{
    const std::optional<PictureFormat> format = pictureFormatOf(path);
    if (!format)
        throw RuntimeFailure(failure::PathFileAccessError, "A picture file's name ends in .png, .svg or .pdf");
    const QByteArray bytes = pictureBytes(list, *format);
    replaceFile(QFile::encodeName(path).toStdString(), std::string_view(bytes.constData(), std::size_t(bytes.size())),
                FileReplacement::OtherTargets::Refuse);
}

bool savePicture(Shell& shell, QWidget* over, const DisplayList& list)
{
    const QString path = shell.platform().saveFileName(over, QStringLiteral("Save Picture"), QDir::currentPath());
    if (path.isEmpty()) return false;
    if (!pictureFormatOf(path)) {
        showCritical(shell, over,
                     QStringLiteral("A picture is saved as PNG (300 dpi), SVG or PDF: the file name must end in "
                                    ".png, .svg or .pdf.\r\n\r\n%1")
                         .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    std::string why;
    try {
        writePictureFile(path, list);
        return true;
    } catch (...) {
        why = failureOf(std::current_exception()).description();
    }
    // the older file of that name, if any, is left as it was
    showCritical(shell, over,
                 QStringLiteral("The picture could not be saved in the file %1\r\n%2")
                     .arg(QDir::toNativeSeparators(path), fromStd(why)));
    return false;
}

DisplayList flattened(const std::vector<DisplayList>& layers)
{
    DisplayList all;
    if (layers.empty()) return all;
    all.fontFamily = layers.front().fontFamily;
    for (const DisplayList& layer : layers) all.ops.insert(all.ops.end(), layer.ops.begin(), layer.ops.end());
    return all;
}

}  // namespace kinetra
