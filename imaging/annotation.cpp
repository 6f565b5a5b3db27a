#include "imaging/annotation.h"

#include "imaging/true_color.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <mutex>
#include <tuple>
#include <utility>

namespace {

// Coordinates far beyond any image are held here before they become pixel numbers, so a
// wild value clips instead of overflowing an int.
constexpr double CoordinateLimit = 1e9;

// How much of the underlying image a highlighter's colour takes over: multiplied in at this
// strength, dark detail under it stays dark and light paper takes the ink's colour.
constexpr int HighlighterStrength = 153; // of 255
// The highlighter is a broad marker: this many times the chosen width.
constexpr int HighlighterWidthFactor = 3;

// Text and markers are drawn from the first font fontconfig offers for this family, or from
// this file when fontconfig offers none.
constexpr const char* TextFamily = "DejaVu Sans";
constexpr const char* FallbackFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Points further out than this are not positions but garbage, and squaring them must not
// overflow.
constexpr double PointLimit = 1e100;

// Pixel numbers of coordinates, limited; an undefined coordinate gives the widest bound, so
// the exact test per pixel decides.
int PixelFloor(double v) {
    return std::isnan(v) ? int(-CoordinateLimit)
                         : int(std::floor(std::clamp(v, -CoordinateLimit, CoordinateLimit)));
}
int PixelCeil(double v) {
    return std::isnan(v) ? int(CoordinateLimit)
                         : int(std::ceil(std::clamp(v, -CoordinateLimit, CoordinateLimit)));
}

// Pixels [Left, Right) x [Top, Bottom).
struct TPixelBox {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool Empty() const { return Left >= Right || Top >= Bottom; }
    int Width() const { return Right - Left; }
};

TPixelBox Clip(TPixelBox box, const TDibGraphic& image) {
    box.Left = std::max(box.Left, 0);
    box.Top = std::max(box.Top, 0);
    box.Right = std::min(box.Right, image.Width());
    box.Bottom = std::min(box.Bottom, image.Height());
    return box;
}

// The pixels a shape reaching from (minX, minY) to (maxX, maxY) may touch, with `margin`
// around it for antialiased edges, within the image.
TPixelBox BoundsOf(const TDibGraphic& image, double minX, double minY, double maxX, double maxY,
                   double margin) {
    return Clip({PixelFloor(minX - margin), PixelFloor(minY - margin), PixelCeil(maxX + margin),
                 PixelCeil(maxY + margin)},
                image);
}

// How a covered pixel changes, in proportion to its coverage: painted over with the colour, or
// multiplied by it like a highlighter's ink.
enum class TBlend { Paint, Highlight };

// The image the mark is drawn on. A palette image becomes true colour at the first pixel
// the mark really changes, so that a mark that covers nothing leaves the image as it was.
class TCanvas {
public:
    explicit TCanvas(TDibGraphic& image) : Image_(image) {}

    bool Changed() const { return Changed_; }

    // Blends one row of coverage, cover[0] being pixel `left`.
    void BlendRow(int y, int left, const float* cover, int count, uint32_t color, TBlend blend) {
        uint8_t* row = nullptr;
        const int red = ColorRed(color), green = ColorGreen(color), blue = ColorBlue(color);
        for (int i = 0; i < count; ++i) {
            const int alpha = int(cover[i] * 255.0f + 0.5f);
            if (alpha <= 0)
                continue;
            if (!row)
                row = Row(y);
            uint8_t* pixel = row + std::size_t(left + i) * 3;
            const int a = std::min(alpha, 255);
            if (blend == TBlend::Paint) {
                pixel[0] = Mix(pixel[0], blue, a);
                pixel[1] = Mix(pixel[1], green, a);
                pixel[2] = Mix(pixel[2], red, a);
            } else {
                const int strength = (a * HighlighterStrength + 127) / 255;
                pixel[0] = Mix(pixel[0], (pixel[0] * blue + 127) / 255, strength);
                pixel[1] = Mix(pixel[1], (pixel[1] * green + 127) / 255, strength);
                pixel[2] = Mix(pixel[2], (pixel[2] * red + 127) / 255, strength);
            }
        }
    }

    // The row, ready to be written in true colour.
    uint8_t* Row(int y) {
        if (!Changed_) {
            Changed_ = true;
            if (Image_.ImageFormat() != ifTrueColor)
                Image_ = ExpandToTrueColor(Image_);
        }
        return Image_.ScanLine(y);
    }

private:
    static uint8_t Mix(int under, int over, int alpha) {
        return uint8_t((under * (255 - alpha) + over * alpha + 127) / 255);
    }

