#include "calib/cal_window.h"

#include <cstring>

namespace {

// Reads the next piece of the file into data[size..] and folds its carriage
// returns. Returns the number of characters added (0 at the end of the file
// or on a read error).
std::size_t ReadMore(CalWindow& window) {
    char* const start = window.data + window.size;
    std::size_t room = kCalWindowBytes - window.size;
    std::size_t got = 0;
    if (window.held_carriage_return) {
        start[got++] = '\r';
        --room;
        window.held_carriage_return = false;
    }
    const std::size_t read = std::fread(start + got, 1, room, window.file.get());
    if (read < room) {
        if (std::ferror(window.file.get())) window.read_failed = true;
        window.at_end = true;
    }
    got += read;

    // Leave out each carriage return that stands right before a line feed,
    // judged on the characters as read (so "\r\r\n" keeps its first one).
    // Text before the first carriage return stays where it is.
    const void* const first = std::memchr(start, '\r', got);
    std::size_t kept =
        first == nullptr ? got : static_cast<std::size_t>(static_cast<const char*>(first) - start);
    for (std::size_t i = kept; i < got; ++i) {
        if (start[i] == '\r' && i + 1 < got && start[i + 1] == '\n') continue;
        start[kept++] = start[i];
    }
    // A carriage return at the very end may stand before the next read's line
    // feed: hold it back until that read.
    if (!window.at_end && kept > 0 && start[kept - 1] == '\r') {
        window.held_carriage_return = true;
        --kept;
    }
    window.size += kept;
    return kept;
}

}  // namespace

bool OpenCalWindow(const char* path, CalWindow& window) {
    window.file.reset(std::fopen(path, "rb"));
    window.origin = 0;
    window.size = 0;
    window.held_carriage_return = false;
    window.at_end = false;
    window.read_failed = false;
    if (!window.file) return false;
    // Reads go straight into the window, not through a second buffer.
    std::setvbuf(window.file.get(), nullptr, _IONBF, 0);
    while (ReadMore(window) == 0 && !window.at_end) {
    }
    if (window.read_failed) {
        window.file.reset();
        return false;
    }
    return true;
}

bool AdvanceCalWindow(CalWindow& window) {
    if (window.at_end) return false;
    const std::size_t keep = window.size < kCalWindowLookbackBytes ? window.size : kCalWindowLookbackBytes;
    std::memmove(window.data, window.data + window.size - keep, keep);
    window.origin += window.size - keep;
    window.size = keep;
    // Short of the end, a read fills the whole room, so it brings new text
    // even when its last character is held back.
    return ReadMore(window) > 0;
}
