// Opening a page address in the web browser: the one rule of every window that does it (the
// main window's Go To URL, the WebLink viewer's Go to URL).
//
// Page addresses come from other programs and from the link store on disk, so they are
// untrusted: only an address that NormalisedPageAddress accepts (http, https, ftp, file) is
// handed on, and only in its normalised form. Shorter than 256 characters it goes to the
// desktop's open operation; from 256 on the browser itself is started with it, since the
// desktop's open operation may cut long addresses.
#pragma once

#include <QString>

class IDesktop;
class IDialogs;
class QWidget;

// The longest address the desktop's open operation is given.
inline constexpr int LongestShellAddress = 255;

// Whether GoToURL would open `address`.
bool CanGoToURL(const QString& address);

// Opens the address by the rule above and returns true; an address that is no web or file
// address is not handed on, and the user is told so ("The page address of this image cannot
// be opened: ...", caption "Error", owned by `owner`).
bool GoToURL(IDesktop& desktop, IDialogs& dialogs, QWidget* owner, const QString& address);
