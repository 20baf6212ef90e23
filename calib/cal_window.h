// CalWindow: a CAL file read through a window of fixed size.
//
// The reader never holds more of a file than one window, whatever the file's
// size: a file of gigabytes is read with the same 64 KiB as one of a few
// kilobytes. The window's text is the file's text with every carriage return
// that stands right before a line feed left out, so CR LF and LF files read
// the same; a carriage return at the end of one read is held back until the
// next read shows what follows it.
#ifndef CALIB_CAL_WINDOW_H
#define CALIB_CAL_WINDOW_H

#include <cstddef>
#include <cstdio>
#include <memory>

// The fuzz build makes the window small (NORV_CAL_WINDOW_BYTES), so that its
// short inputs cross many window boundaries.
#ifndef NORV_CAL_WINDOW_BYTES
#define NORV_CAL_WINDOW_BYTES (64 * 1024)
#endif
constexpr std::size_t kCalWindowBytes = NORV_CAL_WINDOW_BYTES;
// Characters before the cursor that survive a move of the window: a failed
// number read steps back over at most its sign and a point or an exponent
// marker and its sign.
constexpr std::size_t kCalWindowLookbackBytes = 8;

struct CalFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct CalWindow {
    std::unique_ptr<std::FILE, CalFileCloser> file;
    std::size_t origin = 0;  // offset of data[0] in the folded text
    std::size_t size = 0;    // characters of data in use
    bool held_carriage_return = false;
    bool at_end = false;       // the file has nothing more to read
    bool read_failed = false;  // a read after the first one failed
    char data[kCalWindowBytes];
};

// OpenCalWindow
// Given a path and a window, opens the file for reading and fills the window
// with the first text. Returns false, with the window closed, when the file
// cannot be opened or its first read fails (a folder, a read error). Never
// ends the process.
bool OpenCalWindow(const char* path, CalWindow& window);

// AdvanceCalWindow
// Given a window whose text has been used up to its end, moves it on: keeps
// its last kCalWindowLookbackBytes characters at the front and fills the rest
// from the file. Returns true when new text came in; false at the end of the
// file or after a failed read (read_failed is then set). Never ends the
// process.
bool AdvanceCalWindow(CalWindow& window);

#endif  // CALIB_CAL_WINDOW_H
