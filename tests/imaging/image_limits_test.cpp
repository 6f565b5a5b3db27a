#include "imaging/image_limits.h"

#include "image_test_support.h"
#include "imaging/dib_graphic.h"
#include "imaging/fast_dib.h"
#include "imaging/format_registry.h"
#include "imaging/rotate_transform.h"

#include <gtest/gtest.h>

namespace {

constexpr std::size_t MiB = std::size_t(1) << 20;

// A small budget for one test, and the default back afterwards.
class ImageLimitsBudget : public ::testing::Test {
protected:
    void SetUp() override { InUseBefore = WorkingMemoryInUse(); }
    void TearDown() override { SetWorkingMemoryBudget(0); }
    // What this test holds now beyond what was held before it started.
    std::size_t Held() const { return WorkingMemoryInUse() - InUseBefore; }
    std::size_t InUseBefore = 0;
};

// The refusal of `needed` bytes more now, sizes in whole MiB (rounded up).
std::string OverBudget(const std::string& what, std::size_t needed) {
    auto text = [](std::size_t bytes) { return std::to_string((bytes + MiB - 1) / MiB) + " MiB"; };
    return "Not enough working memory for " + what + ": it needs " + text(needed) + ", and " +
           text(WorkingMemoryInUse()) + " of the budget of " + text(WorkingMemoryBudget()) +
           " are in use";
}

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EImageError& error) {
        return error.what();
    }
    return "no error";
}

} // namespace

TEST(ImageLimits, PixelCapAllowsItsLimitAndNamesTheSizeBeyond) {
    EXPECT_NO_THROW(CheckImagePixels(20000, 15000));
    EXPECT_NO_THROW(CheckImagePixels(1 << 20, 286));
    EXPECT_EQ(ErrorOf([] { CheckImagePixels(20000, 15001); }),
              "Image size 20000x15001 (300 megapixels) is over the limit of 300 megapixels");
    EXPECT_EQ(ErrorOf([] { CheckImagePixels(22000, 22000); }),
              "Image size 22000x22000 (484 megapixels) is over the limit of 300 megapixels");

    // Rasters of every format keep to it, and a refused one leaves the image as it was.
    TDibGraphic image = PatternImage(ifGray16);
    EXPECT_EQ(ErrorOf([&] { image.NewImage(30000, 30000, ifBlackWhite); }),
              "Image size 30000x30000 (900 megapixels) is over the limit of 300 megapixels");
    EXPECT_TRUE(SamePixels(PatternImage(ifGray16), image));
}

TEST(ImageLimits, DefaultBudgetIsHalfTheMemoryAtMostFourGiB) {
    const std::size_t budget = DefaultWorkingMemoryBudget();
    EXPECT_GT(budget, 0u);
    EXPECT_LE(budget, std::size_t(4) << 30);
    EXPECT_EQ(WorkingMemoryBudget(), budget);
}

TEST_F(ImageLimitsBudget, RastersAndTheirCopiesAreChargedAndReleased) {
    SetWorkingMemoryBudget(WorkingMemoryInUse() + 4 * MiB);
    {
        TDibGraphic image;
        image.NewImage(1024, 1024, ifTrueColor); // 3 MiB
        EXPECT_EQ(Held(), 3 * MiB);
        // A copy would pass the budget: refused before anything is allocated.
        EXPECT_EQ(ErrorOf([&] { TDibGraphic copy = image; }), OverBudget("image data", 3 * MiB));
        EXPECT_EQ(Held(), 3 * MiB);
        // A new image names its size; the old one stays.
        EXPECT_EQ(ErrorOf([&] { image.NewImage(1000, 400, ifTrueColor); }),
                  OverBudget("a 1000x400 image", 1200000));
        EXPECT_EQ(image.Width(), 1024);
        TDibGraphic moved = std::move(image);
        EXPECT_EQ(Held(), 3 * MiB);
    }
    EXPECT_EQ(Held(), 0u);
}

TEST_F(ImageLimitsBudget, ReservationsHoldTheirShareWhileTheyLive) {
    SetWorkingMemoryBudget(WorkingMemoryInUse() + 2 * MiB);
    TMemoryReservation first(MiB, "the first");
    EXPECT_EQ(ErrorOf([] { TMemoryReservation second(2 * MiB, "the second"); }),
              OverBudget("the second", 2 * MiB));
    TMemoryReservation moved = std::move(first);
    EXPECT_EQ(Held(), MiB);
    moved = TMemoryReservation();
    EXPECT_EQ(Held(), 0u);
}

TEST_F(ImageLimitsBudget, TransformsAndDecodersStopAtTheBudget) {
    const TDibGraphic picture = PatternImage(ifTrueColor, 1000, 500); // 1.43 MiB
    const std::vector<uint8_t> bmp = EncodeImage(picture, TImageCodec::Bmp);
    TDibGraphic turned = picture;
    SetWorkingMemoryBudget(WorkingMemoryInUse() + MiB);

    // A quarter turn needs a second raster of the same size.
    TRotateTransform rotate;
    rotate.Angle = 90;
    const std::string turnError = ErrorOf([&] { rotate.Apply(turned); });
    EXPECT_NE(turnError.find("Not enough working memory for a 500x1000 image"), std::string::npos)
        << turnError;
    EXPECT_TRUE(SamePixels(picture, turned));

    // Decoding while the picture is held passes the budget as well.
    const std::string decodeError = ErrorOf([&] { DecodeImage(bmp, TImageCodec::Bmp); });
    EXPECT_NE(decodeError.find("Not enough working memory for a 1000x500 image"), std::string::npos)
        << decodeError;

    SetWorkingMemoryBudget(WorkingMemoryInUse() + 8 * MiB);
    EXPECT_NO_THROW(rotate.Apply(turned));
    EXPECT_EQ(turned.Width(), 500);
}

TEST_F(ImageLimitsBudget, TheFastRasterBufferKeepsToTheSameLimits) {
    TFastDIB buffer;
    buffer.SetSize(10, 10, 24);
    EXPECT_EQ(ErrorOf([&] { buffer.SetSize(30000, 30000, 1); }),
              "Image size 30000x30000 (900 megapixels) is over the limit of 300 megapixels");
    SetWorkingMemoryBudget(WorkingMemoryInUse() + MiB);
    EXPECT_EQ(ErrorOf([&] { buffer.SetSize(1000, 500, 32); }),
              OverBudget("a 1000x500 image", 2000000));
    EXPECT_EQ(buffer.Width(), 10);
    const std::size_t held = Held();
    {
        TFastDIB copy = buffer;
        EXPECT_EQ(Held(), held + buffer.ImageSize());
    }
    EXPECT_EQ(Held(), held);
}
