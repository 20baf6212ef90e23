#include "health/tables/line_reader.h"

#include <algorithm>
#include <cstring>

namespace {
// Small enough to stay in the core's cache between the copy from the
// operating system and the parsing (measured: 64 KB reads of the page cache
// take two thirds of the time 1 MB reads take).
constexpr std::size_t kChunkBytes = 64 * 1024;
}  // namespace

LineReader::LineReader(const std::filesystem::path& path) : file_(path), buffer_(kChunkBytes) {}

// Moves the unread bytes to the front and reads more after them; grows the
// buffer when the unread bytes fill it (a line longer than a chunk). Returns
// false when nothing more came.
bool LineReader::Refill() {
    if (at_end_) return false;
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
    const long got = file_.IsOpen() ? file_.Read(buffer_.data() + end_, buffer_.size() - end_) : 0;
    if (got <= 0) {
        failed_ = got < 0;
        at_end_ = true;
        return false;
    }
    char* const fresh = buffer_.data() + end_;
    end_ += static_cast<std::size_t>(got);
    bytes_read_ += got;
    if (first_chunk_) {
        first_chunk_ = false;
        carriage_return_lines_ = std::memchr(fresh, '\n', static_cast<std::size_t>(got)) == nullptr &&
                                 std::memchr(fresh, '\r', static_cast<std::size_t>(got)) != nullptr;
    }
    if (carriage_return_lines_) std::replace(fresh, fresh + got, '\r', '\n');
    return true;
}

bool LineReader::Next(std::string_view& line) {
    cut_ = false;
    std::size_t searched = begin_;
    for (;;) {
        const void* found =
            searched < end_ ? std::memchr(buffer_.data() + searched, '\n', end_ - searched) : nullptr;
        if (found != nullptr) {
            const std::size_t newline =
                static_cast<std::size_t>(static_cast<const char*>(found) - buffer_.data());
            if (skipping_) {
                skipping_ = false;
                begin_ = newline + 1;
                searched = begin_;
                continue;
            }
            std::size_t length = newline - begin_;
            if (length > 0 && buffer_[begin_ + length - 1] == '\r') --length;
            line = std::string_view(buffer_.data() + begin_, length);
            begin_ = newline + 1;
            ++line_number_;
            return true;
        }
        if (skipping_) {
            begin_ = end_;
        } else if (end_ - begin_ >= kMaxLineBytes) {
            line = std::string_view(buffer_.data() + begin_, kMaxLineBytes);
            begin_ += kMaxLineBytes;
            skipping_ = true;
            cut_ = true;
            ++line_number_;
            return true;
        }
        const std::size_t unread = end_ - begin_;
        if (!Refill()) {
            if (end_ > begin_ && !skipping_) {
                // The last line has no line feed.
                std::size_t length = end_ - begin_;
                if (buffer_[begin_ + length - 1] == '\r') --length;
                line = std::string_view(buffer_.data() + begin_, length);
                begin_ = end_;
                ++line_number_;
                return true;
            }
            return false;
        }
        searched = begin_ + unread;  // Refill moved the unread bytes to the front
    }
}

bool LineReader::Peek(std::string_view& text) {
    if (skipping_) return false;
    cut_ = false;
    for (;;) {
        // The last line feed of the unread bytes.
        std::size_t last = end_;
        while (last > begin_ && buffer_[last - 1] != '\n') --last;
        if (last > begin_) {
            text = std::string_view(buffer_.data() + begin_, last - begin_);
            return true;
        }
        if (end_ - begin_ >= kMaxLineBytes || !Refill()) return false;
    }
}
