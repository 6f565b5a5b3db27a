#include "weblink/link_store.h"

#include "store/file_io.h"
#include "store/work_folder.h"
#include "tests/store/file_size_limit.h"
#include "tests/store/read_only_folder.h"
#include "tests/store/work_folder_fixture.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using TLines = std::vector<std::string>;

// Three CR LF lines per record, as the store holds them.
std::string StoreBytes(const std::vector<TURLLink>& links) {
    std::string text;
    for (const auto& link : links)
        text += link.ImagePath + "\r\n" + link.URL + "\r\n" + link.NotePath + "\r\n";
    return text;
}

// The text of the EFileError that `operation` throws; empty when it throws none.
std::string ErrorOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const EFileError& error) {
        return error.what();
    }
    return {};
}

fs::path TestRoot() {
    return fs::temp_directory_path() / ("karvin-links-" + std::to_string(::getpid()));
}

class LinkStore : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(Root);
        fs::create_directories(Root / "karvin");
        fs::create_directories(Root / "Mes Images");
        Work = (Root / "karvin").string();
        Shots = (Root / "Mes Images").string() + "/";
    }
    void TearDown() override { fs::remove_all(Root); }

    std::string WorkFile(const std::string& name) const { return Work + "/" + name; }
    void PutStore(const std::string& text) const { WriteWholeFile(WorkFile("urlpath.dat"), text); }
    std::optional<std::string> StoreText() const { return ReadWholeFile(WorkFile("urlpath.dat")); }
    std::optional<std::string> Note(const std::string& path) const { return ReadWholeFile(path); }
    // Three records of images in the shots folder, notes named by their images.
    std::vector<TURLLink> ThreeLinks() const {
        return {{Shots + "one.png", "http://a.example/1", Shots + "onepng.txt"},
                {Shots + "Two.JPG", "http://a.example/2", Shots + "TwoJPG.txt"},
                {Shots + "three.gif", "http://a.example/3", Shots + "threegif.txt"}};
    }

    const fs::path Root = TestRoot();
    std::string Work;
    std::string Shots;
    const TURLStore Store{(TestRoot() / "karvin").string()};
};

// ---- file format and reading

TEST_F(LinkStore, AddAppendsThreeCrLfLinesPerRecordAndCreatesTheStore) {
    EXPECT_FALSE(Store.HasLinks());
    Store.AddURLLink(Shots + "page1.jpg", "http://x.example/a b", {}, false);
    Store.AddURLLink("/web/a.b.png", "http://y.example/", {}, false);

    EXPECT_TRUE(Store.HasLinks());
    EXPECT_EQ(*StoreText(), Shots + "page1.jpg\r\nhttp://x.example/a b\r\n" + Shots +
                                "page1jpg.txt\r\n/web/a.b.png\r\nhttp://y.example/\r\n"
                                "/web/apng.txt\r\n");
    EXPECT_EQ(Store.StorePath(), WorkFile("urlpath.dat"));
}

TEST_F(LinkStore, ReadsRecordsInFileOrderAndACutOffLastRecordAsEmptyFields) {
    const struct {
        const char* Text;
        std::vector<TURLLink> Links;
    } cases[] = {
        {"", {}},
        {"/a.png\r\nu1\r\n/apng.txt\r\n/b.png\r\nu2\r\n/bpng.txt\r\n",
         {{"/a.png", "u1", "/apng.txt"}, {"/b.png", "u2", "/bpng.txt"}}},
        {"/a.png\r\nu1\r\n/apng.txt\r\n/b.png\r\n",
         {{"/a.png", "u1", "/apng.txt"}, {"/b.png", "", ""}}},
        {"/a.png\r\nu1\r\n/apng.txt\r\n/b.png\r\nu2", // no line end after the last line
         {{"/a.png", "u1", "/apng.txt"}, {"/b.png", "u2", ""}}},
        {"/a.png\nu1\n/apng.txt\n", {{"/a.png", "u1", "/apng.txt"}}}, // bare line feeds
    };
    for (const auto& c : cases) {
        PutStore(c.Text);
        EXPECT_EQ(Store.ReadURLStore(), c.Links) << c.Text;
    }
    fs::remove(WorkFile("urlpath.dat"));
    EXPECT_TRUE(Store.ReadURLStore().empty());
}

