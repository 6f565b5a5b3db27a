#include "widgets/go_to_url.h"

#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/page_address.h"

bool CanGoToURL(const QString& address) {
    return !NormalisedPageAddress(address).isEmpty();
}

bool GoToURL(IDesktop& desktop, IDialogs& dialogs, QWidget* owner, const QString& address) {
    const QString normalised = NormalisedPageAddress(address);
    if (normalised.isEmpty()) {
        dialogs.Message(owner, "Error",
                        "The page address of this image cannot be opened: Karvin opens only web "
                        "(http, https), ftp and file addresses.",
                        TMsgIcon::Warning, mbOK);
        return false;
    }
    // The length of the address opened decides, as it goes out.
    if (normalised.size() <= LongestShellAddress)
        desktop.OpenDocument(normalised);
    else
        desktop.OpenInBrowser(normalised);
    return true;
}
