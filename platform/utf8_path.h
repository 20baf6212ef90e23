// Paths from the program's text. Inside the program every path is UTF-8 text
// (on Windows the executable declares UTF-8 as its code page); the standard
// library's paths must be told so, as on Windows they would otherwise read a
// narrow string in another code page.
#ifndef PLATFORM_UTF8_PATH_H
#define PLATFORM_UTF8_PATH_H

#include <filesystem>
#include <string>
#include <string_view>

// Given UTF-8 text, returns the path it names. Never ends the process.
inline std::filesystem::path PathFromUtf8(std::string_view text) {
    return std::filesystem::u8path(text.begin(), text.end());
}

// Given a path, returns its UTF-8 text. Never ends the process.
inline std::string Utf8FromPath(const std::filesystem::path& path) {
    return path.u8string();
}

#endif  // PLATFORM_UTF8_PATH_H
