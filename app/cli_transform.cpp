#include "app/cli_transform.h"

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
    "  fit:BWxBH[:FILTER|plain]  fit into a box keeping the aspect ratio (Hermite unless given)\n";

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
