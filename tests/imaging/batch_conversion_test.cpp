// Converting many files into one folder: the plan (target names, the same file named twice,
// two sources for one target), the run (order of the reports, failures one by one, existing
// targets kept unless replacing is asked for) and the target folder's check.
#include "imaging/batch_conversion.h"

#include "imaging/format_registry.h"
#include "imaging/true_color.h"
#include "tests/imaging/image_test_support.h"
#include "tests/imaging/test_images.h"
#include "tests/store/read_only_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

class BatchConversion : public ::testing::Test {
protected:
    void SetUp() override {
        Folder =
            std::filesystem::temp_directory_path() / ("karvin-batch-" + std::to_string(::getpid()));
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder / "in");
        std::filesystem::create_directories(Folder / "out");
    }
    void TearDown() override { std::filesystem::remove_all(Folder); }

    std::string In(const std::string& name) const { return (Folder / "in" / name).string(); }
    std::string Out(const std::string& name = {}) const {
        return name.empty() ? (Folder / "out").string() : (Folder / "out" / name).string();
    }
    static void WriteText(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string ReadText(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), {}};
    }
    std::vector<std::string> OutEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Folder / "out"))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::filesystem::path Folder;
};

struct TReported {
    std::string Source;
    TBatchOutcome Outcome;
    std::string Message;
};

std::vector<TReported> Convert(const std::vector<TBatchItem>& items, const TBatchOptions& options,
                               TBatchSummary* summary = nullptr) {
    std::vector<TReported> reported;
    const TBatchSummary result = RunBatchConversion(items, options, [&](const TBatchResult& r) {
        reported.push_back({r.Item->Source, r.Outcome, r.Message});
    });
    if (summary)
        *summary = result;
    return reported;
}

TBatchOptions WithThreads(unsigned threads) {
    TBatchOptions options;
    options.Threads = threads;
    return options;
}

} // namespace

TEST_F(BatchConversion, TargetsAreTheSourceNamesWithTheNewExtensionInTheFolder) {
    const struct {
        std::string Source;
        std::string Folder;
        std::string Extension;
        std::string Target;
    } cases[] = {
        {"a.bmp", "/x/out", ".png", "/x/out/a.png"},
        {"/p/q/shot.one.gif", "/x/out/", ".JPG", "/x/out/shot.one.JPG"},
        {"noextension", "out", ".tif", "out/noextension.tif"},
        {"dir/.hidden", "out", ".png", "out/.hidden.png"},
        {"a.PNG", "/", ".bmp", "/a.bmp"},
    };
    for (const auto& c : cases) {
        const auto items = PlanBatchConversion({c.Source}, c.Folder, c.Extension);
        ASSERT_EQ(items.size(), 1u) << c.Source;
        EXPECT_EQ(items[0].Source, c.Source);
        EXPECT_EQ(items[0].Target, c.Target) << c.Source;
        EXPECT_EQ(items[0].Problem, "") << c.Source;
    }
}

TEST_F(BatchConversion, TheSameFileNamedTwiceIsConvertedOnceAndTwoSourcesForOneTargetFail) {
    SaveImageFile(MakeNoise(4, 3), In("a.bmp"));
    SaveImageFile(MakeNoise(4, 3, 2), In("a.gif"));
    std::filesystem::create_symlink(In("a.bmp"), In("link.bmp"));
    const std::string other = (Folder / "in" / "." / "a.bmp").string();

    const auto items = PlanBatchConversion({In("a.bmp"), other, In("a.gif"), In("link.bmp"),
                                            In("a.bmp"), "missing.bmp", "missing.bmp"},
                                           Out(), ".png");

    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].Source, In("a.bmp"));
    EXPECT_EQ(items[0].Problem, "");
    EXPECT_EQ(items[1].Source, In("a.gif"));
    EXPECT_EQ(items[1].Problem, "\"" + Out("a.png") + "\" is made from \"" + In("a.bmp") +
                                    "\" already; rename one of them");
    EXPECT_EQ(items[2].Source, "missing.bmp");
}