    TDibGraphic& Image_;
    bool Changed_ = false;
};

// Coverage of the pixels of `box`, row by row: fill(y, left, cover) raises cover[i] (pixel
// left + i of row y) to the shape's coverage there.
using TRowCoverage = std::function<void(int y, int left, float* cover)>;

void DrawCoverage(TCanvas& canvas, const TPixelBox& box, const TRowCoverage& fill, uint32_t color,
                  TBlend blend) {
    if (box.Empty())
        return;
    std::vector<float> cover(std::size_t(box.Width()));
    for (int y = box.Top; y < box.Bottom; ++y) {
        std::fill(cover.begin(), cover.end(), 0.0f);
        fill(y, box.Left, cover.data());
        canvas.BlendRow(y, box.Left, cover.data(), box.Width(), color, blend);
    }
}

float EdgeCoverage(double inside) {
    return inside > 0 ? float(std::min(inside, 1.0)) : 0.0f; // nothing for an undefined value
}

// Round-capped thick segments: a polyline of them joins round, and a pixel under two of
// them is covered once (the larger coverage wins), never twice.
struct TSegment {
    TMarkPoint From, To;
};

// The part of segment `s` within CoordinateLimit of the origin on both axes; false when none.
// Lines far longer than any image keep their course where the image is: an end outside is
// moved along the segment onto the limit it crosses, from the other end, so the part near
// the image keeps the precision the ends give it.
bool ClipToLimits(TSegment& s) {
    const double limit = CoordinateLimit;
    auto outside = [&](const TMarkPoint& p) {
        return (p.X < -limit ? 1 : 0) | (p.X > limit ? 2 : 0) | (p.Y < -limit ? 4 : 0) |
               (p.Y > limit ? 8 : 0);
    };
    for (int step = 0; step < 8; ++step) {
        const int from = outside(s.From), to = outside(s.To);
        if ((from | to) == 0)
            return true;
        if ((from & to) != 0)
            return false; // both beyond the same limit
        TMarkPoint& p = from ? s.From : s.To;
        const TMarkPoint q = from ? s.To : s.From;
        const int sides = from ? from : to;
        if (sides & 3) {
            const double x = sides & 1 ? -limit : limit;
            p = {x, p.Y + (x - p.X) / (q.X - p.X) * (q.Y - p.Y)}; // a part of the way: 0..1
        } else {
            const double y = sides & 4 ? -limit : limit;
            p = {p.X + (y - p.Y) / (q.Y - p.Y) * (q.X - p.X), y};
        }
    }
    return outside(s.From) == 0 && outside(s.To) == 0;
}

class TStroke {
public:
    TStroke(std::vector<TSegment> segments, double width)
        : Segments_(std::move(segments)), Radius_(width / 2) {
        std::erase_if(Segments_, [](TSegment& s) { return !ClipToLimits(s); });
        // By their top, so that rows taken from the top down meet each segment once.
        std::sort(Segments_.begin(), Segments_.end(), [](const TSegment& a, const TSegment& b) {
            return std::min(a.From.Y, a.To.Y) < std::min(b.From.Y, b.To.Y);
        });
    }

    // Everything within the radius plus the half pixel of the antialiased edge.
    TPixelBox Bounds(const TDibGraphic& image) const {
        double minX = CoordinateLimit, minY = CoordinateLimit;
        double maxX = -CoordinateLimit, maxY = -CoordinateLimit;
        for (const auto& s : Segments_) {
            minX = std::min({minX, s.From.X, s.To.X});
            minY = std::min({minY, s.From.Y, s.To.Y});
            maxX = std::max({maxX, s.From.X, s.To.X});
            maxY = std::max({maxY, s.From.Y, s.To.Y});
        }
        return BoundsOf(image, minX, minY, maxX, maxY, Radius_ + 1);
    }

    // Rows are taken from the top down: only the segments that reach the row are looked at,
    // so a long freehand path costs what its pieces near each row cost.
    void Fill(int y, int left, int count, float* cover) {
        const double centreY = y + 0.5;
        const double reach = Radius_ + 0.5;
        if (y < LastRow_) {
            Active_.clear();
            Next_ = 0;
        }
        LastRow_ = y;
        while (Next_ < Segments_.size() &&
               std::min(Segments_[Next_].From.Y, Segments_[Next_].To.Y) - reach <= centreY)
            Active_.push_back(Next_++);
        std::erase_if(Active_, [&](std::size_t i) {
            return std::max(Segments_[i].From.Y, Segments_[i].To.Y) + reach < centreY;
        });
        for (const std::size_t i : Active_) {
            const TSegment& s = Segments_[i];
            double low = 0, high = 0;
            if (!RowSpan(s, centreY, reach, low, high))
                continue;
            const int first = std::max(left, PixelFloor(low - 0.5));
            const int last = std::min(left + count - 1, PixelCeil(high - 0.5));
            for (int x = first; x <= last; ++x) {
                const float c = EdgeCoverage(reach - Distance(s, x + 0.5, centreY));
                float& value = cover[x - left];
                value = std::max(value, c);
            }
        }
    }

private:
    static double Distance(const TSegment& s, double x, double y) {
        const double dx = s.To.X - s.From.X, dy = s.To.Y - s.From.Y;
        const double lengthSquared = dx * dx + dy * dy;
        double t = 0;
        if (lengthSquared > 0)
            t = std::clamp(((x - s.From.X) * dx + (y - s.From.Y) * dy) / lengthSquared, 0.0, 1.0);
        return std::hypot(x - (s.From.X + t * dx), y - (s.From.Y + t * dy));
    }

