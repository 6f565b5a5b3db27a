#include "weblink/link_notes.h"

#include <gtest/gtest.h>

TEST(NoteFileName, LiesBesideTheImageNamedAfterItsNameAndExtension) {
    const struct {
        const char* Image;
        const char* Note;
    } cases[] = {
        {"/shots/page1.jpg", "/shots/page1jpg.txt"},
        {"/web/a.b.png", "/web/apng.txt"}, // cut at the first dot
        {"/a.b.tif", "/atif.txt"},
        {"/x/shot12.gif", "/x/shot12gif.txt"},
        {"/x/Shot.BMP", "/x/ShotBMP.txt"},             // letter case kept
        {"/x/pic.jpeg", "/x/picjpe.txt"},              // three characters of the extension
        {"/my.site/pic1.pcx", "/my.site/pic1pcx.txt"}, // a dot in a folder does not count
        {"/home/jo/Mes Images/Été 1.png", "/home/jo/Mes Images/Été 1png.txt"},
        {"/x/x.äöüß", "/x/xäöü.txt"}, // whole letters, never half of one
        {"/x/noextension", "/x/noextension.txt"},
        {"pic1.tga", "pic1tga.txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NoteFileName(c.Image), c.Note) << c.Image;
}
