// Windows console: the console window's title, the shell's browse-for-folder
// dialog owned by that window when standard input is the console, and the
// shared line read when standard input is redirected (a script, a test).
#include <windows.h>
// windows.h maps SetConsoleTitle to SetConsoleTitleA; in this file the name
// is the run's own function of platform/console.h.
#undef SetConsoleTitle

#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "platform/console.h"
#include "platform/console_input.h"

namespace {

// Pause between setting the console title and looking the window up by it,
// so the title has reached the window.
constexpr DWORD kTitleSettleMs = 40;
constexpr const wchar_t* kDialogTitle = L"Navigate to the Calibration files folder";
// Only file-system folders can be chosen.
constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS;

// The console window found by its title; owns the folder dialog. Null when
// it was not found, and the dialog then has no owner.
HWND g_console_window = nullptr;

bool StandardInputIsConsole() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

// Given UTF-16 text, returns it as UTF-8, the program's text.
std::string Utf8FromWide(const wchar_t* text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) return std::string();
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], bytes, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(bytes) - 1);
    return utf8;
}

// Shows the folder dialog. Returns true with folder set to the chosen
// folder's path (UTF-8, whatever characters it holds); false when the
// operator cancels or the choice has no file-system path.
bool BrowseForFolder(std::string& folder) {
    wchar_t display_name[MAX_PATH] = L"";
    BROWSEINFOW browse{};
    browse.hwndOwner = g_console_window;
    browse.pidlRoot = nullptr;  // the desktop
    browse.pszDisplayName = display_name;
    browse.lpszTitle = kDialogTitle;
    browse.ulFlags = kBrowseFlags;
    browse.lpfn = nullptr;
    browse.lParam = 0;
    browse.iImage = 0;

    // The dialog is built on COM, which wants a single-threaded apartment.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    bool chosen = false;
    LPITEMIDLIST item_list = SHBrowseForFolderW(&browse);
    if (item_list != nullptr) {
        wchar_t path[MAX_PATH] = L"";
        chosen = SHGetPathFromIDListW(item_list, path) && path[0] != L'\0';
        if (chosen) folder = Utf8FromWide(path);
        CoTaskMemFree(item_list);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return chosen;
}

}  // namespace

void SetConsoleTitle(std::string_view title) {
    // The console shows the program's UTF-8 text (folder names in messages)
    // as it is; without a console this does nothing.
    SetConsoleOutputCP(CP_UTF8);
    const std::string text(title);
    SetConsoleTitleA(text.c_str());
    Sleep(kTitleSettleMs);
    g_console_window = FindWindowA(nullptr, text.c_str());
}

bool ChooseFolder(std::string& folder) {
    std::fflush(stdout);
    if (StandardInputIsConsole()) return BrowseForFolder(folder);
    return ReadFolderLine(folder);
}
