#include "app/cli_transform.h"

#include "imaging/annotation.h"
#include "imaging/anti_alias_transform.h"
#include "imaging/convert_to_gray_transform.h"
#include "imaging/convolution_transform.h"
#include "imaging/crop_transform.h"
#include "imaging/fit_thumbnail.h"
#include "imaging/flip_transform.h"
#include "imaging/format_registry.h"
#include "imaging/image_format_transform.h"
#include "imaging/negative_transform.h"
#include "imaging/resample.h"
#include "imaging/resize_transform.h"
#include "imaging/rotate_transform.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

const char* const OperationsHelp =
    "Operations, applied in the order given:\n"
    "  gray  negative  flip-h  flip-v  emboss  antialias\n"
    "  rotate:DEG                degrees, clockwise\n"
    "  sharpen[:S]  smooth[:S]   strength 0..100 (10 and 20 unless given)\n"
    "  crop:T,L,B,R              margins to cut off: top, left, bottom, right\n"
    "  display-resize:WxH        resize as the image view draws it\n"
    "  convert:FORMAT[:optimise][:dither]\n"
    "                            bw, gray16, gray256, color16, color256 or truecolor\n"
    "  resample:WxH:FILTER       Box, Triangle, Hermite, Bell, B-Spline, Lanczos3, Mitchell\n"
    "  fit:BWxBH[:FILTER|plain]  fit into a box keeping the aspect ratio (Hermite unless given)\n"
    "Marks, drawn over the image (parts outside it are left out):\n"
    "  rect:X,Y,W,H[:COLOR[:WIDTH]]       box outline (red, 3 pixels unless given)\n"
    "  arrow:X1,Y1,X2,Y2[:COLOR[:WIDTH]]  arrow with its head at X2,Y2 (red, 3 pixels)\n"
    "  text:X,Y:STRING[:SIZE[:COLOR]]     text with its top-left corner at X,Y (24 pixels,\n"
    "                                     black); in STRING write \\: for a colon, \\\\ for a\n"
    "                                     backslash and \\n for a new line\n"
    "  redact:X,Y,W,H                     black box over every pixel of the area\n"
    "  pixelate:X,Y,W,H[:BLOCK]           blocks of BLOCK pixels, each its average (12..1000)\n"
    "  COLOR is RRGGBB in hex (with or without #) or black, white, red, green, blue, yellow,\n"
    "  cyan, magenta, orange, gray; WIDTH 1..100, SIZE 6..400.\n";

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

[[noreturn]] void Refuse(const std::string& operation, const std::string& why) {
    throw ETransformUsage("\"" + operation + "\": " + why);
}

// A whole decimal number and nothing else.
bool ParseInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && ptr == end && !text.empty();
}

int Strength(const std::string& operation, const std::vector<std::string>& parts, int fallback) {
    if (parts.size() == 1)
        return fallback;
    int strength = 0;
    if (parts.size() > 2 || !ParseInt(parts[1], strength) || strength < 0 || strength > 100)
        Refuse(operation, "the strength must be a whole number from 0 to 100");
    return strength;
}

// "WxH", both at least 1.
std::pair<int, int> Size(const std::string& operation, const std::string& text) {
    const auto parts = Split(text, 'x');
    int width = 0, height = 0;
    if (parts.size() != 2 || !ParseInt(parts[0], width) || !ParseInt(parts[1], height) ||
        width < 1 || height < 1)
        Refuse(operation, "the size must be WIDTHxHEIGHT, both at least 1");
    return {width, height};
}

const TResampleFilter& Filter(const std::string& operation, const std::string& name) {
    if (const TResampleFilter* filter = FindResampleFilter(name))
        return *filter;
    Refuse(operation, "unknown filter \"" + name +
                          "\" (Box, Triangle, Hermite, Bell, B-Spline, Lanczos3, Mitchell)");
}

TImageFormat FormatNamed(const std::string& operation, const std::string& name) {
    const std::pair<const char*, TImageFormat> formats[] = {
        {"bw", ifBlackWhite},   {"gray16", ifGray16},     {"gray256", ifGray256},
        {"color16", ifColor16}, {"color256", ifColor256}, {"truecolor", ifTrueColor}};
    for (auto [formatName, format] : formats)
        if (name == formatName)
            return format;
    Refuse(operation,
           "unknown format \"" + name + "\" (bw, gray16, gray256, color16, color256, truecolor)");
}

