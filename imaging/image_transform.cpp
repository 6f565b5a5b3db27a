#include "imaging/image_transform.h"

#include <algorithm>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

void TImageTransform::Apply(TDibGraphic& image) {
    TDibGraphic result;
    ApplyOnDest(image, result);
    image = std::move(result);
}

void TImageTransform::ApplyOnDest(const TDibGraphic&, TDibGraphic&) {
    throw EImageError("Method \"ApplyOnDest\" not implemented for " + ClassName() + " class");
}

std::string TImageTransform::ClassName() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
    return status == 0 && demangled ? std::string(demangled.get()) : std::string(mangled);
}

void TImageTransform::StepProgress(int64_t current, int64_t start, int64_t end) {
    int64_t percent = 100;
    if (end != start)
        percent = std::clamp<int64_t>((current - start) * 100 / (end - start), 0, 100);
    if (Progress_ && percent != LastPercent_)
        Progress_(*this, int(percent));
    LastPercent_ = uint8_t(percent);
}

void TImageTransform::BeginProgress() {
    LastPercent_ = NoProgress;
    StepProgress(0, 0, 100);
}

void TImageTransform::EndProgress() {
    StepProgress(100, 0, 100);
}

bool TImageTransform::ApplyToSameImage(const TDibGraphic& source, TDibGraphic& dest) {
    if (&source != &dest)
        return false;
    const TDibGraphic copy = source;
    ApplyOnDest(copy, dest);
    return true;
}

void NewImageLike(TDibGraphic& dest, const TDibGraphic& source, int width, int height) {
    dest.NewImage(width, height, source.ImageFormat(), &source.Palette(), source.XDpi(),
                  source.YDpi());
}
