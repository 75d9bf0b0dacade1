#include "PictureFile.h"

#include <algorithm>
#include <cairo-pdf.h>
#include <cairo.h>
#include <cctype>
#include <cmath>
#include <memory>
#include <type_traits>
#include <variant>

#include "base/FileReplacement.h"
#include "base/RuntimeFailure.h"
#include "graphs/GraphGeometry.h"

namespace kinetra::cli {

namespace {

constexpr double kPixelsPerInch = 300.0;
constexpr double kTwipsPerInch = 1440.0;
constexpr double kTwipsPerPoint = 20.0;
constexpr double kTwipsPerScreenPixel = 15.0;  // a pen width of one is one pixel at 96 dpi

// The windows ask for these fonts and are given their metric twins; so is the picture.
const char* fontFamily(const std::string& asked)
{
    if (asked == "Times New Roman") return "Liberation Serif";
    return "Liberation Sans";
}

void setColour(cairo_t* cr, Rgb c) { cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0); }

void setPen(cairo_t* cr, int widthPixels, Rgb colour)
{
    setColour(cr, colour);
    cairo_set_line_width(cr, std::max(widthPixels, 1) * kTwipsPerScreenPixel);
}

// Paints the list on a surface whose unit the caller has made one twip.
void paint(cairo_t* cr, const DisplayList& list)
{
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_select_font_face(cr, fontFamily(list.fontFamily), CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    auto clear = [cr] {
        cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
        cairo_rectangle(cr, 0.0, 0.0, kPageWidth, kPageHeight);
        cairo_fill(cr);
    };
    clear();
    for (const DrawOp& op : list.ops) {
        std::visit(
            [&](const auto& item) {
                using T = std::decay_t<decltype(item)>;
                if constexpr (std::is_same_v<T, Line>) {
                    setPen(cr, item.penWidth, item.colour);
                    cairo_move_to(cr, item.from.x, item.from.y);
                    cairo_line_to(cr, item.to.x, item.to.y);
                    cairo_stroke(cr);
                } else if constexpr (std::is_same_v<T, Circle>) {
                    cairo_new_sub_path(cr);
                    cairo_arc(cr, item.centre.x, item.centre.y, item.radius, 0.0, 2.0 * M_PI);
                    if (item.fill) {
                        setColour(cr, *item.fill);
                        cairo_fill_preserve(cr);
                    }
                    setPen(cr, item.penWidth, item.outline);
                    cairo_stroke(cr);
                } else if constexpr (std::is_same_v<T, Dot>) {
                    setColour(cr, item.colour);
                    cairo_rectangle(cr, item.at.x, item.at.y, kTwipsPerScreenPixel, kTwipsPerScreenPixel);
                    cairo_fill(cr);
                } else if constexpr (std::is_same_v<T, Text>) {
                    cairo_set_font_size(cr, item.pointSize * kTwipsPerPoint);
                    cairo_font_extents_t extents;
                    cairo_font_extents(cr, &extents);
                    setColour(cr, item.colour);
                    cairo_move_to(cr, item.topLeft.x, item.topLeft.y + extents.ascent);
                    cairo_show_text(cr, item.text.c_str());
                    cairo_new_path(cr);
                } else if constexpr (std::is_same_v<T, Clear>) {
                    clear();
                }
            },
            op);
    }
}

cairo_status_t append(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

void check(cairo_status_t status)
{
    if (status == CAIRO_STATUS_NO_MEMORY) throw RuntimeFailure(failure::OutOfMemory);
    if (status != CAIRO_STATUS_SUCCESS) throw RuntimeFailure(failure::InternalError, cairo_status_to_string(status));
}

std::string pngBytes(const DisplayList& list)
{
    const double scale = kPixelsPerInch / kTwipsPerInch;
    const Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(std::lround(kPageWidth * scale)),
                                                     static_cast<int>(std::lround(kPageHeight * scale))));
    check(cairo_surface_status(surface.get()));
    {
        const Context cr(cairo_create(surface.get()));
        cairo_scale(cr.get(), scale, scale);
        paint(cr.get(), list);
        check(cairo_status(cr.get()));
    }
    std::string bytes;
    check(cairo_surface_write_to_png_stream(surface.get(), append, &bytes));
    return bytes;
}

std::string pdfBytes(const DisplayList& list)
{
    std::string bytes;
    {
        const Surface surface(cairo_pdf_surface_create_for_stream(append, &bytes, kPageWidth / kTwipsPerPoint,
                                                                  kPageHeight / kTwipsPerPoint));
        check(cairo_surface_status(surface.get()));
        const Context cr(cairo_create(surface.get()));
        cairo_scale(cr.get(), 1.0 / kTwipsPerPoint, 1.0 / kTwipsPerPoint);
        paint(cr.get(), list);
        check(cairo_status(cr.get()));
        cairo_show_page(cr.get());
        cairo_surface_finish(surface.get());
        check(cairo_surface_status(surface.get()));
    }
    return bytes;
}

}  // namespace

PictureFormat pictureFormatFor(const std::string& path)
{
    std::string end = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
    std::transform(end.begin(), end.end(), end.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (end == ".png") return PictureFormat::Png;
    if (end == ".pdf") return PictureFormat::Pdf;
    return PictureFormat::Svg;
}

std::string pictureBytes(const DisplayList& list, PictureFormat format)
{
    switch (format) {
    case PictureFormat::Png: return pngBytes(list);
    case PictureFormat::Pdf: return pdfBytes(list);
    case PictureFormat::Svg: break;
    }
    return writeSvg(list);
}

void writePicture(const std::string& path, const DisplayList& list)
{
    replaceFile(path, pictureBytes(list, pictureFormatFor(path)), FileReplacement::OtherTargets::WriteDirectly,
                FileAccess::Read);
}

}  // namespace kinetra::cli
