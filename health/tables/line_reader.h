// Reads a text file line by line through a large buffer.
#ifndef HEALTH_TABLES_LINE_READER_H
#define HEALTH_TABLES_LINE_READER_H

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "health/tables/regular_file.h"

// A text file opened for reading, taken one line at a time. A line ends at a
// line feed; a carriage return before it, and a last line without one, are
// taken too. A file whose first chunk has carriage returns and no line feed
// (a table that passed through an old editor) has its lines end at each
// carriage return instead. A line longer than kMaxLineBytes is cut there
// (the rest up to its line feed is dropped) and reported by WasCut().
class LineReader {
  public:
    static constexpr std::size_t kMaxLineBytes = 16 * 1024 * 1024;

    // Opens the file (a regular file only, see RegularFile); IsOpen() tells
    // whether that worked, OpenError() why not.
    explicit LineReader(const std::filesystem::path& path);
    bool IsOpen() const { return file_.IsOpen(); }
    const std::string& OpenError() const { return file_.Error(); }

    // Sets line to the next line without its line end and returns true, or
    // returns false at the end of the file (or on a read error, see Failed()).
    // The text stays valid until the next call.
    bool Next(std::string_view& line);

    // Sets text to the whole lines that are read and not yet taken (at least
    // one, each with its line feed), reading more when none is; returns
    // false when there is none (end of file, read error, a line longer than
    // kMaxLineBytes or a last line without line feed: Next() takes those).
    // The caller takes lines from the front of text and tells Take how many
    // bytes and lines it took; text stays valid until the next call.
    bool Peek(std::string_view& text);
    void Take(std::size_t bytes, long long lines) {
        begin_ += bytes;
        line_number_ += lines;
    }

    // Number of the line last returned or taken, counting from 1.
    long long LineNumber() const { return line_number_; }
    bool WasCut() const { return cut_; }
    bool Failed() const { return failed_; }
    // Whether the lines end at carriage returns alone, and how many bytes
    // the file held up to where it was read.
    bool CarriageReturnLines() const { return carriage_return_lines_; }
    long long BytesRead() const { return bytes_read_; }

  private:
    bool Refill();

    RegularFile file_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;  // first unread byte in buffer_
    std::size_t end_ = 0;    // one past the last filled byte
    bool at_end_ = false;
    bool cut_ = false;
    bool skipping_ = false;  // dropping the rest of a line that was cut
    bool failed_ = false;
    bool first_chunk_ = true;
    bool carriage_return_lines_ = false;
    long long bytes_read_ = 0;
    long long line_number_ = 0;
};

#endif  // HEALTH_TABLES_LINE_READER_H