template <typename TTransform> std::function<void(TDibGraphic&)> Applying(TTransform transform) {
    return [transform](TDibGraphic& image) mutable { transform.Apply(image); };
}

// "X,Y,..." with `count` whole numbers.
bool ParseInts(const std::string& text, std::size_t count, std::vector<int>& values) {
    const auto parts = Split(text, ',');
    if (parts.size() != count)
        return false;
    values.assign(count, 0);
    for (std::size_t i = 0; i < count; ++i)
        if (!ParseInt(parts[i], values[i]))
            return false;
    return true;
}

// A colour as RRGGBB in hex, with or without '#', or one of a few names.
uint32_t Color(const std::string& operation, const std::string& text) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    const std::pair<const char*, uint32_t> names[] = {
        {"black", 0x000000},  {"white", 0xFFFFFF},  {"red", 0xFF0000},  {"green", 0x008000},
        {"blue", 0x0000FF},   {"yellow", 0xFFFF00}, {"cyan", 0x00FFFF}, {"magenta", 0xFF00FF},
        {"orange", 0xFFA500}, {"gray", 0x808080},   {"grey", 0x808080}};
    for (auto [name, color] : names)
        if (lower == name)
            return color;
    const std::string digits = !lower.empty() && lower[0] == '#' ? lower.substr(1) : lower;
    uint32_t color = 0;
    const char* end = digits.data() + digits.size();
    if (digits.size() == 6 &&
        std::all_of(digits.begin(), digits.end(),
                    [](unsigned char c) { return std::isxdigit(c); }) &&
        std::from_chars(digits.data(), end, color, 16).ptr == end)
        return color;
    Refuse(operation, "unknown colour \"" + text +
                          "\" (RRGGBB in hex, or black, white, red, green, blue, yellow, cyan, "
                          "magenta, orange, gray)");
}

// A whole number within [least, most], or the refusal naming what it is.
int Ranged(const std::string& operation, const std::string& text, int least, int most,
           const char* what) {
    int value = 0;
    if (!ParseInt(text, value) || value < least || value > most)
        Refuse(operation, std::string("the ") + what + " must be a whole number from " +
                              std::to_string(least) + " to " + std::to_string(most));
    return value;
}

// "X,Y,W,H" as the mark's two corners; the width and height at least 1.
std::vector<TMarkPoint> Area(const std::string& operation, const std::string& text) {
    std::vector<int> v;
    if (!ParseInts(text, 4, v) || v[2] < 1 || v[3] < 1)
        Refuse(operation, "the area must be X,Y,WIDTH,HEIGHT in whole numbers, the width and "
                          "height at least 1");
    return {{double(v[0]), double(v[1])}, {double(v[0]) + v[2], double(v[1]) + v[3]}};
}

