// The part of window_probe that runs inside the probed program: wine answers GetSystemMenu only for a window of
// the calling process, so the probe installs this DLL's hook on the window's thread and the hook reads the menu
// there. Probe and hook share one named block of memory.

#include "window_probe_shared.h"

#include <windows.h>

#include <cstdio>

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeHook(int code, WPARAM wParam, LPARAM lParam) {
    const HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, probe::SharedName);
    if (mapping) {
        auto* shared = static_cast<probe::Shared*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        if (shared && !shared->done) {
            const HWND window = reinterpret_cast<HWND>(shared->window);
            const HMENU menu = GetSystemMenu(window, FALSE);
            int used = 0;
            const int count = menu ? GetMenuItemCount(menu) : -1;
            for (int i = 0; i < count && used < static_cast<int>(sizeof shared->text) - 200; ++i) {
                char text[128] = {};
                GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
                used += std::snprintf(shared->text + used, sizeof shared->text - used, "%d 0x%04X %s\n", i,
                                      GetMenuItemID(menu, i), text);
            }
            shared->count = count;
            shared->done = 1;
            if (const HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, probe::ReadyName)) {
                SetEvent(ready);
                CloseHandle(ready);
            }
        }
        if (shared)
            UnmapViewOfFile(shared);
        CloseHandle(mapping);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
