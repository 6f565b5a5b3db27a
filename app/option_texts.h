// The items of the main window's option boxes. The item index is the value stored in the
// settings record (capture method, capture-and-print choice); the format box's items are the
// capture formats' (widgets/capture_formats.h).
#pragma once

#include <array>

inline constexpr std::array<const char*, 13> CaptureMethodTexts = {
    "Full Screen",
    "Active Window",
    "Active Window Client Area",
    "Mouse Selected Region",
    "User-Defined Rectangle",
    "User-Defined Rectangle With Repeat",
    "User-Defined Circle",
    "User-Defined Circle With Repeat",
    "Full DOS Screen: Text As Graphic",
    "Full DOS Screen: Text As Text File",
    "Full DOS Screen: Graphics Only",
    "Zoom Capture",
    "DurIdozezed",
};

inline constexpr std::array<const char*, 3> PrintSelectionTexts = {
    "Print and Capture",
    "Print Only",
    "Capture Only",
};

// "Fit To Window", "View 10%", "View 25%", "View 50%", "View 75%", then "View 100%" to
// "View 500%" in steps of 25.
inline constexpr std::array<const char*, 22> ViewPercentTexts = {
    "Fit To Window", "View 10%",  "View 25%",  "View 50%",  "View 75%",  "View 100%",
    "View 125%",     "View 150%", "View 175%", "View 200%", "View 225%", "View 250%",
    "View 275%",     "View 300%", "View 325%", "View 350%", "View 375%", "View 400%",
    "View 425%",     "View 450%", "View 475%", "View 500%",
};
inline constexpr int ViewPercentFitToWindow = 0; // the index of "Fit To Window"
inline constexpr int ViewPercent100 = 5;         // the index of "View 100%"