TEST_F(BatchConversion, EveryFileIsReportedInOrderAndAFailureDoesNotStopTheOthers) {
    const TDibGraphic first = MakeNoise(40, 30, 1);
    const TDibGraphic second = MakeNoise(33, 17, 2);
    SaveImageFile(first, In("first.bmp"));
    SaveImageFile(second, In("second.tga"));
    // A bitmap cut short, a text file named like an image, a file that does not exist, and a
    // folder.
    const std::vector<uint8_t> bitmap = EncodeImage(MakeNoise(40, 30, 3), TImageCodec::Bmp);
    WriteText(In("truncated.bmp"), std::string(bitmap.begin(), bitmap.begin() + 200));
    WriteText(In("text.png"), "not a picture\n");
    std::filesystem::create_directories(In("folder.bmp"));

    for (unsigned threads : {1u, 4u}) {
        SCOPED_TRACE(threads);
        std::filesystem::remove_all(Out());
        std::filesystem::create_directories(Out());
        const auto items =
            PlanBatchConversion({In("truncated.bmp"), In("first.bmp"), In("text.png"),
                                 In("missing.bmp"), In("second.tga"), In("folder.bmp")},
                                Out(), ".png");
        TBatchSummary summary;
        const auto reported = Convert(items, WithThreads(threads), &summary);

        ASSERT_EQ(reported.size(), 6u);
        const std::vector<std::pair<std::string, TBatchOutcome>> expected = {
            {"truncated.bmp", TBatchOutcome::Failed}, {"first.bmp", TBatchOutcome::Converted},
            {"text.png", TBatchOutcome::Failed},      {"missing.bmp", TBatchOutcome::Failed},
            {"second.tga", TBatchOutcome::Converted}, {"folder.bmp", TBatchOutcome::Failed},
        };
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(reported[i].Source, In(expected[i].first));
            EXPECT_EQ(reported[i].Outcome, expected[i].second) << expected[i].first;
            EXPECT_EQ(reported[i].Message.empty(), expected[i].second != TBatchOutcome::Failed)
                << expected[i].first << ": " << reported[i].Message;
        }
        EXPECT_NE(reported[3].Message.find("No such file or directory"), std::string::npos);
        EXPECT_NE(reported[5].Message.find("it is a folder"), std::string::npos)
            << reported[5].Message;
        EXPECT_EQ(summary.Converted, 2);
        EXPECT_EQ(summary.Exists, 0);
        EXPECT_EQ(summary.Failed, 4);
        // Only the two images are written, whole; nothing is left of the failures.
        EXPECT_EQ(OutEntries(), (std::vector<std::string>{"first.png", "second.png"}));
        EXPECT_TRUE(SamePixels(first, LoadImageFile(Out("first.png"))));
        EXPECT_TRUE(SamePixels(second, LoadImageFile(Out("second.png"))));
    }
}

TEST_F(BatchConversion, AnExistingTargetIsKeptUnlessReplacingIsAsked) {
    const TDibGraphic image = MakeNoise(12, 9);
    SaveImageFile(image, In("a.bmp"));
    WriteText(Out("a.png"), "keep me");
    // A link in the target's place counts as taken too: nothing is written through it.
    std::filesystem::create_symlink(Folder / "elsewhere.png", Out("b.png"));
    SaveImageFile(image, In("b.bmp"));
    const auto items = PlanBatchConversion({In("a.bmp"), In("b.bmp")}, Out(), ".png");

    TBatchSummary summary;
    auto reported = Convert(items, {}, &summary);
    EXPECT_EQ(reported[0].Outcome, TBatchOutcome::Exists);
    EXPECT_EQ(reported[1].Outcome, TBatchOutcome::Exists);
    EXPECT_EQ(summary.Exists, 2);
    EXPECT_EQ(ReadText(Out("a.png")), "keep me");
    EXPECT_FALSE(std::filesystem::exists(Folder / "elsewhere.png"));

    TBatchOptions overwrite;
    overwrite.Overwrite = true;
    reported = Convert(items, overwrite, &summary);
    EXPECT_EQ(reported[0].Outcome, TBatchOutcome::Converted);
    EXPECT_EQ(summary.Converted, 2);
    EXPECT_TRUE(SamePixels(image, LoadImageFile(Out("a.png"))));
}

TEST_F(BatchConversion, JpegTargetsAreWrittenFromTrueColourAtTheQualityGiven) {
    // A palette image, as GIF files hold.
    const TDibGraphic palette = PatternImage(ifColor256, 24, 16);
    SaveImageFile(palette, In("p.gif"));
    const TDibGraphic loaded = LoadImageFile(In("p.gif"));
    TBatchOptions options;
    options.Jpeg = {35, true};

    const auto reported = Convert(PlanBatchConversion({In("p.gif")}, Out(), ".jpg"), options);

    ASSERT_EQ(reported[0].Outcome, TBatchOutcome::Converted) << reported[0].Message;
    const std::vector<uint8_t> expected =
        EncodeImage(ExpandToTrueColor(loaded), TImageCodec::Jpeg, {35, true});
    EXPECT_EQ(ReadText(Out("p.jpg")), std::string(expected.begin(), expected.end()));
}

TEST_F(BatchConversion, TheTargetFolderMustBeAFolderThisProcessMayWriteIn) {
    EXPECT_NO_THROW(CheckTargetFolder(Out()));
    WriteText(Out("file"), "x");
    ExpectImageError([&] { CheckTargetFolder(Out("file")); },
                     "Cannot write into the folder \"" + Out("file") + "\": it is not a folder");
    ExpectImageError([&] { CheckTargetFolder(Out("missing")); },
                     "Cannot write into the folder \"" + Out("missing") +
                         "\": No such file or directory");
    TReadOnlyFolder readOnly(Out());
    if (!readOnly.Made())
        GTEST_SKIP() << "the file system cannot make a folder read-only";
    EXPECT_THROW(CheckTargetFolder(Out()), EImageError);
}