TEST_F(LinkStore, AddAfterACutOffRecordKeepsTheNewRecordOnItsOwnThreeLines) {
    PutStore("/a.png\r\nu1");
    Store.AddURLLink("/b.png", "u2", {}, false);
    EXPECT_EQ(*StoreText(), "/a.png\r\nu1\r\n\r\n/b.png\r\nu2\r\n/bpng.txt\r\n");
}

TEST_F(LinkStore, FindsAStoreWrittenUnderAnotherLetterCase) {
    WriteWholeFile(WorkFile("URLPath.dat"), StoreBytes(ThreeLinks()));
    EXPECT_TRUE(Store.HasLinks());
    EXPECT_TRUE(Store.UpdateURLLink(Shots + "one.png", "http://new/", {}));
    EXPECT_FALSE(fs::exists(WorkFile("urlpath.dat")));
    EXPECT_EQ(Store.ReadURLStore()[0].URL, "http://new/");
}

// ---- notes written by add, update and record

TEST_F(LinkStore, AddWritesTheNoteOnlyWhenAskedAndThereAreLines) {
    const struct {
        TLines Lines;
        bool SaveNote;
        std::optional<std::string> Note;
    } cases[] = {
        {{"first", "", "third"}, true, "first\r\n\r\nthird\r\n"},
        {{""}, true, "\r\n"}, // the note of "Exit Without Save": one empty line
        {{}, true, std::nullopt},
        {{"text"}, false, std::nullopt},
    };
    for (const auto& c : cases) {
        fs::remove(Shots + "page1jpg.txt");
        Store.AddURLLink(Shots + "page1.jpg", "u", c.Lines, c.SaveNote);
        EXPECT_EQ(Note(Shots + "page1jpg.txt"), c.Note) << c.Lines.size() << c.SaveNote;
    }
}

TEST_F(LinkStore, AddReplacesAnEarlierNote) {
    WriteWholeFile(Shots + "page1jpg.txt", "an old note from a longer text\r\n");
    Store.AddURLLink(Shots + "page1.jpg", "u", {"new"}, true);
    EXPECT_EQ(Note(Shots + "page1jpg.txt"), "new\r\n");
}

TEST_F(LinkStore, UpdateChangesTheRecordInPlaceAndRewritesItsNote) {
    PutStore(StoreBytes(ThreeLinks()));
    WriteWholeFile(Shots + "TwoJPG.txt", "old note\r\n");

    EXPECT_TRUE(Store.UpdateURLLink(Shots + "two.jpg", "http://b.example/", {"one", "two"}));

    auto expected = ThreeLinks();
    expected[1].ImagePath = Shots + "two.jpg";
    expected[1].URL = "http://b.example/";
    EXPECT_EQ(*StoreText(), StoreBytes(expected));
    EXPECT_EQ(Note(Shots + "TwoJPG.txt"), "one\r\ntwo\r\n");
}

