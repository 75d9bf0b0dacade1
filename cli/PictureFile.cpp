#include "PictureFile.h"

#include <algorithm>
#include <cairo-pdf.h>
#include <cairo.h>
#include <cctype>
#include <dlfcn.h>
#include <cmath>
#include <memory>
#include <string>
#include <type_traits>
#include <variant>

#include "base/FileReplacement.h"
#include "base/RuntimeFailure.h"
#include "graphs/GraphGeometry.h"

namespace kinetra::cli {

namespace {

// cairo is loaded the first time a picture is painted, not when the program starts: a batch
// that writes no PNG or PDF does not pay for mapping the library and the twenty it needs.
#define KINETRA_CAIRO_FUNCTIONS(X)                                                                \
    X(set_source_rgb) X(set_line_width) X(set_line_cap) X(set_line_join) X(select_font_face)      \
    X(rectangle) X(fill) X(move_to) X(line_to) X(stroke) X(new_sub_path) X(arc) X(fill_preserve)  \
    X(set_font_size) X(font_extents) X(show_text) X(new_path) X(surface_destroy) X(destroy)       \
    X(status_to_string) X(image_surface_create) X(surface_status) X(create) X(scale) X(status)    \
    X(surface_write_to_png_stream) X(pdf_surface_create_for_stream) X(show_page)                  \
    X(surface_finish)

struct CairoLibrary {
#define KINETRA_CAIRO_POINTER(name) decltype(&::cairo_##name) name = nullptr;
    KINETRA_CAIRO_FUNCTIONS(KINETRA_CAIRO_POINTER)
#undef KINETRA_CAIRO_POINTER
    std::string problem;  // why the library could not be used; empty when it can
};

CairoLibrary loadCairo()
{
    CairoLibrary lib;
    void* handle = ::dlopen("libcairo.so.2", RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = ::dlerror();
        lib.problem = std::string("PNG and PDF pictures need the cairo library: ") + (why ? why : "libcairo.so.2 cannot be loaded");
        return lib;
    }
#define KINETRA_CAIRO_LOOKUP(name)                                                                 \
    lib.name = reinterpret_cast<decltype(lib.name)>(::dlsym(handle, "cairo_" #name));              \
    if (lib.name == nullptr && lib.problem.empty()) lib.problem = "the cairo library has no cairo_" #name;
    KINETRA_CAIRO_FUNCTIONS(KINETRA_CAIRO_LOOKUP)
#undef KINETRA_CAIRO_LOOKUP
    return lib;
}

const CairoLibrary& cairo()
{
    static const CairoLibrary loaded = loadCairo();
    return loaded;
}

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

void setColour(cairo_t* cr, Rgb c) { cairo().set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0); }

void setPen(cairo_t* cr, int widthPixels, Rgb colour)
{
    setColour(cr, colour);
    cairo().set_line_width(cr, std::max(widthPixels, 1) * kTwipsPerScreenPixel);
}

// Paints the list on a surface whose unit the caller has made one twip.
void paint(cairo_t* cr, const DisplayList& list)
{
    cairo().set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo().set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo().select_font_face(cr, fontFamily(list.fontFamily), CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    auto clear = [cr] {
        cairo().set_source_rgb(cr, 1.0, 1.0, 1.0);
        cairo().rectangle(cr, 0.0, 0.0, kPageWidth, kPageHeight);
        cairo().fill(cr);
    };
    clear();
    for (const DrawOp& op : list.ops) {
        std::visit(
            [&](const auto& item) {
                using T = std::decay_t<decltype(item)>;
                if constexpr (std::is_same_v<T, Line>) {
                    setPen(cr, item.penWidth, item.colour);
                    cairo().move_to(cr, item.from.x, item.from.y);
                    cairo().line_to(cr, item.to.x, item.to.y);
                    cairo().stroke(cr);
                } else if constexpr (std::is_same_v<T, Circle>) {
                    cairo().new_sub_path(cr);
                    cairo().arc(cr, item.centre.x, item.centre.y, item.radius, 0.0, 2.0 * M_PI);
                    if (item.fill) {
                        setColour(cr, *item.fill);
                        cairo().fill_preserve(cr);
                    }
                    setPen(cr, item.penWidth, item.outline);
                    cairo().stroke(cr);
                } else if constexpr (std::is_same_v<T, Dot>) {
                    setColour(cr, item.colour);
                    cairo().rectangle(cr, item.at.x, item.at.y, kTwipsPerScreenPixel, kTwipsPerScreenPixel);
                    cairo().fill(cr);
                } else if constexpr (std::is_same_v<T, Text>) {
                    cairo().set_font_size(cr, item.pointSize * kTwipsPerPoint);
                    cairo_font_extents_t extents;
                    cairo().font_extents(cr, &extents);
                    setColour(cr, item.colour);
                    cairo().move_to(cr, item.topLeft.x, item.topLeft.y + extents.ascent);
                    cairo().show_text(cr, item.text.c_str());
                    cairo().new_path(cr);
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
    void operator()(cairo_surface_t* s) const { cairo().surface_destroy(s); }
};
struct ContextDeleter {
    void operator()(cairo_t* c) const { cairo().destroy(c); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

void check(cairo_status_t status)
{
    if (status == CAIRO_STATUS_NO_MEMORY) throw RuntimeFailure(failure::OutOfMemory);
    if (status != CAIRO_STATUS_SUCCESS) throw RuntimeFailure(failure::InternalError, cairo().status_to_string(status));
}

std::string pngBytes(const DisplayList& list)
{
    const double scale = kPixelsPerInch / kTwipsPerInch;
    const Surface surface(cairo().image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(std::lround(kPageWidth * scale)),
                                                     static_cast<int>(std::lround(kPageHeight * scale))));
    check(cairo().surface_status(surface.get()));
    {
        const Context cr(cairo().create(surface.get()));
        cairo().scale(cr.get(), scale, scale);
        paint(cr.get(), list);
        check(cairo().status(cr.get()));
    }
    std::string bytes;
    check(cairo().surface_write_to_png_stream(surface.get(), append, &bytes));
    return bytes;
}

std::string pdfBytes(const DisplayList& list)
{
    std::string bytes;
    {
        const Surface surface(cairo().pdf_surface_create_for_stream(append, &bytes, kPageWidth / kTwipsPerPoint,
                                                                  kPageHeight / kTwipsPerPoint));
        check(cairo().surface_status(surface.get()));
        const Context cr(cairo().create(surface.get()));
        cairo().scale(cr.get(), 1.0 / kTwipsPerPoint, 1.0 / kTwipsPerPoint);
        paint(cr.get(), list);
        check(cairo().status(cr.get()));
        cairo().show_page(cr.get());
        cairo().surface_finish(surface.get());
        check(cairo().surface_status(surface.get()));
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
    if (format != PictureFormat::Svg && !cairo().problem.empty())
        throw RuntimeFailure(failure::InternalError, cairo().problem);
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
