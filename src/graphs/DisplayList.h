#pragma once
// A picture as a list of drawing operations, in twips (1/1440 inch), x to the
// right and y downwards from the top-left corner of the drawing surface, single
// precision. Texts are placed by their top-left corner. The graph windows, the
// printer and the SVG export all draw from the same list.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace kinetra {

// The picture every graph and plot is drawn on: the graph window's client area, in twips.
inline constexpr int kPageWidth = 11800;
inline constexpr int kPageHeight = 8000;

struct PointF {
    float x = 0.0F;
    float y = 0.0F;
    bool operator==(const PointF&) const = default;
};

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kWhite{255, 255, 255};

struct Line {
    PointF from, to;
    int penWidth = 1;
    Rgb colour = kBlack;
};
struct Circle {
    PointF centre;
    float radius = 0.0F;
    int penWidth = 1;
    Rgb outline = kBlack;
    std::optional<Rgb> fill;  // none: transparent
};
struct Dot {
    PointF at;
    Rgb colour = kBlack;
};
struct Text {
    PointF topLeft;
    std::string text;   // UTF-8
    double pointSize = 8.25;
    Rgb colour = kBlack;
};
// Erases everything drawn before it: the picture starts afresh.
struct Clear {};

using DrawOp = std::variant<Line, Circle, Dot, Text, Clear>;

struct DisplayList {
    std::string fontFamily = "MS Sans Serif";  // the window's font
    std::vector<DrawOp> ops;

    void add(DrawOp op) { ops.push_back(std::move(op)); }
};

}  // namespace kinetra
