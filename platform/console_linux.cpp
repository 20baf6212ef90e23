// Linux console: terminal title escape, readline folder prompt with path
// completion, and a plain line read when standard input is not a terminal.
#include <readline/readline.h>
#include <readline/tilde.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/console.h"
#include "platform/console_input.h"

namespace {

constexpr const char* kFolderPrompt = "Navigate to the Calibration files folder: ";

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
        PrintNotAFolder(entry);
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
    return ReadFolderLine(folder);
}
