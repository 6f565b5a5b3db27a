#!/usr/bin/python3
"""karvin-writer-paste: inserts a picture into LibreOffice Writer for Karvin.

    karvin-writer-paste [--new-document] [--timeout SECONDS] PIPE  < picture.png

Reads a PNG picture on standard input, connects to the office that listens on the UNO pipe
PIPE and inserts the picture at the insertion point of its current text document, as a
character of the text, at the picture's own size (made smaller to fit the width of the page's
text). With no text document current, when inserting there fails, or with --new-document,
the picture goes into a new text document.

Exit codes: 0 inserted; 3 no office listens on the pipe; 1 any other failure (no UNO bridge
for this Python, a picture the office cannot read, an office that refused); 2 wrong
arguments. The process ends itself (SIGALRM) after SECONDS (30 unless given), so a call into
an office that does not answer cannot keep it running.
"""
import re
import signal
import sys

FAILED = 1
USAGE = 2
NOT_RUNNING = 3

# A PNG larger than this is no screen capture; it is not read into memory.
LARGEST_PICTURE = 512 * 1024 * 1024
# Pictures without a resolution of their own are taken at the screen's usual 96 dots per inch.
HUNDREDTH_MM_PER_PIXEL = 2540.0 / 96.0


def parse_arguments(argv):
    new_document = False
    timeout = 30
    rest = list(argv)
    while rest and rest[0].startswith("--"):
        option = rest.pop(0)
        if option == "--new-document":
            new_document = True
        elif option == "--timeout" and rest and rest[0].isdigit() and int(rest[0]) > 0:
            timeout = int(rest.pop(0))
        else:
            return None
    if len(rest) != 1 or not re.fullmatch(r"[A-Za-z0-9_.-]{1,64}", rest[0]):
        return None
    return new_document, timeout, rest[0]


def read_picture():
    data = sys.stdin.buffer.read(LARGEST_PICTURE + 1)
    if not data.startswith(b"\x89PNG\r\n\x1a\n") or len(data) > LARGEST_PICTURE:
        return None
    return data


def property_value(name, value):
    from com.sun.star.beans import PropertyValue

    prop = PropertyValue()
    prop.Name = name
    prop.Value = value
    return prop


def is_text_document(component):
    return (component is not None and hasattr(component, "supportsService")
            and component.supportsService("com.sun.star.text.TextDocument"))


def picture_size(document, graphic, cursor):
    """The size to show the picture at, in 1/100 mm: its own, no wider than the page's text."""
    from com.sun.star.awt import Size

    own = graphic.Size100thMM
    pixels = graphic.SizePixel
    if own.Width > 0 and own.Height > 0:
        width, height = float(own.Width), float(own.Height)
    else:
        width = pixels.Width * HUNDREDTH_MM_PER_PIXEL
        height = pixels.Height * HUNDREDTH_MM_PER_PIXEL
    try:
        styles = document.getStyleFamilies().getByName("PageStyles")
        page = styles.getByName(cursor.PageStyleName)
        text_width = page.Width - page.LeftMargin - page.RightMargin
        if text_width > 0 and width > text_width:
            height = height * text_width / width
            width = float(text_width)
    except Exception:
        pass  # no page style to measure: the picture keeps its own size
    return Size(max(1, round(width)), max(1, round(height)))


def insert_picture(context, document, png):
    """Inserts the picture at the view's insertion point (the text's end without a view)."""
    import uno
    from com.sun.star.text.TextContentAnchorType import AS_CHARACTER

    manager = context.ServiceManager
    stream = manager.createInstanceWithArgumentsAndContext(
        "com.sun.star.io.SequenceInputStream", (uno.ByteSequence(png),), context)
    provider = manager.createInstanceWithContext("com.sun.star.graphic.GraphicProvider", context)
    graphic = provider.queryGraphic((property_value("InputStream", stream),))
    if graphic is None:
        raise RuntimeError("the office cannot read the picture")

    controller = document.getCurrentController()
    if controller is not None:
        cursor = controller.getViewCursor()
        text = cursor.getText()
    else:
        text = document.getText()
        cursor = text.getEnd()
    frame = document.createInstance("com.sun.star.text.TextGraphicObject")
    frame.Graphic = graphic
    frame.AnchorType = AS_CHARACTER
    text.insertTextContent(cursor, frame, False)
    frame.Size = picture_size(document, graphic, cursor)


def new_text_document(desktop):
    # "_default" takes the office's empty start window when it shows one.
    return desktop.loadComponentFromURL("private:factory/swriter", "_default", 0, ())


def main(argv):
    arguments = parse_arguments(argv)
    if arguments is None:
        print("usage: " + __doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return USAGE
    new_document, timeout, pipe = arguments
    # The default action of SIGALRM ends the process even inside a call that never returns.
    signal.signal(signal.SIGALRM, signal.SIG_DFL)
    signal.alarm(timeout)

    try:
        import uno
        from com.sun.star.connection import NoConnectException
    except ImportError:
        print("karvin-writer-paste: this Python has no UNO bridge (python3-uno)", file=sys.stderr)
        return FAILED
    png = read_picture()
    if png is None:
        print("karvin-writer-paste: no PNG picture on standard input", file=sys.stderr)
        return FAILED

    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    try:
        context = resolver.resolve(
            "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
    except NoConnectException:
        return NOT_RUNNING
    try:
        desktop = context.ServiceManager.createInstanceWithContext(
            "com.sun.star.frame.Desktop", context)
        document = None if new_document else desktop.getCurrentComponent()
        if is_text_document(document):
            try:
                insert_picture(context, document, png)
                return 0
            except Exception as error:
                # A document that takes no picture (read-only, say): a new one does.
                print("karvin-writer-paste: %s; using a new document" % error, file=sys.stderr)
        insert_picture(context, new_text_document(desktop), png)
        return 0
    except Exception as error:
        print("karvin-writer-paste: %s" % error, file=sys.stderr)
        return FAILED


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