    // The x range where the horizontal line at `y` comes within `reach` of the segment: the
    // hull of what its two end discs and its straight part give (the shape is convex).
    static bool RowSpan(const TSegment& s, double y, double reach, double& low, double& high) {
        bool any = false;
        auto take = [&](double a, double b) {
            if (a > b)
                std::swap(a, b);
            low = any ? std::min(low, a) : a;
            high = any ? std::max(high, b) : b;
            any = true;
        };
        for (const TMarkPoint& end : {s.From, s.To}) {
            const double h = reach * reach - (y - end.Y) * (y - end.Y);
            if (h >= 0)
                take(end.X - std::sqrt(h), end.X + std::sqrt(h));
        }
        const double dx = s.To.X - s.From.X, dy = s.To.Y - s.From.Y;
        const double length = std::hypot(dx, dy);
        // A segment all but level or upright is taken as such: dividing by its tiny slope
        // would lose the span.
        const double level = 1e-9 * length;
        if (length > 0 && std::abs(dy) > level) {
            // Within reach of the line through the segment...
            const double across = reach * length / std::abs(dy);
            const double middle = s.From.X + (y - s.From.Y) * dx / dy;
            double a = middle - across, b = middle + across;
            // ...and between the perpendiculars at its ends.
            if (std::abs(dx) > level) {
                double t0 = s.From.X - (y - s.From.Y) * dy / dx;
                double t1 = s.From.X + (length * length - (y - s.From.Y) * dy) / dx;
                if (t0 > t1)
                    std::swap(t0, t1);
                a = std::max(a, t0);
                b = std::min(b, t1);
            } else {
                const double t = (y - s.From.Y) * dy / (length * length);
                if (t < 0 || t > 1)
                    a = b + 1;
            }
            if (a <= b)
                take(a, b);
        } else if (length > 0) {
            take(s.From.X, s.To.X); // the caller keeps to rows within reach
        }
        return any;
    }

    std::vector<TSegment> Segments_;
    double Radius_;
    std::vector<std::size_t> Active_; // the segments that reach the last row
    std::size_t Next_ = 0;            // the first segment not yet reached
    int LastRow_ = std::numeric_limits<int>::min();
};

// A filled convex polygon, its points in either winding order.
class TConvexPolygon {
public:
    explicit TConvexPolygon(std::vector<TMarkPoint> points) : Points_(std::move(points)) {
        double area = 0;
        for (std::size_t i = 0; i < Points_.size(); ++i) {
            const auto& a = Points_[i];
            const auto& b = Points_[(i + 1) % Points_.size()];
            area += a.X * b.Y - b.X * a.Y;
        }
        if (area < 0)
            std::reverse(Points_.begin(), Points_.end());
    }

    TPixelBox Bounds(const TDibGraphic& image) const {
        double minX = CoordinateLimit, minY = CoordinateLimit;
        double maxX = -CoordinateLimit, maxY = -CoordinateLimit;
        for (const auto& p : Points_) {
            minX = std::min(minX, p.X);
            minY = std::min(minY, p.Y);
            maxX = std::max(maxX, p.X);
            maxY = std::max(maxY, p.Y);
        }
        return BoundsOf(image, minX, minY, maxX, maxY, 1);
    }