TEST_F(LinkStore, UpdateMatchesPathsThatDifferOnlyInAsciiCaseOrSurroundingBlanks) {
    const struct {
        std::string Stored;
        std::string Given;
        bool Matches;
    } cases[] = {
        {Shots + "Page1.JPG", Shots + "page1.jpg", true},
        {Shots + "page1.jpg", "  " + Shots + "PAGE1.jpg\t ", true},
        {" \t" + Shots + "page1.jpg  ", Shots + "page1.jpg", true},
        {Shots + "Été.png", Shots + "ÉTÉ.png", false}, // only A to Z change case
        {Shots + "Été.png", " " + Shots + "Été.PNG", true},
        {Shots + "bü", Shots + "bä", false}, // letters beyond ASCII are not blanks
        {Shots + "page1.jpg", Shots + "page1.jpg2", false},
    };
    for (const auto& c : cases) {
        const std::vector<TURLLink> stored = {{c.Stored, "old", Shots + "note.txt"}};
        PutStore(StoreBytes(stored));
        EXPECT_EQ(Store.UpdateURLLink(c.Given, "new", {}), c.Matches) << c.Given;
        const auto expected =
            c.Matches ? std::vector<TURLLink>{{c.Given, "new", Shots + "note.txt"}} : stored;
        EXPECT_EQ(Store.ReadURLStore(), expected) << c.Given;
    }
}

TEST_F(LinkStore, UpdateWithoutNoteLinesLeavesAnEmptyNoteAtTheRecordsNotePath) {
    // The note path is the one in the record, not one derived again from the image path.
    PutStore(StoreBytes({{Shots + "a.png", "u", Shots + "kept note.txt"}}));
    WriteWholeFile(Shots + "kept note.txt", "old\r\n");
    EXPECT_TRUE(Store.UpdateURLLink(Shots + "a.png", "u2", {}));
    EXPECT_EQ(Note(Shots + "kept note.txt"), "");
    EXPECT_FALSE(fs::exists(Shots + "apng.txt"));
}

TEST_F(LinkStore, UpdateOfACutOffRecordGivesItTheImagesNotePath) {
    PutStore("/x/a.png\r\nu1\r\n/x/apng.txt\r\n" + Shots + "b.png\r\n");
    EXPECT_TRUE(Store.UpdateURLLink(Shots + "b.png", "u2", {"n"}));
    EXPECT_EQ(Store.ReadURLStore()[1], (TURLLink{Shots + "b.png", "u2", Shots + "bpng.txt"}));
    EXPECT_EQ(Note(Shots + "bpng.txt"), "n\r\n");
}

TEST_F(LinkStore, UpdateWithoutAMatchChangesNothing) {
    EXPECT_FALSE(Store.UpdateURLLink(Shots + "one.png", "u", {"n"}));
    EXPECT_FALSE(Store.HasLinks()); // no store is made

    PutStore(StoreBytes(ThreeLinks()));
    EXPECT_FALSE(Store.UpdateURLLink(Shots + "four.png", "u", {"n"}));
    EXPECT_EQ(*StoreText(), StoreBytes(ThreeLinks()));
    EXPECT_FALSE(fs::exists(Shots + "fourpng.txt"));
}

TEST_F(LinkStore, RecordUpdatesAnExistingRecordElseAppendsOne) {
    PutStore(StoreBytes(ThreeLinks()));
    Store.RecordURLLink(" " + Shots + "ONE.png", "http://again/", {});
    Store.RecordURLLink(Shots + "four.png", "http://four/", {});

    auto expected = ThreeLinks();
    expected[0] = {" " + Shots + "ONE.png", "http://again/", Shots + "onepng.txt"};
    expected.push_back({Shots + "four.png", "http://four/", Shots + "fourpng.txt"});
    EXPECT_EQ(Store.ReadURLStore(), expected);
    // Nothing typed: the existing record's note is emptied, the new record gets none.
    EXPECT_EQ(Note(Shots + "onepng.txt"), "");
    EXPECT_FALSE(fs::exists(Shots + "fourpng.txt"));

    Store.RecordURLLink(Shots + "five.png", "http://five/", {"hello"});
    EXPECT_EQ(Note(Shots + "fivepng.txt"), "hello\r\n");
}

// ---- remove and rewrite

