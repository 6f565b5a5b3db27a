// Page addresses come from other programs (a browser's answer at capture time) and go to
// other programs again (the default browser, xdg-open). They are untrusted text: only web and
// file addresses that parse cleanly pass, and they pass in a normalised form.
#pragma once

#include <QString>

// The address in its normalised, fully percent-encoded form when it is an http, https, ftp
// or file URL that parses and holds no control characters; empty otherwise. Web and ftp
// addresses must name a host, file addresses an absolute path on this machine. The result
// always begins with its scheme, so no program can take it for an option, and it holds no
// blank, quote or control character.
QString NormalisedPageAddress(const QString& address);