// The text operation's parts: a backslash makes the next ':' or '\\' part of the text, and
// "\\n" is a new line; any other backslash stays as written.
std::vector<std::string> SplitEscaped(const std::string& text) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size() &&
            (text[i + 1] == ':' || text[i + 1] == '\\' || text[i + 1] == 'n')) {
            parts.back() += text[i + 1] == 'n' ? '\n' : text[i + 1];
            ++i;
        } else if (c == ':') {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

std::function<void(TDibGraphic&)> Drawing(TMark mark) {
    return [mark](TDibGraphic& image) { DrawMark(image, mark); };
}

TTransformOperation MarkOperation(const std::string& text, const std::vector<std::string>& parts) {
    const std::string& name = parts[0];
    TMark mark;
    if (name == "rect") {
        if (parts.size() < 2 || parts.size() > 4)
            Refuse(text, "needs the area: rect:X,Y,W,H[:COLOR[:WIDTH]]");
        mark.Kind = TMarkKind::Rectangle;
        mark.Points = Area(text, parts[1]);
        if (parts.size() > 2)
            mark.Color = Color(text, parts[2]);
        if (parts.size() > 3)
            mark.Width = Ranged(text, parts[3], MinMarkWidth, MaxMarkWidth, "line width");
    } else if (name == "arrow") {
        if (parts.size() < 2 || parts.size() > 4)
            Refuse(text, "needs its ends: arrow:X1,Y1,X2,Y2[:COLOR[:WIDTH]]");
        std::vector<int> v;
        if (!ParseInts(parts[1], 4, v))
            Refuse(text, "the ends must be X1,Y1,X2,Y2 in whole numbers");
        if (v[0] == v[2] && v[1] == v[3])
            Refuse(text, "the arrow's ends must differ, or it points nowhere");
        mark.Kind = TMarkKind::Arrow;
        // Through the middle of the pixels named, so a thin arrow covers whole pixels.
        mark.Points = {{v[0] + 0.5, v[1] + 0.5}, {v[2] + 0.5, v[3] + 0.5}};
        if (parts.size() > 2)
            mark.Color = Color(text, parts[2]);
        if (parts.size() > 3)
            mark.Width = Ranged(text, parts[3], MinMarkWidth, MaxMarkWidth, "line width");
    } else if (name == "text") {
        const auto textParts = SplitEscaped(text);
        std::vector<int> v;
        if (textParts.size() < 3 || textParts.size() > 5)
            Refuse(text, "needs the place and the text: text:X,Y:STRING[:SIZE[:COLOR]] (write "
                         "\\: for a colon in STRING)");
        if (!ParseInts(textParts[1], 2, v))
            Refuse(text, "the place must be X,Y in whole numbers");
        mark.Kind = TMarkKind::Text;
        mark.Points = {{double(v[0]), double(v[1])}};
        mark.Text = textParts[2];
        mark.Color = 0x000000;
        if (textParts.size() > 3)
            mark.FontSize =
                Ranged(text, textParts[3], MinMarkFontSize, MaxMarkFontSize, "font size");
        if (textParts.size() > 4)
            mark.Color = Color(text, textParts[4]);
    } else if (name == "redact") {
        if (parts.size() != 2)
            Refuse(text, "needs the area: redact:X,Y,W,H");
        mark.Kind = TMarkKind::Redact;
        mark.Points = Area(text, parts[1]);
        mark.Color = 0x000000;
    } else {
        if (parts.size() < 2 || parts.size() > 3)
            Refuse(text, "needs the area: pixelate:X,Y,W,H[:BLOCK]");
        mark.Kind = TMarkKind::Pixelate;
        mark.Points = Area(text, parts[1]);
        if (parts.size() > 2)
            mark.Block = Ranged(text, parts[2], MinPixelateBlock, MaxPixelateBlock, "block");
    }
    return {text, Drawing(std::move(mark))};
}

void NoArguments(const std::string& operation, const std::vector<std::string>& parts) {
    if (parts.size() != 1)
        Refuse(operation, "takes no arguments");
}

} // namespace

