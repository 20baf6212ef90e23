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

void PrintNotAFolder(const std::string& path) {
    const std::size_t nul = path.find('\0');
    if (nul != std::string::npos) {
        std::fprintf(stderr, "%s: a folder path cannot hold a NUL byte\n", path.substr(0, nul).c_str());
        return;
    }
    std::error_code error;
    const bool something_there = std::filesystem::exists(PathFromUtf8(path), error);
    std::fprintf(stderr, "%s: %s\n", path.c_str(), something_there ? "not a folder" : "no such folder");
}

bool ReadFolderLine(std::string& folder) {
    std::string entry;
    if (!ReadPlainLine(entry) || entry.empty()) return false;
    if (!IsExistingFolder(entry)) {
        PrintNotAFolder(entry);
        return false;
    }
    folder = entry;
    return true;
}

void WaitForCharacter() {
    std::fflush(stdout);
    (void)std::getchar();
}
