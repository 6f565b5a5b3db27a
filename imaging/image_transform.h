// The common base of every image transform: grey conversion, negative, flips, rotation,
// convolutions, crop, 1-bit smoothing, resize for display and format conversion.
//
// A transform turns one raster into another. Its owner sets its fields and, when it drives a
// progress bar, a progress callback; then calls Apply (in place) or ApplyOnDest (source left
// unchanged, destination made the result). Progress goes 0..100 and is reported only when the
// percent changes.
#pragma once

#include "imaging/dib_graphic.h"

#include <cstdint>
#include <functional>
#include <string>

class TImageTransform;

// Called synchronously from inside the transform's loops with the percent done, 0..100.
using TProgressCallback = std::function<void(TImageTransform& sender, int percent)>;

class TImageTransform {
public:
    TImageTransform() = default;
    virtual ~TImageTransform() = default;
    TImageTransform(const TImageTransform&) = default;
    TImageTransform& operator=(const TImageTransform&) = default;

    // Transforms `image` in place: by default through a temporary made by ApplyOnDest.
    virtual void Apply(TDibGraphic& image);
    // Makes `dest` the transformed `source`; `source` is not changed. `source` and `dest` may
    // be the same image. The base class has no transformation of its own and throws
    // "Method "ApplyOnDest" not implemented for <class> class".
    virtual void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest);

    void SetProgressCallback(TProgressCallback callback) { Progress_ = std::move(callback); }
    // The percent last reported; NoProgress before the first step.
    int LastPercent() const { return LastPercent_; }

    // The class name as it appears in error messages ("TRotateTransform").
    std::string ClassName() const;

    static constexpr uint8_t NoProgress = 255;

protected:
    // Percent := (current - start) * 100 div (end - start), limited to 0..100 (100 when end
    // equals start); reported when it differs from the last one and then kept as the last.
    void StepProgress(int64_t current, int64_t start, int64_t end);
    // Every transform starts with BeginProgress (forget the last percent, report 0) and ends
    // with EndProgress (report 100).
    void BeginProgress();
    void EndProgress();

    // For ApplyOnDest overrides that build the destination from scratch: when `source` and
    // `dest` are the same image, transforms a copy of it into `dest` and returns true.
    bool ApplyToSameImage(const TDibGraphic& source, TDibGraphic& dest);

private:
    TProgressCallback Progress_;
    uint8_t LastPercent_ = NoProgress;
};

// Destination "keeping the format" of the source: the source's pixel format, palette and
// resolution at a new size.
void NewImageLike(TDibGraphic& dest, const TDibGraphic& source, int width, int height);
