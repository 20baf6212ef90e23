// The folder line of redirected input and the key wait, on the C library's
// standard input: the same on every platform.
#include "platform/console_input.h"

#include <cstdio>
#include <filesystem>

#include "platform/console.h"
#include "platform/utf8_path.h"

namespace {

// Reads one line from standard input without its line end (a carriage return
// before the line feed goes too). Returns false at the end of input with
// nothing read.
bool ReadPlainLine(std::string& line) {
    line.clear();
    int c = std::getchar();
    if (c == EOF) return false;
    while (c != EOF && c != '\n') {
        line.push_back(static_cast<char>(c));
        c = std::getchar();
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

}  // namespace

// A path holding a NUL byte is refused: the system would take only the part
// before it, while the names formed from the folder path go on after it (the
// tables would land in a sibling folder named "<part>Summary").
bool IsExistingFolder(const std::string& path) {
    if (path.find('\0') != std::string::npos) return false;
    std::error_code error;
    return std::filesystem::is_directory(PathFromUtf8(path), error);
}

bool ReadFolderLine(std::string& folder) {
    std::string entry;
    if (!ReadPlainLine(entry) || entry.empty() || !IsExistingFolder(entry)) return false;
    folder = entry;
    return true;
}

void WaitForCharacter() {
    std::fflush(stdout);
    (void)std::getchar();
}
