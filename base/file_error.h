// The error of a file operation, with a text for the user that names the file and gives the
// system's reason.
#pragma once

#include <stdexcept>
#include <string>

class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "what \"path\": reason", with the reason of the current errno.
std::string SystemErrorText(const std::string& what, const std::string& path);
