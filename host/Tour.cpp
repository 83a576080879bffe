#include "Tour.h"
#include "Dib.h"
#include <kxraii.h>
#include <cstdio>

namespace {
CTour* g_pTour = nullptr;
const UINT kTickMs = 50;
const int kPaintedTicks = 6;          // about 300 ms up before the screenshot
const DWORD kStepTimeoutMs = 20000;

HWND ActiveTopWindow()
{
    HWND h = ::GetActiveWindow();
    return h && ::IsWindowVisible(h) && ::IsWindowEnabled(h) ? h : nullptr;
}

CString Caption(HWND h)
{
    CString text;
    CWnd::FromHandle(h)->GetWindowText(text);
    return text;
}

// Ends a window the tour no longer waits for. A dialog of the framework is ended directly: the
// batch dialogs take the cancel command for a reset and stay open by design.
void EndLeftOver(HWND h)
{
    if (auto* pDlg = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(h)))
        pDlg->EndDialog(IDCANCEL);
    else
        ::PostMessageA(h, WM_COMMAND, IDCANCEL, 0);
}
} // namespace

CTour::CTour(const char* folder, CWnd* pMain) : m_folder(folder), m_pMain(pMain)
{
    if (!m_folder.IsEmpty() && m_folder[m_folder.GetLength() - 1] != '\\')
        m_folder += '\\';
    ::CreateDirectoryA(m_folder, nullptr);
}

void CTour::Add(UINT command, std::vector<TourStep> steps) { m_items.push_back({ command, std::move(steps) }); }

void CTour::Start()
{
    g_pTour = this;
    m_deadline = ::GetTickCount() + kStepTimeoutMs;
    m_timer = ::SetTimer(nullptr, 0, kTickMs, &CTour::OnTimer);
}

void CALLBACK CTour::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_pTour)
        g_pTour->Tick();
}

void CTour::Tick()
{
    // A step's action may open a nested modal loop that keeps ticking: do not re-enter it.
    if (m_busy)
        return;
    if (m_item >= m_items.size()) {
        ::KillTimer(nullptr, m_timer);
        g_pTour = nullptr;
        m_pMain->PostMessage(WM_CLOSE);
        return;
    }
    Item& item = m_items[m_item];
    if (!m_commandSent) {
        // Only from the main window's own loop: the previous dialogs have all closed. One that
        // stays open past the step time is ended, so that the tour goes on.
        HWND h = ActiveTopWindow();
        if (h != m_pMain->m_hWnd) {
            if (h && ::GetTickCount() > m_deadline) {
                std::fprintf(stderr, "tour: \"%s\" stayed open\n", (const char*)Caption(h));
                ++m_failures;
                EndLeftOver(h);
                m_deadline = ::GetTickCount() + kStepTimeoutMs;
            }
            return;
        }
        m_commandSent = true;
        m_step = 0;
        m_deadline = ::GetTickCount() + kStepTimeoutMs;
        if (item.command)
            m_pMain->PostMessage(WM_COMMAND, item.command);
        return;
    }
    if (m_step >= item.steps.size()) {
        ++m_item;
        m_commandSent = false;
        m_deadline = ::GetTickCount() + kStepTimeoutMs;
        return;
    }
    if (::GetTickCount() > m_deadline) {
        std::fprintf(stderr, "tour: \"%s\" did not appear\n", (const char*)item.steps[m_step].caption);
        ++m_failures;
        if (HWND h = ActiveTopWindow())
            if (h != m_pMain->m_hWnd)
                EndLeftOver(h);
        ++m_item;
        m_commandSent = false;
        m_deadline = ::GetTickCount() + kStepTimeoutMs;
        return;
    }
    const TourStep& step = item.steps[m_step];
    HWND h = ActiveTopWindow();
    // An empty caption waits for any window other than the main one (a system dialog).
    const bool match = h && (step.caption.IsEmpty() ? h != m_pMain->m_hWnd : Caption(h) == step.caption);
    if (!match) {
        m_stable = 0;
        return;
    }
    if (++m_stable < kPaintedTicks)
        return;
    m_stable = 0;
    if (!step.shotName.IsEmpty()) {
        const CString path = m_folder + step.shotName + ".png";
        RECT area;
        ::GetWindowRect(h, &area);
        if (HWND owner = step.withOwner ? ::GetWindow(h, GW_OWNER) : nullptr) {
            RECT ownerArea;
            ::GetWindowRect(owner, &ownerArea);
            ::UnionRect(&area, &area, &ownerArea);
        }
        if (!Screenshot(area, path)) {
            std::fprintf(stderr, "tour: could not write %s\n", (const char*)path);
            ++m_failures;
        }
    }
    ++m_step;
    m_deadline = ::GetTickCount() + kStepTimeoutMs;
    m_busy = true;
    if (step.act)
        step.act(h);
    m_busy = false;
}

bool CTour::Screenshot(HWND hWnd, const char* path)
{
    RECT r;
    ::GetWindowRect(hWnd, &r);
    return Screenshot(r, path);
}

bool CTour::Screenshot(const RECT& r, const char* path)
{
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return false;
    // Read from the screen, as the user sees it: frame, caption and anything dropped down on top.
    CDib shot;
    if (!shot.Create(w, h, 24))
        return false;
    kx::unique_hdc_window screen;
    kx::unique_hdc mem(::CreateCompatibleDC(screen.get()));
    kx::unique_hbitmap bmp(::CreateCompatibleBitmap(screen.get(), w, h));
    if (!mem || !bmp)
        return false;
    {
        kx::select_object selected(mem.get(), bmp.get());
        ::BitBlt(mem.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
    }
    BITMAPINFO bi = kx::top_down_info(w, h, 24);
    const int lines = ::GetDIBits(mem.get(), bmp.get(), 0, (UINT)h, shot.GetBits(), &bi, DIB_RGB_COLORS);
    return lines == h && shot.Save(path, KXFMT_PNG, 24) == 1;
}
