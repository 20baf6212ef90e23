// Linux console: terminal title escape, readline folder prompt with path
// completion, and a plain line read when standard input is not a terminal.
#include <readline/readline.h>
#include <readline/tilde.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/console.h"

namespace {

constexpr const char* kFolderPrompt = "Navigate to the Calibration files folder: ";

bool IsExistingFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

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

// Interactive prompt: readline editing, tab completion of paths (readline's
// default completer), a leading "~" expanded to the home folder, and the
// question asked again after an entry that is not an existing folder.
bool PromptOnTerminal(std::string& folder) {
    // Keep standard output free of the prompt when it is not the terminal.
    rl_outstream = isatty(STDOUT_FILENO) ? stdout : stderr;
    rl_instream = stdin;
    for (;;) {
        char* typed = readline(kFolderPrompt);
        if (typed == nullptr) return false;
        std::string entry = typed;
        std::free(typed);
        if (entry.empty()) return false;
        if (entry[0] == '~') {
            char* expanded = tilde_expand(entry.c_str());
            entry = expanded;
            std::free(expanded);
        }
        if (IsExistingFolder(entry)) {
            folder = entry;
            return true;
        }
        std::fprintf(stderr, " %s is not an existing folder; try again, or enter nothing to cancel \n",
                     entry.c_str());
    }
}

}  // namespace

void SetConsoleTitle(std::string_view title) {
    if (!isatty(STDOUT_FILENO)) return;
    std::printf("\033]0;%.*s\007", static_cast<int>(title.size()), title.data());
    std::fflush(stdout);
}

bool ChooseFolder(std::string& folder) {
    std::fflush(stdout);
    if (isatty(STDIN_FILENO)) return PromptOnTerminal(folder);
    std::string entry;
    if (!ReadPlainLine(entry) || entry.empty() || !IsExistingFolder(entry)) return false;
    folder = entry;
    return true;
}

void WaitForCharacter() {
    std::fflush(stdout);
    (void)std::getchar();
}