TEST_F(LinkStore, RemoveDropsEveryMatchingRecordAndKeepsTheOthersInOrder) {
    auto links = ThreeLinks();
    links.push_back({Shots + "TWO.jpg", "http://dup/", Shots + "TWOjpg.txt"});
    PutStore(StoreBytes(links));
    WriteWholeFile(Shots + "TwoJPG.txt", "note\r\n");

    Store.RemoveURLLink(Shots + "two.jpg");
    Store.RemoveURLLink(" " + Shots + "one.png"); // no trimming here: not a match

    const std::vector<TURLLink> kept = {ThreeLinks()[0], ThreeLinks()[2]};
    EXPECT_EQ(*StoreText(), StoreBytes(kept));
    EXPECT_EQ(ReadWholeFile(WorkFile("tmppath.dat")), StoreBytes(kept));
    EXPECT_EQ(Note(Shots + "TwoJPG.txt"), "note\r\n"); // the caller deletes notes
}

TEST_F(LinkStore, RemovingTheLastRecordDeletesTheStoreAndLeavesTheScratchCopy) {
    PutStore(StoreBytes({ThreeLinks()[0]}));
    Store.RemoveURLLink(Shots + "one.png");
    EXPECT_FALSE(Store.HasLinks());
    EXPECT_EQ(ReadWholeFile(WorkFile("tmppath.dat")), "");

    // An empty store file counts as no links and goes too.
    PutStore("");
    Store.RemoveURLLink(Shots + "one.png");
    EXPECT_FALSE(fs::exists(WorkFile("urlpath.dat")));
}

TEST_F(LinkStore, RemoveWithoutAStoreDoesNothing) {
    Store.RemoveURLLink(Shots + "one.png");
    EXPECT_FALSE(fs::exists(WorkFile("urlpath.dat")));
    EXPECT_FALSE(fs::exists(WorkFile("tmppath.dat")));
}

TEST_F(LinkStore, RewriteRecomputesNotePathsAndLeavesNotesAlone) {
    PutStore(StoreBytes(ThreeLinks()));
    WriteWholeFile(Shots + "onepng.txt", "note\r\n");
    Store.RewriteURLStore(
        {{Shots + "one.png", "u1", "/elsewhere/ignored.txt"}, {"/web/a.b.png", "u2", ""}});
    EXPECT_EQ(*StoreText(), Shots + "one.png\r\nu1\r\n" + Shots +
                                "onepng.txt\r\n/web/a.b.png\r\nu2\r\n/web/apng.txt\r\n");
    EXPECT_EQ(Note(Shots + "onepng.txt"), "note\r\n");

    Store.RewriteURLStore({});
    EXPECT_FALSE(Store.HasLinks());
    EXPECT_EQ(Note(Shots + "onepng.txt"), "note\r\n");
}

// ---- the overwrite question before a save

class TScriptedQuestion {
public:
    explicit TScriptedQuestion(bool answer) : Answer(answer) {}
    TAskYesNo Ask() {
        return [this](const std::string& text) {
            Asked.push_back(text);
            return Answer;
        };
    }
    bool Answer;
    std::vector<std::string> Asked;
};

TEST_F(LinkStore, OverwriteOfAnImageWithoutALinkAsksNothing) {
    TScriptedQuestion user(false);
    EXPECT_TRUE(Store.ConfirmURLOverwrite(Shots + "one.png", user.Ask())); // no store
    PutStore(StoreBytes(ThreeLinks()));
    EXPECT_TRUE(Store.ConfirmURLOverwrite(Shots + "four.png", user.Ask()));
    EXPECT_TRUE(Store.ConfirmURLOverwrite(" " + Shots + "one.png", user.Ask())); // no trimming
    EXPECT_TRUE(user.Asked.empty());
    EXPECT_EQ(*StoreText(), StoreBytes(ThreeLinks()));
}

TEST_F(LinkStore, OverwriteQuestionNamesTheTargetInUpperCase) {
    const std::vector<TURLLink> links = {{"/home/jo/Mes Images/été/Page1.png", "u", "/n.txt"}};
    PutStore(StoreBytes(links));
    TScriptedQuestion user(false);
    Store.ConfirmURLOverwrite("/home/jo/Mes Images/été/page1.PNG", user.Ask());
    EXPECT_EQ(user.Asked, TLines{"You are about to overwrite /HOME/JO/MES IMAGES/éTé/PAGE1.PNG "
                                 "which has a URL linked to it. Do you want to overwrite it?"});
}

