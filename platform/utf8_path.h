// Paths from the program's text. Inside the program every path is UTF-8 text
// (on Windows the executable declares UTF-8 as its code page); the standard
// library's paths must be told so, as on Windows they would otherwise read a
// narrow string in another code page.
#ifndef PLATFORM_UTF8_PATH_H
#define PLATFORM_UTF8_PATH_H

#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

// Given UTF-8 text, returns the path it names; an empty path when the text
// is not UTF-8 (on Windows, where it must be converted), so that every use of
// it fails as for a missing file. Never ends the process.
inline std::filesystem::path PathFromUtf8(std::string_view text) {
    try {
        return std::filesystem::u8path(text.begin(), text.end());
    } catch (const std::exception&) {
        return std::filesystem::path();
    }
}

// Given a path, returns its UTF-8 text; empty when it has none (a Windows
// name that is not valid UTF-16). Never ends the process.
inline std::string Utf8FromPath(const std::filesystem::path& path) {
    try {
        return path.u8string();
    } catch (const std::exception&) {
        return std::string();
    }
}

#endif  // PLATFORM_UTF8_PATH_H