TTransformOperation ParseTransformOperation(const std::string& text) {
    const auto parts = Split(text, ':');
    const std::string& name = parts[0];
    TTransformOperation operation{text, {}};

    if (name == "gray") {
        NoArguments(text, parts);
        operation.Run = Applying(TConvertToGrayTransform());
    } else if (name == "negative") {
        NoArguments(text, parts);
        operation.Run = Applying(TNegativeTransform());
    } else if (name == "flip-h") {
        NoArguments(text, parts);
        operation.Run = Applying(TFlipHorizontalTransform());
    } else if (name == "flip-v") {
        NoArguments(text, parts);
        operation.Run = Applying(TFlipVerticalTransform());
    } else if (name == "emboss") {
        NoArguments(text, parts);
        operation.Run = Applying(TEmbossTransform());
    } else if (name == "antialias") {
        NoArguments(text, parts);
        operation.Run = Applying(TAntiAliasTransform());
    } else if (name == "rotate") {
        double angle = 0;
        const char* end = parts.size() == 2 ? parts[1].data() + parts[1].size() : nullptr;
        if (parts.size() != 2 || std::from_chars(parts[1].data(), end, angle).ptr != end ||
            parts[1].empty() || !std::isfinite(angle))
            Refuse(text, "the angle must be a number of degrees");
        TRotateTransform rotate;
        rotate.Angle = angle;
        operation.Run = Applying(rotate);
    } else if (name == "sharpen") {
        TSharpenTransform sharpen;
        sharpen.Strength = Strength(text, parts, sharpen.Strength);
        operation.Run = Applying(sharpen);
    } else if (name == "smooth") {
        TSmoothTransform smooth;
        smooth.Strength = Strength(text, parts, smooth.Strength);
        operation.Run = Applying(smooth);
    } else if (name == "crop") {
        const auto margins = parts.size() == 2 ? Split(parts[1], ',') : std::vector<std::string>{};
        TCropTransform crop;
        if (margins.size() != 4 || !ParseInt(margins[0], crop.Top) ||
            !ParseInt(margins[1], crop.Left) || !ParseInt(margins[2], crop.Bottom) ||
            !ParseInt(margins[3], crop.Right))
            Refuse(text, "the margins must be four whole numbers TOP,LEFT,BOTTOM,RIGHT");
        operation.Run = Applying(crop);
    } else if (name == "display-resize") {
        if (parts.size() != 2)
            Refuse(text, "needs the size: display-resize:WIDTHxHEIGHT");
        TResizeTransform resize;
        std::tie(resize.Width, resize.Height) = Size(text, parts[1]);
        operation.Run = Applying(resize);
    } else if (name == "convert") {
        if (parts.size() < 2 || parts.size() > 4)
            Refuse(text, "needs the format: convert:FORMAT[:optimise][:dither]");
        TImageFormatTransform convert;
        convert.TargetFormat = FormatNamed(text, parts[1]);
        convert.Optimise = false;
        convert.Dither = false;
        for (std::size_t i = 2; i < parts.size(); ++i) {
            bool& flag = parts[i] == "optimise" ? convert.Optimise : convert.Dither;
            if ((parts[i] != "optimise" && parts[i] != "dither") || flag)
                Refuse(text, "after the format only \"optimise\" and \"dither\", once each");
            flag = true;
        }
        operation.Run = Applying(convert);
    } else if (name == "resample") {
        if (parts.size() != 3)
            Refuse(text, "needs the size and a filter: resample:WIDTHxHEIGHT:FILTER");
        const auto [width, height] = Size(text, parts[1]);
        const TResampleFilter& filter = Filter(text, parts[2]);
        operation.Run = [width, height, &filter](TDibGraphic& image) {
            TDibGraphic result;
            result.NewImage(width, height, ifTrueColor);
            ResampleStretch(image, result, filter.Function, filter.Support);
            image = std::move(result);
        };
    } else if (name == "fit") {
        if (parts.size() < 2 || parts.size() > 3)
            Refuse(text, "needs the box: fit:WIDTHxHEIGHT[:FILTER|plain]");
        const auto [width, height] = Size(text, parts[1]);
        const TResampleFilter* filter = &ResampleFilters[HermiteFilterIndex];
        if (parts.size() == 3)
            filter = parts[2] == "plain" ? nullptr : &Filter(text, parts[2]);
        operation.Run = [width, height, filter](TDibGraphic& image) {
            image = FitThumbnail(image, width, height, filter);
        };
    } else if (name == "rect" || name == "arrow" || name == "text" || name == "redact" ||
               name == "pixelate") {
        return MarkOperation(text, parts);
    } else {
        throw ETransformUsage("unknown operation \"" + name + "\"");
    }
    return operation;
}

int RunTransformCommand(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "Usage: %s\n%s", TransformCommandUsage, OperationsHelp);
        return 2;
    }
    const std::string source = argv[1], destination = argv[2];
    std::vector<TTransformOperation> operations;
    try {
        for (int i = 3; i < argc; ++i)
            operations.push_back(ParseTransformOperation(argv[i]));
    } catch (const ETransformUsage& e) {
        std::fprintf(stderr, "karvin transform: %s\n%s", e.what(), OperationsHelp);
        return 2;
    }

    std::string step = "reading " + source;
    try {
        TDibGraphic image = LoadImageFile(source);
        for (const auto& operation : operations) {
            step = operation.Text;
            operation.Run(image);
        }
        step = "writing " + destination;
        SaveImageFile(image, destination);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "karvin transform: %s: %s\n", step.c_str(), e.what());
        return 1;
    }
    return 0;
}