TEST_F(LinkStore, OverwriteAnsweredNoChangesNothing) {
    PutStore(StoreBytes(ThreeLinks()));
    WriteWholeFile(Shots + "TwoJPG.txt", "note\r\n");
    TScriptedQuestion user(false);
    EXPECT_FALSE(Store.ConfirmURLOverwrite(Shots + "two.jpg", user.Ask()));
    EXPECT_EQ(user.Asked.size(), 1u);
    EXPECT_EQ(*StoreText(), StoreBytes(ThreeLinks()));
    EXPECT_EQ(Note(Shots + "TwoJPG.txt"), "note\r\n");
}

TEST_F(LinkStore, OverwriteAnsweredYesDropsTheRecordAndItsNote) {
    PutStore(StoreBytes(ThreeLinks()));
    WriteWholeFile(Shots + "TwoJPG.txt", "note\r\n");
    WriteWholeFile(Shots + "onepng.txt", "other note\r\n");
    TScriptedQuestion user(true);

    EXPECT_TRUE(Store.ConfirmURLOverwrite(Shots + "two.jpg", user.Ask()));

    EXPECT_EQ(*StoreText(), StoreBytes({ThreeLinks()[0], ThreeLinks()[2]}));
    EXPECT_FALSE(fs::exists(Shots + "TwoJPG.txt"));
    EXPECT_EQ(Note(Shots + "onepng.txt"), "other note\r\n");

    // The only record going leaves no store.
    PutStore(StoreBytes({ThreeLinks()[0]}));
    EXPECT_TRUE(Store.ConfirmURLOverwrite(Shots + "ONE.PNG", user.Ask()));
    EXPECT_FALSE(Store.HasLinks());
    EXPECT_FALSE(fs::exists(Shots + "onepng.txt"));
}

// ---- failures

TEST_F(LinkStore, AStoreThatCannotBeWrittenStaysAsItWasAndTheErrorSaysWhy) {
    const std::vector<std::pair<const char*, std::function<void()>>> operations = {
        {"add", [&] { Store.AddURLLink(Shots + "four.png", "http://four/", {}, false); }},
        {"update", [&] { Store.UpdateURLLink(Shots + "two.jpg", "http://changed/", {}); }},
        {"record", [&] { Store.RecordURLLink(Shots + "four.png", "http://four/", {}); }},
        {"remove", [&] { Store.RemoveURLLink(Shots + "one.png"); }},
        {"rewrite",
         [&] {
             Store.RewriteURLStore({ThreeLinks()[2], ThreeLinks()[1]});
         }},
        {"overwrite",
         [&] { Store.ConfirmURLOverwrite(Shots + "one.png", [](auto&) { return true; }); }},
    };
    PutStore(StoreBytes(ThreeLinks()));
    WriteWholeFile(Shots + "onepng.txt", "note\r\n");
    for (const auto& [name, operation] : operations) {
        std::string error;
        {
            TFileSizeLimit fullDisk(16);
            error = ErrorOf(operation);
        }
        EXPECT_NE(error.find(std::strerror(EFBIG)), std::string::npos) << name << ": " << error;
        EXPECT_EQ(StoreText(), StoreBytes(ThreeLinks())) << name;
        EXPECT_EQ(Note(Shots + "onepng.txt"), "note\r\n") << name;
        EXPECT_FALSE(fs::exists(WorkFile("tmppath.dat"))) << name;
    }
    // Nothing half-written is left lying about either.
    EXPECT_EQ(std::distance(fs::directory_iterator(Work), fs::directory_iterator()), 1);
}

