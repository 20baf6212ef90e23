// Reads a text file line by line through a large buffer.
#ifndef HEALTH_TABLES_LINE_READER_H
#define HEALTH_TABLES_LINE_READER_H

#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

// A text file opened for reading, taken one line at a time. A line ends at a
// line feed; a carriage return before it, and a last line without one, are
// taken too. A line longer than kMaxLineBytes is cut there (the rest up to
// its line feed is dropped) and reported by WasCut().
class LineReader {
  public:
    static constexpr std::size_t kMaxLineBytes = 16 * 1024 * 1024;

    // Opens the file; IsOpen() tells whether that worked.
    explicit LineReader(const std::filesystem::path& path);
    bool IsOpen() const { return file_.is_open(); }

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
    bool Failed() const { return file_.bad(); }

  private:
    bool Refill();

    std::ifstream file_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;  // first unread byte in buffer_
    std::size_t end_ = 0;    // one past the last filled byte
    bool at_end_ = false;
    bool cut_ = false;
    bool skipping_ = false;  // dropping the rest of a line that was cut
    long long line_number_ = 0;
};

#endif  // HEALTH_TABLES_LINE_READER_H
