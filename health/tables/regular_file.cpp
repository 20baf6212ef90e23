#include "health/tables/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
int OpenForReading(const std::filesystem::path& path) {
    return _wopen(path.c_str(), _O_RDONLY | _O_BINARY);
}
bool IsRegular(int descriptor) {
    struct _stat64 status {};
    return _fstat64(descriptor, &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFREG;
}
void CloseDescriptor(int descriptor) {
    _close(descriptor);
}
#else
int OpenForReading(const std::filesystem::path& path) {
    // No waiting for a writer when a FIFO stands there; once the file is
    // known to be regular the flag changes nothing.
    return open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}
bool IsRegular(int descriptor) {
    struct stat status {};
    return fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
}
void CloseDescriptor(int descriptor) {
    close(descriptor);
}
#endif

}  // namespace

RegularFile::RegularFile(const std::filesystem::path& path) {
    const int descriptor = OpenForReading(path);
    if (descriptor < 0) {
        error_ = std::string("cannot be opened for reading: ") + std::strerror(errno);
        return;
    }
    if (!IsRegular(descriptor)) {
        CloseDescriptor(descriptor);
        error_ = "is not a regular file";
        return;
    }
    descriptor_ = descriptor;
}

RegularFile::~RegularFile() {
    if (descriptor_ >= 0) CloseDescriptor(descriptor_);
}

long RegularFile::Read(char* buffer, std::size_t size) {
    if (size > INT_MAX / 2) size = INT_MAX / 2;
    for (;;) {
#ifdef _WIN32
        const long got = _read(descriptor_, buffer, static_cast<unsigned int>(size));
#else
        const long got = static_cast<long>(read(descriptor_, buffer, size));
#endif
        if (got < 0 && errno == EINTR) continue;
        return got;
    }
}