TEST_F(LinkStore, AWorkingFolderThatCannotBeReachedGivesTheSystemsError) {
    WriteWholeFile((Root / "a file").string(), "");
    const TURLStore store((Root / "a file" / "karvin").string());
    EXPECT_FALSE(store.HasLinks());
    EXPECT_TRUE(store.ReadURLStore().empty());
    const std::string error = ErrorOf([&] { store.AddURLLink(Shots + "a.png", "u", {}, false); });
    EXPECT_NE(error.find(std::strerror(ENOTDIR)), std::string::npos) << error;
}

TEST_F(LinkStore, AReadOnlyWorkingFolderGivesTheSystemsErrorAndKeepsTheStore) {
    PutStore(StoreBytes(ThreeLinks()));
    std::string error;
    {
        const TReadOnlyFolder locked(Work);
        ASSERT_TRUE(locked.Made());
        error = ErrorOf([&] { Store.RemoveURLLink(Shots + "one.png"); });
    }
    EXPECT_NE(error.find(std::strerror(TReadOnlyFolder::RefusalError())), std::string::npos)
        << error;
    EXPECT_EQ(StoreText(), StoreBytes(ThreeLinks()));
}

TEST_F(LinkStore, AStoreThatCannotBeReadIsNeverWrittenOver) {
    fs::create_directory(WorkFile("urlpath.dat"));
    EXPECT_THROW(Store.ReadURLStore(), EFileError);
    EXPECT_THROW(Store.AddURLLink(Shots + "a.png", "u", {}, false), EFileError);
    EXPECT_THROW(Store.RemoveURLLink(Shots + "a.png"), EFileError);
    EXPECT_TRUE(fs::is_directory(WorkFile("urlpath.dat")));
}

TEST_F(LinkStore, ANoteThatCannotBeWrittenFailsTheUpdateBeforeTheStoreChanges) {
    const std::vector<TURLLink> links = {{Shots + "a.png", "u", Shots + "gone/apng.txt"}};
    PutStore(StoreBytes(links));
    EXPECT_THROW(Store.UpdateURLLink(Shots + "a.png", "changed", {"n"}), EFileError);
    EXPECT_EQ(StoreText(), StoreBytes(links));
}

TEST_F(LinkStore, APathOrAddressWithALineBreakIsRefusedBeforeAnythingIsWritten) {
    PutStore(StoreBytes(ThreeLinks()));
    EXPECT_THROW(Store.AddURLLink(Shots + "new\nline.png", "u", {"n"}, true), EFileError);
    EXPECT_THROW(Store.UpdateURLLink(Shots + "one.png", "http://a/\r\nb", {"n"}), EFileError);
    EXPECT_EQ(StoreText(), StoreBytes(ThreeLinks()));
    EXPECT_FALSE(fs::exists(Shots + "onepng.txt"));
}

// ---- the store of the user's working folder

using UserLinkStore = TWorkFolderTest;

TEST_F(UserLinkStore, LivesInTheWorkingFolder) {
    EnsureWorkFolder();
    URLStore().AddURLLink("/x/a.png", "u", {}, false);
    EXPECT_EQ(Read("urlpath.dat"), "/x/a.png\r\nu\r\n/x/apng.txt\r\n");
    URLStore().RemoveURLLink("/x/a.png");
    EXPECT_FALSE(URLStore().HasLinks());
    EXPECT_EQ(Read("tmppath.dat"), "");
}

TEST_F(UserLinkStore, NeverWritesThroughAWorkingFolderThatIsALink) {
    fs::create_directories(Scratch / "cache");
    fs::create_directories(Scratch / "elsewhere");
    fs::create_directory_symlink(Scratch / "elsewhere", Work());
    const std::string error = ErrorOf([] { URLStore().AddURLLink("/x/a.png", "u", {}, false); });
    EXPECT_NE(error.find(Work().string()), std::string::npos) << error;
    EXPECT_TRUE(fs::is_empty(Scratch / "elsewhere"));
}

} // namespace
