#pragma once
// A picture saved as a file, its format chosen by the file name's ending: SVG (the SVG
// writer's document), PNG at 300 dpi, or PDF (one page the size of the picture). PNG and
// PDF are painted by the display-list painter, as the windows and the printer paint. The
// file is written whole or not at all: an older file of that name stays as it was when the
// new one cannot be written.

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

#include "graphs/DisplayList.h"

class QWidget;

namespace kinetra {

class Shell;

enum class PictureFormat { Svg, Png, Pdf };

inline constexpr int kPictureDpi = 300;

// The format a file name's ending (".svg", ".png", ".pdf", case not mattering) asks for.
std::optional<PictureFormat> pictureFormatOf(const QString& path);

// The picture's bytes in that format, the page being kPageWidth x kPageHeight twips. Throws
// RuntimeFailure when the picture cannot be made (memory, the PDF painter).
QByteArray pictureBytes(const DisplayList& list, PictureFormat format);

// Writes the picture to `path` in the format its ending asks for. Throws RuntimeFailure:
// 75 an ending that names no picture format or a target that is not a regular file, 70
// access refused, 61 disk full.
void writePictureFile(const QString& path, const DisplayList& list);

// Saving a picture: the save dialog over `over`, then the file written; a name without a
// picture ending or a file that cannot be written is said in a message. True once saved.
bool savePicture(Shell& shell, QWidget* over, const DisplayList& list);

// Pictures drawn one over the other (a window's persistent picture) as one list, in the
// font of the first.
DisplayList flattened(const std::vector<DisplayList>& layers);

}  // namespace kinetra
