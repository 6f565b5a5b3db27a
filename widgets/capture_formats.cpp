#include "widgets/capture_formats.h"

#include "imaging/dib_graphic.h"

std::string CaptureFormatExtension(int defaultFormat) {
    if (defaultFormat < 0 || defaultFormat >= int(CaptureFormats.size()))
        throw EImageError("Internal error: Invalid image format");
    return CaptureFormats[std::size_t(defaultFormat)].Extension;
}

int SaveTypeOf(const std::string& extension) {
    for (std::size_t type = 0; type < CaptureFormats.size(); ++type)
        if (extension == CaptureFormats[type].SaveExtension)
            return int(type) + 1;
    return 0;
}

std::string SaveExtensionList() {
    std::string list;
    for (std::size_t type = 0; type < CaptureFormats.size(); ++type) {
        if (type > 0)
            list += type + 1 == CaptureFormats.size() ? ",or " : ",";
        list += CaptureFormats[type].SaveExtension;
    }
    return list;
}

std::string SaveFormatNames() {
    std::string names;
    for (std::size_t type = 0; type < CaptureFormats.size(); ++type) {
        if (type > 0)
            names += type + 1 == CaptureFormats.size() ? ", and " : ", ";
        names += std::string(CaptureFormats[type].Extension).substr(1);
    }
    return names;
}
