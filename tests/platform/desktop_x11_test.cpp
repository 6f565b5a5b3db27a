// The desktop's open operation on a real X display: Qt hands the address or document to
// xdg-open.
#include "platform/desktop.h"

#include "tests/platform/desktop_programs.h"

TEST(QtDesktopX11, OpenDocumentHandsAddressesAndFilesToXdgOpen) {
    TDesktopPrograms programs;
    programs.AddRecorder("xdg-open");
    qunsetenv("DEFAULT_BROWSER");
    qunsetenv("BROWSER");
    TQtDesktop desktop;

    EXPECT_TRUE(desktop.OpenDocument("https://example.org/page?q=1"));
    EXPECT_EQ(programs.Recorded("xdg-open"), QStringList{"https://example.org/page?q=1"});
}

TEST(QtDesktopX11, OpenDocumentTakesALocalPathAsAFile) {
    TDesktopPrograms programs;
    programs.AddRecorder("xdg-open");
    TQtDesktop desktop;

    EXPECT_TRUE(desktop.OpenDocument("/tmp/My Shots/grün.png"));
    const auto arguments = programs.Recorded("xdg-open");
    ASSERT_TRUE(arguments);
    ASSERT_EQ(arguments->size(), 1);
    EXPECT_EQ(QUrl(arguments->first()).toLocalFile(), "/tmp/My Shots/grün.png");
}
