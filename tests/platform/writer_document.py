#!/usr/bin/python3
"""The tests' side of an office listening on a UNO pipe.

    writer_document.py PIPE write TEXT OFFSET   a new text document holding TEXT, with the
                                                 insertion point after OFFSET characters
    writer_document.py PIPE save FOLDER         saves the current document as FOLDER/doc.odt,
                                                 unpacks its pictures into FOLDER and prints, per
                                                 picture frame, "frame WIDTH HEIGHT" (1/100 mm),
                                                 then "text" and the document's text with each
                                                 frame's place marked by "[picture]"
    writer_document.py PIPE quit                ends the office
"""
import os
import sys
import zipfile

import uno
from com.sun.star.beans import PropertyValue


def connect(pipe):
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    context = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
    return context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)


def write(desktop, text, offset):
    document = desktop.loadComponentFromURL("private:factory/swriter", "_default", 0, ())
    document.getText().setString(text)
    cursor = document.getCurrentController().getViewCursor()
    cursor.gotoStart(False)
    cursor.goRight(offset, False)


def marked_text(document):
    """The text, with "[picture]" where a frame is anchored as a character."""
    shown = []
    paragraphs = document.getText().createEnumeration()
    while paragraphs.hasMoreElements():
        portions = paragraphs.nextElement().createEnumeration()
        line = ""
        while portions.hasMoreElements():
            portion = portions.nextElement()
            if portion.TextPortionType == "Frame":
                line += "[picture]"
            else:
                line += portion.getString()
        shown.append(line)
    return "\n".join(shown)


def save(desktop, folder):
    document = desktop.getCurrentComponent()
    path = os.path.join(folder, "doc.odt")
    prop = PropertyValue()
    prop.Name = "FilterName"
    prop.Value = "writer8"
    document.storeToURL(uno.systemPathToFileUrl(path), (prop,))
    with zipfile.ZipFile(path) as odt:
        for name in odt.namelist():
            if name.startswith("Pictures/"):
                with open(os.path.join(folder, os.path.basename(name)), "wb") as out:
                    out.write(odt.read(name))
    frames = document.getGraphicObjects()
    for index in range(frames.getCount()):
        size = frames.getByIndex(index).Size
        print("frame %d %d" % (size.Width, size.Height))
    print("text")
    print(marked_text(document))


def main(argv):
    desktop = connect(argv[0])
    if argv[1] == "write":
        write(desktop, argv[2], int(argv[3]))
    elif argv[1] == "save":
        save(desktop, argv[2])
    elif argv[1] == "quit":
        try:
            desktop.terminate()
        except Exception:
            pass  # the bridge goes down with the office
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
