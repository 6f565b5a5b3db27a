#include "store/attach_list.h"

#include "store/file_io.h"
#include "store/work_folder.h"

void WriteAttachList(const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        if (path.find_first_of("\r\n") != std::string::npos)
            throw EFileError("Cannot mail " + path +
                             ": its name holds a line break, which the list of files to mail "
                             "cannot carry.");
    WriteTextLines(WorkPath("attach.dat"), paths);
}

std::optional<std::vector<std::string>> ReadAttachList() {
    const auto content = ReadWholeFile(WorkPath("attach.dat"), LargestAttachList);
    if (!content)
        return std::nullopt;
    std::vector<std::string> lines;
    for (std::string& line : SplitLines(*content))
        if (!line.empty())
            lines.push_back(std::move(line));
    return lines;
}