    // Coverage from the distance to the nearest edge the pixel centre lies outside of.
    void Fill(int y, int left, int count, float* cover) const {
        for (int i = 0; i < count; ++i) {
            const double x = left + i + 0.5, cy = y + 0.5;
            double outside = -CoordinateLimit;
            for (std::size_t k = 0; k < Points_.size(); ++k) {
                const auto& a = Points_[k];
                const auto& b = Points_[(k + 1) % Points_.size()];
                const double ex = b.X - a.X, ey = b.Y - a.Y;
                const double length = std::hypot(ex, ey);
                if (length == 0)
                    continue;
                outside = std::max(outside, ((x - a.X) * ey - (cy - a.Y) * ex) / length);
            }
            cover[i] = std::max(cover[i], EdgeCoverage(0.5 - outside));
        }
    }

private:
    std::vector<TMarkPoint> Points_;
};

// The box spanned by two opposite corners.
struct TFrame {
    double Left, Top, Right, Bottom;
    bool HasArea() const { return Right > Left && Bottom > Top; }
};

TFrame FrameOf(const TMark& mark) {
    const TMarkPoint& a = mark.Points[0];
    const TMarkPoint& b = mark.Points.size() > 1 ? mark.Points[1] : mark.Points[0];
    return {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

TPixelBox TouchedPixels(const TDibGraphic& image, const TFrame& frame) {
    return Clip({PixelFloor(frame.Left), PixelFloor(frame.Top), PixelCeil(frame.Right),
                 PixelCeil(frame.Bottom)},
                image);
}

// The part of pixel `p` (covering [p, p + 1)) that lies within [low, high).
double Overlap(int p, double low, double high) {
    return std::max(0.0, std::min(p + 1.0, high) - std::max(double(p), low));
}

// The pixels [first, last] whose centres x + 0.5 lie within `reach` of `centre`, not beyond
// [left, right).
std::pair<int, int> PixelsWithin(double centre, double reach, int left, int right) {
    return {std::max(left, PixelCeil(centre - reach - 0.5)),
            std::min(right - 1, PixelFloor(centre + reach - 0.5))};
}

bool DrawRectangle(TCanvas& canvas, const TDibGraphic& image, const TMark& mark, int width) {
    const TFrame outer = FrameOf(mark);
    if (!outer.HasArea())
        return false;
    // The outline lies inside the box, so a box drawn on pixel edges stays sharp.
    const TFrame inner{outer.Left + width, outer.Top + width, outer.Right - width,
                       outer.Bottom - width};
    const bool hollow = !mark.Filled && inner.HasArea();
    const TPixelBox box = TouchedPixels(image, outer);
    DrawCoverage(
        canvas, box,
        [&](int y, int left, float* cover) {
            const double outerRow = Overlap(y, outer.Top, outer.Bottom);
            const double innerRow = hollow ? Overlap(y, inner.Top, inner.Bottom) : 0;
            // On rows wholly inside the hole, its pixels wholly inside stay untouched.
            int skipFirst = box.Right, skipLast = box.Right;
            if (innerRow == 1)
                std::tie(skipFirst, skipLast) =
                    std::pair{PixelCeil(inner.Left), PixelFloor(inner.Right) - 1};
            for (int x = left; x < box.Right; ++x) {
                if (x >= skipFirst && x <= skipLast) {
                    x = skipLast;
                    continue;
                }
                double c = outerRow * Overlap(x, outer.Left, outer.Right);
                if (hollow)
                    c -= innerRow * Overlap(x, inner.Left, inner.Right);
                cover[x - left] = EdgeCoverage(c);
            }
        },
        mark.Color, TBlend::Paint);
    return true;
}

// An ellipse about the origin along one row of pixels. A pixel whose square lies wholly inside
// is covered whole and one wholly outside not at all; along the rim the coverage comes from
// the distance to the edge, estimated by the implicit function over its gradient (exact on
// the axes, close enough elsewhere for a half-pixel blend).
class TEllipseRow {
public:
    TEllipseRow(double a, double b, double dy) : A_(a), B_(b), Dy_(dy) {
        const double across = std::abs(dy);
        Inside_ = HalfWidth(across + 0.5) - 0.5;
        Outside_ = HalfWidth(std::max(across - 0.5, 0.0)) + 0.5;
    }
    // Pixel centres within these distances of the middle are covered whole, at all.
    double Inside() const { return Inside_; }
    double Outside() const { return Outside_; }

    double Coverage(double dx) const {
        const double along = std::abs(dx);
        if (along <= Inside_)
            return 1;
        if (along >= Outside_)
            return 0;
        const double f = (dx * dx) / (A_ * A_) + (Dy_ * Dy_) / (B_ * B_) - 1;
        const double gx = dx / (A_ * A_), gy = Dy_ / (B_ * B_);
        const double gradient = 2 * std::sqrt(gx * gx + gy * gy);
        return gradient == 0 ? 1 : std::clamp(0.5 - f / gradient, 0.0, 1.0);
    }

private:
    // Half the ellipse's width at `across` from its middle row; -1 beyond its top and bottom.
    double HalfWidth(double across) const {
        return across >= B_ ? -1 : A_ * std::sqrt(1 - (across / B_) * (across / B_));
    }

    double A_, B_, Dy_;
    double Inside_ = 0, Outside_ = 0;
};

bool DrawEllipse(TCanvas& canvas, const TDibGraphic& image, const TMark& mark, int width) {
    const TFrame frame = FrameOf(mark);
    if (!frame.HasArea())
        return false;
    const double centreX = (frame.Left + frame.Right) / 2, centreY = (frame.Top + frame.Bottom) / 2;
    const double a = (frame.Right - frame.Left) / 2, b = (frame.Bottom - frame.Top) / 2;
    const double innerA = a - width, innerB = b - width;
    const bool hollow = !mark.Filled && innerA > 0 && innerB > 0;
    const TPixelBox box = TouchedPixels(image, frame);
    DrawCoverage(
        canvas, box,
        [&](int y, int left, float* cover) {
            const double dy = y + 0.5 - centreY;
            const TEllipseRow outer(a, b, dy);
            const TEllipseRow inner(hollow ? innerA : 1, hollow ? innerB : 1, dy);
            const auto [first, last] = PixelsWithin(centreX, outer.Outside(), left, box.Right);
            // Inside the hole the coverage is nothing, whatever the outer ellipse gives.
            auto [skipFirst, skipLast] = PixelsWithin(centreX, inner.Inside(), left, box.Right);
            if (!hollow)
                skipFirst = box.Right;
            for (int x = first; x <= last; ++x) {
                if (x >= skipFirst && x <= skipLast) {
                    x = skipLast;
                    continue;
                }
                const double dx = x + 0.5 - centreX;
                double c = outer.Coverage(dx);
                if (hollow)
                    c -= inner.Coverage(dx);
                cover[x - left] = EdgeCoverage(c);
            }
        },
        mark.Color, TBlend::Paint);
    return true;
}

bool DrawStroke(TCanvas& canvas, const TDibGraphic& image, const std::vector<TMarkPoint>& path,
                double width, uint32_t color, TBlend blend) {
    std::vector<TSegment> segments;
    for (std::size_t i = 0; i + 1 < path.size(); ++i)
        segments.push_back({path[i], path[i + 1]});
    if (path.size() == 1)
        segments.push_back({path[0], path[0]}); // a click leaves a dot
    TStroke stroke(std::move(segments), width);
    const TPixelBox box = stroke.Bounds(image);
    DrawCoverage(
        canvas, box,
        [&](int y, int left, float* cover) { stroke.Fill(y, left, box.Width(), cover); }, color,
        blend);
    return canvas.Changed();
}

bool DrawArrow(TCanvas& canvas, const TDibGraphic& image, const TMark& mark, int width) {
    const TMarkPoint from = mark.Points[0], to = mark.Points[1];
    const double dx = to.X - from.X, dy = to.Y - from.Y;
    const double length = std::hypot(dx, dy);
    if (!(length > 0))
        return false;
    // The head grows with the line; an arrow shorter than its head is all head.
    const double headLength = std::min(length, std::max(10.0, 4.0 * width));
    const double headHalf = headLength / 2;
    const double ux = dx / length, uy = dy / length;
    const TMarkPoint base{to.X - ux * headLength, to.Y - uy * headLength};
    const TConvexPolygon head({to,
                               {base.X - uy * headHalf, base.Y + ux * headHalf},
                               {base.X + uy * headHalf, base.Y - ux * headHalf}});
    TStroke shaft({{from, base}}, width);
    const TPixelBox shaftBox = shaft.Bounds(image), headBox = head.Bounds(image);
    const TPixelBox box =
        Clip({std::min(shaftBox.Left, headBox.Left), std::min(shaftBox.Top, headBox.Top),
              std::max(shaftBox.Right, headBox.Right), std::max(shaftBox.Bottom, headBox.Bottom)},
             image);
    DrawCoverage(
        canvas, box,
        [&](int y, int left, float* cover) {
            if (y >= shaftBox.Top && y < shaftBox.Bottom)
                shaft.Fill(y, left, box.Width(), cover);
            if (y >= headBox.Top && y < headBox.Bottom && !headBox.Empty())
                head.Fill(y, headBox.Left, headBox.Width(), cover + (headBox.Left - left));
        },
        mark.Color, TBlend::Paint);
    return canvas.Changed();
}

bool DrawRedaction(TCanvas& canvas, const TDibGraphic& image, const TMark& mark) {
    const TFrame frame = FrameOf(mark);
    if (!frame.HasArea())
        return false;
    // Every pixel the box touches is replaced whole: a blended edge would keep part of what
    // lay there.
    const TPixelBox box = TouchedPixels(image, frame);
    if (box.Empty())
        return false;
    for (int y = box.Top; y < box.Bottom; ++y) {
        uint8_t* pixel = canvas.Row(y) + std::size_t(box.Left) * 3;
        for (int x = box.Left; x < box.Right; ++x, pixel += 3) {
            pixel[0] = uint8_t(ColorBlue(mark.Color));
            pixel[1] = uint8_t(ColorGreen(mark.Color));
            pixel[2] = uint8_t(ColorRed(mark.Color));
        }
    }
    return canvas.Changed();
}

// The edges of the pixelation cells along one axis: a grid of `block` from `origin` over the
// visible span [first, last). A cell at either end narrower than half a block joins its
// neighbour, so no cell is a sliver whose average gives away the few pixels under it.
std::vector<int> CellEdges(int origin, int first, int last, int block) {
    std::vector<int> edges{first};
    for (int edge = origin + ((first - origin) / block + 1) * block; edge < last; edge += block)
        edges.push_back(edge);
    edges.push_back(last);
    const int least = (block + 1) / 2;
    if (edges.size() > 2 && edges[1] - edges[0] < least)
        edges.erase(edges.begin() + 1);
    if (edges.size() > 2 && edges[edges.size() - 1] - edges[edges.size() - 2] < least)
        edges.erase(edges.end() - 2);
    return edges;
}

bool DrawPixelation(TCanvas& canvas, const TDibGraphic& image, const TMark& mark, int block) {
    const TFrame frame = FrameOf(mark);
    if (!frame.HasArea())
        return false;
    const TPixelBox box = TouchedPixels(image, frame);
    if (box.Empty())
        return false;
    const std::vector<int> columns = CellEdges(PixelFloor(frame.Left), box.Left, box.Right, block);
    const std::vector<int> rows = CellEdges(PixelFloor(frame.Top), box.Top, box.Bottom, block);
    for (std::size_t r = 0; r + 1 < rows.size(); ++r) {
        for (std::size_t c = 0; c + 1 < columns.size(); ++c) {
            uint64_t sum[3] = {0, 0, 0};
            for (int y = rows[r]; y < rows[r + 1]; ++y) {
                const uint8_t* pixel = canvas.Row(y) + std::size_t(columns[c]) * 3;
                for (int x = columns[c]; x < columns[c + 1]; ++x, pixel += 3)
                    for (int k = 0; k < 3; ++k)
                        sum[k] += pixel[k];
            }
            const uint64_t count =
                uint64_t(rows[r + 1] - rows[r]) * uint64_t(columns[c + 1] - columns[c]);
            uint8_t average[3];
            for (int k = 0; k < 3; ++k)
                average[k] = uint8_t((sum[k] + count / 2) / count);
            for (int y = rows[r]; y < rows[r + 1]; ++y) {
                uint8_t* pixel = canvas.Row(y) + std::size_t(columns[c]) * 3;
                for (int x = columns[c]; x < columns[c + 1]; ++x, pixel += 3)
                    std::copy(average, average + 3, pixel);
            }
        }
    }
    return canvas.Changed();
}

// ---- Text ----

// One glyph's antialiased image, placed in image pixels.
struct TGlyphImage {
    int Left = 0, Top = 0, Width = 0, Rows = 0;
    std::vector<uint8_t> Coverage; // Width x Rows, top row first
};

struct TTextImage {
    std::vector<TGlyphImage> Glyphs;
    // The inked pixels [Left, Right) x [Top, Bottom) of the glyphs laid out; no glyph when
    // nothing shows.
    TPixelBox Ink{0, 0, 0, 0};
    bool AnyInk = false;
};

// Code points of UTF-8 text; a byte that does not start a valid sequence becomes U+FFFD.
std::u32string DecodeUtf8(const std::string& text) {
    std::u32string result;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = uint8_t(text[i]);
        std::size_t extra = 0;
        char32_t code = lead;
        char32_t least = 0;
        if (lead >= 0xC2 && lead < 0xE0) {
            extra = 1, code = lead & 0x1F, least = 0x80;
        } else if (lead >= 0xE0 && lead < 0xF0) {
            extra = 2, code = lead & 0x0F, least = 0x800;
        } else if (lead >= 0xF0 && lead < 0xF5) {
            extra = 3, code = lead & 0x07, least = 0x10000;
        } else if (lead >= 0x80) {
            result.push_back(U'\uFFFD');
            ++i;
            continue;
        }
        bool valid = i + extra < text.size();
        for (std::size_t k = 1; valid && k <= extra; ++k) {
            const auto next = uint8_t(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        valid = valid && code >= least && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
        result.push_back(valid ? code : U'\uFFFD');
        i += valid ? extra + 1 : 1;
    }
    return result;
}

std::string FontFileFromFontconfig() {
    std::string file;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(TextFamily));
    if (!pattern)
        return file;
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
        FcChar8* path = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
            file = reinterpret_cast<const char*>(path);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return file;
}

// The FreeType library and the one face every text mark uses, loaded on first use. FreeType
// objects are not safe across threads, so every use holds the lock.
class TFontEngine {
public:
    static TFontEngine& Instance() {
        static TFontEngine engine;
        return engine;
    }
    TFontEngine(const TFontEngine&) = delete;
    TFontEngine& operator=(const TFontEngine&) = delete;

    // Lays the text out from its top-left corner, lines broken at '\n'. With `keep`, only the
    // glyphs that reach into it are kept (and give the ink box); without, no glyph is kept
    // and the ink box measures the whole text.
    TTextImage Render(const std::string& text, int pixelSize, int left, int top,
                      const TPixelBox* keep) {
        const std::lock_guard lock(Mutex_);
        if (!Face_)
            throw EImageError("No font found to draw text with");
        TTextImage image;
        if (FT_Set_Pixel_Sizes(Face_, 0, FT_UInt(pixelSize)) != 0)
            return image;
        const FT_Size_Metrics& metrics = Face_->size->metrics;
        const long ascender = (metrics.ascender + 32) >> 6;
        const long lineHeight = (metrics.height + 32) >> 6;
        long baseline = top + ascender;
        FT_Pos penX = FT_Pos(left) * 64; // 26.6 fixed point
        FT_UInt previous = 0;
        // Glyphs beyond the kept box on this line need not be drawn: a whole glyph size of
        // room leaves the bearings and overhangs of any glyph inside it.
        bool restOfLineOutside = false;
        const long room = 2L * pixelSize;
        for (const char32_t code : DecodeUtf8(text)) {
            if (code == U'\n') {
                penX = FT_Pos(left) * 64;
                baseline += lineHeight;
                previous = 0;
                restOfLineOutside = false;
                if (keep && baseline - room > keep->Bottom)
                    break; // every further line lies below
                continue;
            }
            if (code < 0x20 || code == 0x7F || restOfLineOutside)
                continue;
            if (keep && (baseline + room < keep->Top || (penX >> 6) - room > keep->Right)) {
                restOfLineOutside = true;
                continue;
            }
            const FT_UInt index = FT_Get_Char_Index(Face_, FT_ULong(code));
            if (previous && index && FT_HAS_KERNING(Face_)) {
                FT_Vector kerning{0, 0};
                if (FT_Get_Kerning(Face_, previous, index, FT_KERNING_DEFAULT, &kerning) == 0)
                    penX += kerning.x;
            }
            previous = index;
            if (FT_Load_Glyph(Face_, index, FT_LOAD_RENDER) != 0)
                continue;
            const FT_GlyphSlot slot = Face_->glyph;
            const FT_Bitmap& bitmap = slot->bitmap;
            const TPixelBox g{int(((penX + 32) >> 6) + slot->bitmap_left),
                              int(baseline - slot->bitmap_top),
                              int(((penX + 32) >> 6) + slot->bitmap_left + long(bitmap.width)),
                              int(baseline - slot->bitmap_top + long(bitmap.rows))};
            const bool kept = keep && g.Left < keep->Right && g.Right > keep->Left &&
                              g.Top < keep->Bottom && g.Bottom > keep->Top;
            if (!g.Empty() && bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && (kept || !keep)) {
                TPixelBox& ink = image.Ink;
                ink = image.AnyInk
                          ? TPixelBox{std::min(ink.Left, g.Left), std::min(ink.Top, g.Top),
                                      std::max(ink.Right, g.Right), std::max(ink.Bottom, g.Bottom)}
                          : g;
                image.AnyInk = true;
            }
            if (!g.Empty() && bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && kept) {
                TGlyphImage glyph;
                glyph.Left = g.Left;
                glyph.Top = g.Top;
                glyph.Width = int(bitmap.width);
                glyph.Rows = int(bitmap.rows);
                glyph.Coverage.resize(std::size_t(glyph.Width) * std::size_t(glyph.Rows));
                const int step = std::abs(bitmap.pitch);
                for (int r = 0; r < glyph.Rows; ++r) {
                    const int stored = bitmap.pitch >= 0 ? r : glyph.Rows - 1 - r;
                    const uint8_t* source = bitmap.buffer + std::size_t(stored) * std::size_t(step);
                    std::copy(source, source + glyph.Width,
                              glyph.Coverage.begin() + std::ptrdiff_t(r) * glyph.Width);
                }
                image.Glyphs.push_back(std::move(glyph));
            }
            penX += slot->advance.x;
            // Text far off to the right or below can never come back into the image.
            if (penX > FT_Pos(CoordinateLimit) || baseline > long(CoordinateLimit))
                break;
        }
        return image;
    }

private:
    TFontEngine() {
        if (FT_Init_FreeType(&Library_) != 0) {
            Library_ = nullptr;
            return;
        }
        const std::string configured = FontFileFromFontconfig();
        for (const std::string& file : {configured, std::string(FallbackFontFile)}) {
            if (!file.empty() && FT_New_Face(Library_, file.c_str(), 0, &Face_) == 0)
                break;
            Face_ = nullptr;
        }
    }
    ~TFontEngine() {
        if (Face_)
            FT_Done_Face(Face_);
        if (Library_)
            FT_Done_FreeType(Library_);
    }

    std::mutex Mutex_;
    FT_Library Library_ = nullptr;
    FT_Face Face_ = nullptr;
};

void DrawText(TCanvas& canvas, const TDibGraphic& image, const TTextImage& text, uint32_t color) {
    const TPixelBox box = Clip(text.Ink, image);
    DrawCoverage(
        canvas, box,
        [&](int y, int left, float* cover) {
            for (const auto& glyph : text.Glyphs) {
                if (y < glyph.Top || y >= glyph.Top + glyph.Rows)
                    continue;
                const uint8_t* source =
                    glyph.Coverage.data() + std::size_t(y - glyph.Top) * std::size_t(glyph.Width);
                const int first = std::max(glyph.Left, box.Left);
                const int last = std::min(glyph.Left + glyph.Width, box.Right);
                for (int x = first; x < last; ++x) {
                    float& value = cover[x - left];
                    value = std::max(value, source[x - glyph.Left] / 255.0f);
                }
            }
        },
        color, TBlend::Paint);
}

// Black on light colours, white on dark ones, by perceived brightness.
uint32_t ContrastingColor(uint32_t color) {
    const int brightness =
        (ColorRed(color) * 299 + ColorGreen(color) * 587 + ColorBlue(color) * 114) / 1000;
    return brightness >= 150 ? 0x000000 : 0xFFFFFF;
}

bool DrawStep(TCanvas& canvas, const TDibGraphic& image, const TMark& mark, int fontSize) {
    const TMarkPoint centre = mark.Points[0];
    TTextImage number; // measured first, then drawn where it is centred
    if (!mark.Text.empty())
        number = TFontEngine::Instance().Render(mark.Text, fontSize, 0, 0, nullptr);
    // The disc holds one or two digits with room around them, and widens for longer numbers.
    const double inkWidth = number.AnyInk ? number.Ink.Width() : 0;
    const double radius = std::max(0.75 * fontSize, inkWidth / 2 + 0.3 * fontSize);
    TStroke disc({{centre, centre}}, 2 * radius);
    const TPixelBox discBox = disc.Bounds(image);
    DrawCoverage(
        canvas, discBox,
        [&](int y, int left, float* cover) { disc.Fill(y, left, discBox.Width(), cover); },
        mark.Color, TBlend::Paint);
    if (number.AnyInk) {
        // Centred by its ink, so every digit sits in the middle whatever the font's bearings.
        const int dx = int(std::lround(centre.X - (number.Ink.Left + number.Ink.Right) / 2.0));
        const int dy = int(std::lround(centre.Y - (number.Ink.Top + number.Ink.Bottom) / 2.0));
        const TPixelBox whole{0, 0, image.Width(), image.Height()};
        DrawText(canvas, image, TFontEngine::Instance().Render(mark.Text, fontSize, dx, dy, &whole),
                 ContrastingColor(mark.Color));
    }
    return canvas.Changed();
}

bool WithinLimits(const std::vector<TMarkPoint>& points) {
    return std::all_of(points.begin(), points.end(), [](const TMarkPoint& p) {
        return std::abs(p.X) <= PointLimit && std::abs(p.Y) <= PointLimit;
    });
}

} // namespace

bool DrawMark(TDibGraphic& image, const TMark& mark) {
    const std::size_t needed = mark.Kind == TMarkKind::Text || mark.Kind == TMarkKind::Step ||
                                       mark.Kind == TMarkKind::Pen ||
                                       mark.Kind == TMarkKind::Highlighter
                                   ? 1
                                   : 2;
    if (image.Empty() || mark.Points.size() < needed || !WithinLimits(mark.Points))
        return false;
    const int width = std::clamp(mark.Width, MinMarkWidth, MaxMarkWidth);
    const int fontSize = std::clamp(mark.FontSize, MinMarkFontSize, MaxMarkFontSize);
    const int block = std::clamp(mark.Block, MinPixelateBlock, MaxPixelateBlock);
    const uint32_t color = mark.Color & 0xFFFFFF;
    TMark clamped = mark;
    clamped.Color = color;

    TCanvas canvas(image);
    switch (mark.Kind) {
    case TMarkKind::Arrow:
        return DrawArrow(canvas, image, clamped, width);
    case TMarkKind::Line:
        if (mark.Points[0].X == mark.Points[1].X && mark.Points[0].Y == mark.Points[1].Y)
            return false;
        return DrawStroke(canvas, image, {mark.Points[0], mark.Points[1]}, width, color,
                          TBlend::Paint);
    case TMarkKind::Rectangle:
        return DrawRectangle(canvas, image, clamped, width) && canvas.Changed();
    case TMarkKind::Ellipse:
        return DrawEllipse(canvas, image, clamped, width) && canvas.Changed();
    case TMarkKind::Pen:
        return DrawStroke(canvas, image, mark.Points, width, color, TBlend::Paint);
    case TMarkKind::Highlighter:
        return DrawStroke(canvas, image, mark.Points, width * HighlighterWidthFactor, color,
                          TBlend::Highlight);
    case TMarkKind::Text: {
        if (mark.Text.empty())
            return false;
        const TMarkPoint at = mark.Points[0];
        if (std::abs(at.X) > CoordinateLimit || std::abs(at.Y) > CoordinateLimit)
            return false;
        const TPixelBox whole{0, 0, image.Width(), image.Height()};
        const TTextImage text = TFontEngine::Instance().Render(
            mark.Text, fontSize, int(std::floor(at.X)), int(std::floor(at.Y)), &whole);
        if (!text.Glyphs.empty())
            DrawText(canvas, image, text, color);
        return canvas.Changed();
    }
    case TMarkKind::Step: {
        const TMarkPoint at = mark.Points[0];
        if (std::abs(at.X) > CoordinateLimit || std::abs(at.Y) > CoordinateLimit)
            return false;
        return DrawStep(canvas, image, clamped, fontSize);
    }
    case TMarkKind::Redact:
        return DrawRedaction(canvas, image, clamped);
    case TMarkKind::Pixelate:
        return DrawPixelation(canvas, image, clamped, block);
    }
    return false;
}
