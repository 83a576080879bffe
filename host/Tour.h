// The scripted tour of the demo host: opens every dialog through its menu command, waits until the
// dialog is painted, writes a PNG screenshot of it (frame and caption included), performs the
// dialog's main job as a user would, and goes on to the next one. Runs from a thread timer, so it
// acts inside whatever modal loop is running.
#pragma once
#include <afxwin.h>
#include <functional>
#include <vector>

// One thing the tour does once a dialog with the caption is the active window. Returns true when
// the dialog has been told to close (or when the step is done with it).
struct TourStep
{
    CString caption;                          // the window to wait for
    CString shotName;                         // screenshot file name without extension; empty: none
    std::function<void(HWND)> act;            // what the user does in it
    bool withOwner = false;                   // the shot covers the window it belongs to as well
};

class CTour
{
public:
    // folder: where screenshots go (created when missing); pMain: the window that gets the
    // menu commands.
    CTour(const char* folder, CWnd* pMain);

    // A menu command (0 for none), then the steps that follow it in the dialogs it opens.
    void Add(UINT command, std::vector<TourStep> steps);
    void Start();
    // Writes the window's screen area (with its frame) as PNG; true on success.
    static bool Screenshot(HWND hWnd, const char* path);
    // Writes that area of the screen as PNG.
    static bool Screenshot(const RECT& area, const char* path);
    int Failures() const { return m_failures; }

private:
    struct Item { UINT command; std::vector<TourStep> steps; };
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Tick();

    CString m_folder;
    CWnd* m_pMain;
    std::vector<Item> m_items;
    size_t m_item = 0, m_step = 0;
    bool m_commandSent = false;
    int m_stable = 0;            // ticks the awaited window has been up, so that it has painted
    DWORD m_deadline = 0;
    int m_failures = 0;
    UINT_PTR m_timer = 0;
    bool m_busy = false;
};
