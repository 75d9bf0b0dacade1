#pragma once
// Pictures as files for kinetra-fit: a display list written as SVG (the display-list
// writer), as PNG at 300 dpi or as PDF (one page), chosen by the file name's ending. PNG
// and PDF are painted with cairo from the same display list the windows paint, so the
// command line needs no window system; the plain batch never touches cairo.

#include <string>

#include "graphs/DisplayList.h"

namespace kinetra::cli {

enum class PictureFormat { Svg, Png, Pdf };

// ".png" and ".pdf" (in any case) give PNG and PDF; any other name SVG.
PictureFormat pictureFormatFor(const std::string& path);

// The whole file's bytes. Throws RuntimeFailure when cairo cannot make the picture.
std::string pictureBytes(const DisplayList& list, PictureFormat format);

// The picture written whole or not at all over `path` (a device or a pipe is written
// directly). Throws RuntimeFailure.
void writePicture(const std::string& path, const DisplayList& list);

}  // namespace kinetra::cli
