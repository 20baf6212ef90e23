#include "platform/replaced_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

#include "platform/utf8_path.h"

std::FILE* CreateNewFile(const std::string& path) {
#ifdef _WIN32
    const int descriptor =
        _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (descriptor < 0) return nullptr;
    std::FILE* file = _fdopen(descriptor, "wb");
    if (file == nullptr) _close(descriptor);
#else
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) return nullptr;
    std::FILE* file = fdopen(descriptor, "wb");
    if (file == nullptr) close(descriptor);
#endif
    return file;
}

bool ReplaceFile(const std::string& from, const std::string& to) {
    std::error_code error;
    std::filesystem::rename(PathFromUtf8(from), PathFromUtf8(to), error);
    return !error;
}

bool NameIsTaken(const std::string& path) {
    std::error_code error;
    return std::filesystem::symlink_status(PathFromUtf8(path), error).type() !=
           std::filesystem::file_type::not_found;
}

bool RemoveFile(const std::string& path) {
    std::error_code error;
    std::filesystem::remove(PathFromUtf8(path), error);
    return !error;
}

long ProcessNumber() {
#ifdef _WIN32
    return _getpid();
#else
    return static_cast<long>(getpid());
#endif
}
