// Driving the wizard as a person would: find its windows, read texts and states, press
// buttons, and take pictures of what is on the screen.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ui {

// A visible top-level dialog (#32770) with this caption, or null.
HWND FindVisibleDialog(const wchar_t* caption);
// The visible wizard page whose title reads `title`, waiting up to `milliseconds`.
HWND WaitForPage(const wchar_t* title, DWORD milliseconds);
// The visible wizard page, whichever it is (null when none is visible).
HWND VisiblePage();
// An error box (caption "Error"), waiting up to `milliseconds`.
HWND WaitForErrorBox(DWORD milliseconds);
// The message text of a message box: its longest static text.
std::wstring MessageBoxText(HWND box);

std::wstring Text(HWND window);
std::wstring ItemText(HWND page, int id);
bool IsItemEnabled(HWND page, int id);
bool IsItemVisible(HWND page, int id);
bool IsItemChecked(HWND page, int id);

// Presses a button as a person can: only when it is visible and enabled. Returns whether
// it could be pressed.
bool Click(HWND page, int id);
// A left click on a control at a point of its client area.
void ClickAt(HWND control, int x, int y);
void PressKey(HWND page, WPARAM key);
void CloseBySystemMenu(HWND page);

// Whether any pixel of the window's client area on screen is close to `colour`.
bool ShowsColour(HWND window, COLORREF colour);
// Saves the window as it is on screen as a PNG file.
bool SaveScreenshot(HWND window, const std::wstring& path);

// Waits until `condition` holds or the time is up; returns whether it held.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD milliseconds)
{
    const ULONGLONG end = ::GetTickCount64() + milliseconds;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (::GetTickCount64() >= end) {
            return false;
        }
        ::Sleep(50);
    }
}

} // namespace ui
