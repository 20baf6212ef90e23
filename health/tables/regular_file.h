// A table opened for reading. Only a regular file is read: a FIFO or a
// device standing at a table's name (or swapped in during the run) would
// block the reader or never end.
#ifndef HEALTH_TABLES_REGULAR_FILE_H
#define HEALTH_TABLES_REGULAR_FILE_H

#include <cstddef>
#include <filesystem>
#include <string>

class RegularFile {
  public:
    // Opens the file without waiting for a writer (opening a FIFO for reading
    // would), then keeps it only when what was opened is a regular file.
    // IsOpen() tells whether that worked, Error() why not.
    explicit RegularFile(const std::filesystem::path& path);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool IsOpen() const { return descriptor_ >= 0; }
    const std::string& Error() const { return error_; }

    // Reads up to size bytes into buffer; returns how many (0 at the end of
    // the file), or -1 on a read error.
    long Read(char* buffer, std::size_t size);

  private:
    int descriptor_ = -1;
    std::string error_;
};

#endif  // HEALTH_TABLES_REGULAR_FILE_H
