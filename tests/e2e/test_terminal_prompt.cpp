// The folder prompt at a terminal: the program runs on a pseudo-terminal (its
// standard input and output), with standard error in a file, and the test
// types at it as an operator would. A cancel must leave its message on the
// screen until a key is pressed; a folder that does not exist is named and
// asked for again. Linux only (the Windows console shows a folder dialog).
#include <gtest/gtest.h>

#ifndef _WIN32

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "program_run.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kPrompt = "Navigate to the Calibration files folder: ";
// Long enough for a run under the sanitizers on a busy machine.
constexpr int kTimeoutMs = 30000;

// The program on a pseudo-terminal. screen holds what it wrote there, with
// the terminal's carriage returns taken out.
struct TerminalRun {
    pid_t child = -1;     // -1 once it has ended
    int end_status = -1;  // its wait status once it has ended
    int terminal = -1;
    std::string screen;
    fs::path errors;

    TerminalRun(const fs::path& work_folder) : errors(work_folder / "stderr.txt") {
        terminal = posix_openpt(O_RDWR | O_NOCTTY);
        if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0) return;
        const std::string side = ptsname(terminal);
        child = fork();
        if (child != 0) return;
        // The child: a session of its own whose controlling terminal is the
        // pseudo-terminal, no user settings for the line editor.
        setsid();
        const int tty = open(side.c_str(), O_RDWR);
        const int error_file = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (tty < 0 || error_file < 0 || chdir(work_folder.c_str()) != 0) _exit(98);
        dup2(tty, STDIN_FILENO);
        dup2(tty, STDOUT_FILENO);
        dup2(error_file, STDERR_FILENO);
        setenv("TERM", "dumb", 1);
        setenv("INPUTRC", "/dev/null", 1);
        execl(NORV_PROGRAM, NORV_PROGRAM, static_cast<char*>(nullptr));
        _exit(99);
    }
    ~TerminalRun() {
        if (child > 0 && waitpid(child, nullptr, WNOHANG) == 0) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
        if (terminal >= 0) close(terminal);
    }
    TerminalRun(const TerminalRun&) = delete;
    TerminalRun& operator=(const TerminalRun&) = delete;

    // Reads the terminal until screen holds text count times, or until the
    // time runs out or the program closes the terminal; returns whether it does.
    bool ReadUntil(const std::string& text, int count = 1) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
        while (Occurrences(text) < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd wait_for{terminal, POLLIN, 0};
            if (left.count() <= 0 || poll(&wait_for, 1, static_cast<int>(left.count())) <= 0) return false;
            char buffer[4096];
            const ssize_t got = read(terminal, buffer, sizeof buffer);
            if (got <= 0) return false;
            for (ssize_t i = 0; i < got; ++i) {
                if (buffer[i] != '\r') screen += buffer[i];
            }
        }
        return true;
    }

    int Occurrences(const std::string& text) const {
        int count = 0;
        for (std::size_t at = screen.find(text); at != std::string::npos; at = screen.find(text, at + 1))
            ++count;
        return count;
    }

    void Type(const std::string& keys) {
        ASSERT_EQ(write(terminal, keys.data(), keys.size()), ssize_t(keys.size()));
    }

    // Whether the program is still running after the given pause.
    bool RunningAfter(int ms) {
        usleep(static_cast<useconds_t>(ms) * 1000);
        return !Ended();
    }

    // Waits for the program's end; returns its exit status, or -1 when it
    // did not end normally within the time.
    int ExitStatus() {
        for (int waited = 0; waited < kTimeoutMs && !Ended(); waited += 10) {
            // Keep the terminal drained, so that the program never blocks writing.
            pollfd ready{terminal, POLLIN, 0};
            if (poll(&ready, 1, 10) > 0) {
                char buffer[4096];
                if (read(terminal, buffer, sizeof buffer) < 0) usleep(10000);
            }
        }
        return Ended() && WIFEXITED(end_status) ? WEXITSTATUS(end_status) : -1;
    }

    // Whether the program has ended; its wait status is then in end_status.
    bool Ended() {
        if (child > 0 && waitpid(child, &end_status, WNOHANG) == child) child = -1;
        return child < 0;
    }
};

const std::string kCancelText = " ERROR getting CAL files folder pathname \n\n Enter CR to exit program \n";

}  // namespace

TEST(TerminalPrompt, CancelLeavesTheMessageUntilAKeyIsPressed) {
    // An empty entry, and the end of input (Ctrl-D) at the prompt.
    for (const std::string cancel : {"\r", "\x04"}) {
        ScratchFolder scratch;
        TerminalRun run(scratch.path);
        ASSERT_GT(run.child, 0);
        ASSERT_TRUE(run.ReadUntil(kPrompt)) << run.screen;
        run.Type(cancel);
        ASSERT_TRUE(run.ReadUntil(kCancelText)) << run.screen;
        EXPECT_TRUE(run.RunningAfter(300)) << "the program ended without waiting for a key";
        run.Type("\r");
        EXPECT_EQ(run.ExitStatus(), 1);
        EXPECT_EQ(ReadFile(run.errors), "");
        EXPECT_EQ(run.Occurrences(kPrompt), 1) << run.screen;
    }
}

TEST(TerminalPrompt, FolderThatDoesNotExistIsNamedAndAskedAgain) {
    ScratchFolder scratch;
    const fs::path folder = scratch.path / "calibrations";
    fs::create_directory(folder);
    const std::string missing = (scratch.path / "missing").string();
    TerminalRun run(scratch.path);
    ASSERT_GT(run.child, 0);
    ASSERT_TRUE(run.ReadUntil(kPrompt)) << run.screen;
    run.Type(missing + "\r");
    ASSERT_TRUE(run.ReadUntil(kPrompt, 2)) << run.screen;
    EXPECT_EQ(ReadFile(run.errors), missing + ": no such folder\n");
    EXPECT_EQ(run.screen.find("ERROR"), std::string::npos) << run.screen;

    run.Type(folder.string() + "\r");
    ASSERT_TRUE(run.ReadUntil("\n Done with processing \n")) << run.screen;
    run.Type("\r");
    EXPECT_EQ(run.ExitStatus(), 1);
    EXPECT_TRUE(fs::is_directory(folder / "Summary"));
    EXPECT_FALSE(fs::exists(scratch.path / "missing"));
}

#endif  // _WIN32
