// window_probe: asks a running program's top-level window what a user cannot see from outside, for the
// end-to-end run under wine (scripts/check.d/35-windows-gui.sh).
//   window_probe client PROGRAM.exe    prints the client area's screen position and size: "x y width height"
//   window_probe frame PROGRAM.exe     the same for the whole window, title bar and border included
//   window_probe sysmenu PROGRAM.exe   prints the system menu's entries, one "position id text" a line; exits
//                                      1 when one of them is the Close command (asked from inside the program
//                                      by window_probe_hook.dll, which must lie beside the probe)
// Both exit 2 when no visible window of that program is found.

#include "window_probe_shared.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

struct Search {
    std::wstring program; // the executable's file name, compared without case
    HWND found = nullptr;
};

std::wstring FileNameOf(DWORD processId) {
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return {};
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const BOOL ok = QueryFullProcessImageNameW(process, 0, path, &size);
    CloseHandle(process);
    if (!ok)
        return {};
    const std::wstring full(path, size);
    const std::size_t slash = full.find_last_of(L"\\/");
    return slash == std::wstring::npos ? full : full.substr(slash + 1);
}

BOOL CALLBACK Visit(HWND window, LPARAM context) {
    Search& search = *reinterpret_cast<Search*>(context);
    if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER))
        return TRUE;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (_wcsicmp(FileNameOf(processId).c_str(), search.program.c_str()) != 0)
        return TRUE;
    search.found = window;
    return FALSE;
}

HWND FindProgramWindow(const char* program) {
    Search search;
    for (const char* c = program; *c; ++c)
        search.program += static_cast<wchar_t>(*c);
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int Client(HWND window) {
    RECT area{};
    POINT origin{0, 0};
    if (!GetClientRect(window, &area) || !ClientToScreen(window, &origin))
        return 2;
    std::printf("%ld %ld %ld %ld\n", origin.x, origin.y, area.right - area.left, area.bottom - area.top);
    return 0;
}

int Frame(HWND window) {
    RECT frame{};
    if (!GetWindowRect(window, &frame))
        return 2;
    std::printf("%ld %ld %ld %ld\n", frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top);
    return 0;
}

int SystemMenu(HWND window) {
    // wine answers GetSystemMenu only inside the window's own process: the hook DLL asks there.
    const HANDLE mapping =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(probe::Shared), probe::SharedName);
    const HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, probe::ReadyName);
    auto* shared =
        mapping ? static_cast<probe::Shared*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0)) : nullptr;
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dll(path);
    dll = dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"window_probe_hook.dll";
    const HMODULE module = LoadLibraryW(dll.c_str());
    const auto hook =
        module ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(module, "ProbeHook"))) : nullptr;
    if (!shared || !ready || !hook) {
        std::fprintf(stderr, "window_probe: cannot set up the hook\n");
        return 2;
    }
    *shared = probe::Shared{};
    shared->window = reinterpret_cast<std::uintptr_t>(window);
    const HHOOK installed = SetWindowsHookExW(WH_GETMESSAGE, hook, module, GetWindowThreadProcessId(window, nullptr));
    // The hook runs when the window's thread takes a message; give it one until it has answered.
    for (int i = 0; installed && i < 100 && WaitForSingleObject(ready, 0) != WAIT_OBJECT_0; ++i) {
        PostMessageW(window, WM_NULL, 0, 0);
        WaitForSingleObject(ready, 100);
    }
    if (installed)
        UnhookWindowsHookEx(installed);
    if (!shared->done) {
        std::fprintf(stderr, "window_probe: the window's thread did not answer\n");
        return 2;
    }
    if (shared->count < 0)
        return 2;
    std::fputs(shared->text, stdout);
    // Every line is "position id text"; the Close command's id is SC_CLOSE.
    char id[16];
    std::snprintf(id, sizeof id, " 0x%04X ", SC_CLOSE);
    return std::strstr(shared->text, id) ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_probe client|frame|sysmenu PROGRAM.exe\n");
        return 3;
    }
    const HWND window = FindProgramWindow(argv[2]);
    if (!window) {
        std::fprintf(stderr, "window_probe: no visible window of %s\n", argv[2]);
        return 2;
    }
    const std::string command = argv[1];
    if (command == "client")
        return Client(window);
    if (command == "frame")
        return Frame(window);
    if (command == "sysmenu")
        return SystemMenu(window);
    std::fprintf(stderr, "window_probe: unknown command %s\n", argv[1]);
    return 3;
}
