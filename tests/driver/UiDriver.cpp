#include "UiDriver.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <dlgs.h>
#include <colordlg.h>
#include <string>
#include <algorithm>
#include <cstdio>

// ---------------------------------------------------------------------------------------------
// UiWindow

HWND UiWindow::Item(int id) const { return ::GetDlgItem(m_hWnd, id); }

namespace {
CString WindowText(HWND h)
{
    CString s;
    if (h) {
        const int n = ::GetWindowTextLengthA(h);
        ::GetWindowTextA(h, s.GetBufferSetLength(n + 1), n + 1);
        s.ReleaseBuffer();
    }
    return s;
}

// Tells the dialog about a user action on one of its controls, as the control itself would.
void NotifyParent(HWND hCtrl, WORD code)
{
    ::SendMessageA(::GetParent(hCtrl), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hCtrl), code), (LPARAM)hCtrl);
}

thread_local UiScript* t_running = nullptr;
} // namespace

CString UiWindow::Caption() const { return WindowText(m_hWnd); }
CString UiWindow::Text(int id) const { return WindowText(Item(id)); }
bool UiWindow::IsChecked(int id) const { return ::SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
bool UiWindow::IsEnabled(int id) const { return Item(id) && ::IsWindowEnabled(Item(id)); }
bool UiWindow::IsVisible(int id) const { return Item(id) && ::IsWindowVisible(Item(id)); }
bool UiWindow::HasFocus(int id) const
{
    HWND f = ::GetFocus();
    return f && (f == Item(id) || ::IsChild(Item(id), f));
}
int UiWindow::ComboSelection(int id) const { return (int)::SendMessageA(Item(id), CB_GETCURSEL, 0, 0); }
int UiWindow::ComboCount(int id) const { return (int)::SendMessageA(Item(id), CB_GETCOUNT, 0, 0); }

CString UiWindow::ComboItem(int id, int index) const
{
    CString s;
    const int n = (int)::SendMessageA(Item(id), CB_GETLBTEXTLEN, (WPARAM)index, 0);
    if (n >= 0) {
        ::SendMessageA(Item(id), CB_GETLBTEXT, (WPARAM)index, (LPARAM)s.GetBufferSetLength(n + 1));
        s.ReleaseBuffer();
    }
    return s;
}

std::vector<CString> UiWindow::ComboItems(int id) const
{
    std::vector<CString> items;
    for (int i = 0, n = ComboCount(id); i < n; ++i)
        items.push_back(ComboItem(id, i));
    return items;
}

CString UiWindow::ClassName(int id) const
{
    char name[256] = "";
    ::GetClassNameA(Item(id), name, sizeof name);
    return name;
}

int UiWindow::DefaultButton() const
{
    for (HWND h = ::GetWindow(m_hWnd, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
        if ((::GetWindowLongPtrA(h, GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON &&
            (::SendMessageA(h, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON))
            return ::GetDlgCtrlID(h);
    return 0;
}

void UiWindow::Click(int id) const { ::PostMessageA(Item(id), BM_CLICK, 0, 0); }
void UiWindow::ClickNow(int id) const { ::SendMessageA(Item(id), BM_CLICK, 0, 0); }

void UiWindow::Type(int id, const char* text) const
{
    HWND h = Item(id);
    ::SetFocus(h);
    ::SendMessageA(h, EM_SETSEL, 0, -1);
    ::SendMessageA(h, EM_REPLACESEL, TRUE, (LPARAM)text);
}

namespace {
// Works off what is queued, as the running loop would between two key presses of a user; the
// scripts' timers stay queued, so no step runs in the middle of another.
void WorkOffQueue()
{
    MSG msg;
    for (int guard = 0; guard < 10000; ++guard) {
        if (!::PeekMessageA(&msg, nullptr, 0, WM_TIMER - 1, PM_REMOVE) &&
            !::PeekMessageA(&msg, nullptr, WM_TIMER + 1, 0xFFFFFFFF, PM_REMOVE))
            return;
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage((int)msg.wParam);
            return;
        }
        if (!AfxPreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}
} // namespace

void UiWindow::TypeKeys(int id, const char* text, bool bReplace) const
{
    HWND h = Item(id);
    // A combo box with an edit field takes the typing in its edit.
    if (HWND edit = ::FindWindowExA(h, nullptr, "Edit", nullptr))
        h = edit;
    ::SetFocus(h);
    if (bReplace)
        ::SendMessageA(h, EM_SETSEL, 0, -1);
    WorkOffQueue();
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (::IsDBCSLeadByte(*p) && p[1]) {
            // A double-byte character goes to the window as one character, as an input method
            // gives it: Wine's edit control reads the two bytes of an ANSI WM_CHAR one by one.
            wchar_t wc = 0;
            ::MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(p), 2, &wc, 1);
            ::SendMessageW(h, WM_CHAR, wc, 1);
            ++p;
        } else {
            ::PostMessageA(h, WM_CHAR, *p, 1);
        }
        WorkOffQueue();
    }
}

void UiWindow::SelectCombo(int id, int index) const
{
    HWND h = Item(id);
    ::SendMessageA(h, CB_SETCURSEL, (WPARAM)index, 0);
    NotifyParent(h, CBN_SELCHANGE);
}

void UiWindow::SelectComboText(int id, const char* text) const
{
    HWND h = Item(id);
    const int index = (int)::SendMessageA(h, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text);
    ::SendMessageA(h, CB_SETCURSEL, (WPARAM)index, 0);
    NotifyParent(h, CBN_SELCHANGE);
}

void UiWindow::Focus(int id) const { ::SetFocus(Item(id)); }

void UiWindow::Key(UINT vk, bool extended) const
{
    HWND target = ::GetFocus();
    if (!target)
        target = m_hWnd;
    const UINT scan = ::MapVirtualKeyA(vk, 0);
    const LPARAM down = 1 | (scan << 16) | (extended ? (1 << 24) : 0);
    ::PostMessageA(target, WM_KEYDOWN, vk, down);
    ::PostMessageA(target, WM_KEYUP, vk, down | (1u << 30) | (1u << 31));
}

void UiWindow::Close() const { ::PostMessageA(m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0); }

void SetNumLock(bool on)
{
    BYTE keys[256];
    ::GetKeyboardState(keys);
    keys[VK_NUMLOCK] = (BYTE)(on ? 0x01 : 0x00);
    ::SetKeyboardState(keys);
}

namespace {
BOOL CALLBACK CollectWindow(HWND h, LPARAM lParam)
{
    auto* list = reinterpret_cast<std::vector<HWND>*>(lParam);
    if (::IsWindowVisible(h) && ::IsWindowEnabled(h) && !(::GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD))
        list->push_back(h);
    return TRUE;
}

std::vector<HWND> ThreadDialogs()
{
    std::vector<HWND> list;
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&list));
    return list;
}
} // namespace

HWND ActiveDialogWindow()
{
    HWND active = ::GetActiveWindow();
    if (active && ::IsWindowVisible(active) && ::IsWindowEnabled(active))
        return active;
    // Enumeration is in z-order, topmost first.
    std::vector<HWND> list = ThreadDialogs();
    return list.empty() ? nullptr : list.front();
}

// ---------------------------------------------------------------------------------------------
// UiMessageLog

namespace {
thread_local UiMessageLog* t_log = nullptr;

CString DescribeMessage(UINT message, WPARAM wParam, bool posted)
{
    CString s;
    if (message == WM_COMMAND)
        s.Format("WM_COMMAND id %d code 0x%04X", (int)LOWORD(wParam), (unsigned)HIWORD(wParam));
    else
        s.Format("message 0x%04X", message);
    if (posted)
        s += " (posted)";
    return s;
}

CString DescribeExpected(const UiExpected& e)
{
    CString s;
    if (e.message == WM_COMMAND)
        s.Format("WM_COMMAND id %d code 0x%04X", e.id, (unsigned)e.code);
    else
        s.Format("message 0x%04X", e.message);
    if (e.optional)
        s += " (optional)";
    return s;
}

bool Matches(const UiExpected& e, const UiMessage& m)
{
    if (e.message != m.message)
        return false;
    if (m.message == WM_COMMAND)
        return (e.id < 0 || e.id == LOWORD(m.wParam)) && (e.code < 0 || e.code == HIWORD(m.wParam));
    return true;
}
} // namespace

UiMessageLog::UiMessageLog(HWND hWnd, std::vector<UINT> messages)
    : m_hWnd(hWnd), m_filter(std::move(messages)), m_pOuter(t_log)
{
    t_log = this;
    m_hSent = ::SetWindowsHookExA(WH_CALLWNDPROC, &UiMessageLog::OnCallWndProc, nullptr, ::GetCurrentThreadId());
    m_hPosted = ::SetWindowsHookExA(WH_GETMESSAGE, &UiMessageLog::OnGetMessage, nullptr, ::GetCurrentThreadId());
}

UiMessageLog::~UiMessageLog()
{
    if (m_hSent)
        ::UnhookWindowsHookEx(m_hSent);
    if (m_hPosted)
        ::UnhookWindowsHookEx(m_hPosted);
    t_log = m_pOuter;
}

void UiMessageLog::Record(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, bool posted)
{
    if (hWnd != m_hWnd && !::IsChild(m_hWnd, hWnd))
        return;
    if (!m_filter.empty() && std::find(m_filter.begin(), m_filter.end(), message) == m_filter.end())
        return;
    m_messages.push_back({ hWnd, message, wParam, lParam, posted });
}

LRESULT CALLBACK UiMessageLog::OnCallWndProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && t_log) {
        const CWPSTRUCT* cwp = reinterpret_cast<const CWPSTRUCT*>(lParam);
        t_log->Record(cwp->hwnd, cwp->message, cwp->wParam, cwp->lParam, false);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK UiMessageLog::OnGetMessage(int code, WPARAM wParam, LPARAM lParam)
{
    // Only a message taken off the queue is delivered; a look with PM_NOREMOVE is not.
    if (code == HC_ACTION && wParam == PM_REMOVE && t_log) {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        t_log->Record(msg->hwnd, msg->message, msg->wParam, msg->lParam, true);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void ExpectSequence(const UiMessageLog& log, const std::vector<UiExpected>& expected, const char* context,
                    const char* file, int line)
{
    const std::vector<UiMessage>& got = log.Messages();
    size_t g = 0, e = 0;
    bool ok = true;
    while (e < expected.size()) {
        if (g < got.size() && Matches(expected[e], got[g])) {
            ++g, ++e;
        } else if (expected[e].optional) {
            ++e;
        } else {
            ok = false;
            break;
        }
    }
    if (ok && g == got.size())
        return;
    std::string dump = "message sequence differs";
    if (context && *context)
        dump += std::string(" (") + context + ")";
    dump += "\n   expected                                   got\n";
    for (size_t i = 0; i < std::max(expected.size(), got.size()); ++i) {
        char row[160];
        const CString left = i < expected.size() ? DescribeExpected(expected[i]) : CString();
        const CString right = i < got.size() ? DescribeMessage(got[i].message, got[i].wParam, got[i].posted) : CString();
        std::snprintf(row, sizeof row, "%c  %-42s %s\n", i == std::min(e, g) ? '>' : ' ', (const char*)left, (const char*)right);
        dump += row;
    }
    ::testing::internal::AssertHelper(::testing::TestPartResult::kNonFatalFailure, file, line, dump.c_str()) = ::testing::Message();
}

// ---------------------------------------------------------------------------------------------
// UiScript

UiScript& UiScript::Until(const char* what, Step step)
{
    m_steps.push_back({ what, std::move(step) });
    return *this;
}

UiScript& UiScript::OnDialog(const char* caption, std::function<void(UiWindow)> act)
{
    std::string want = caption ? caption : "";
    std::string what = "dialog \"" + want + "\"";
    return Until(what.c_str(), [want, act]() {
        HWND h = ActiveDialogWindow();
        if (!h)
            return false;
        if (!want.empty() && UiWindow(h).Caption() != want.c_str())
            return false;
        act(UiWindow(h));
        return true;
    });
}

UiScript& UiScript::AnswerMessageBox(int button, CString* text)
{
    return Until("message box", [button, text]() {
        HWND h = ActiveDialogWindow();
        // Message boxes hold their text in the static 0xFFFF.
        if (!h || !::GetDlgItem(h, 0xFFFF))
            return false;
        if (text)
            *text = UiWindow(h).Text(0xFFFF);
        HWND hButton = ::GetDlgItem(h, button);
        if (hButton)
            ::PostMessageA(hButton, BM_CLICK, 0, 0);
        else
            ::PostMessageA(h, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        return true;
    });
}

UiScript& UiScript::AnswerFileDialog(const char* caption, const char* path)
{
    const std::string want = caption, typed = path;
    return Until(("file dialog \"" + want + "\"").c_str(), [want, typed]() {
        UiWindow frame(ActiveDialogWindow());
        if (!frame || frame.Caption() != want.c_str())
            return false;
        // The explorer form's name box is an extended combo box around an edit.
        HWND box = frame.Item(cmb13);
        HWND edit = box ? (HWND)::SendMessageA(box, CBEM_GETEDITCONTROL, 0, 0) : frame.Item(edt1);
        if (!edit)
            return false;
        UiWindow(::GetParent(edit)).TypeKeys(::GetDlgCtrlID(edit), typed.c_str());
        frame.Click(IDOK);
        return true;
    });
}

UiScript& UiScript::AnswerColorDialog(int r, int g, int b, COLORREF* shownFirst)
{
    return Until("the colour dialog", [=] {
        UiWindow w(ActiveDialogWindow());
        if (!w || !w.Item(COLOR_RED) || !w.Item(COLOR_MIX))
            return false;
        if (shownFirst)
            *shownFirst = RGB(atoi(w.Text(COLOR_RED)), atoi(w.Text(COLOR_GREEN)), atoi(w.Text(COLOR_BLUE)));
        w.ClickNow(COLOR_MIX);
        w.TypeKeys(COLOR_RED, std::to_string(r).c_str());
        w.TypeKeys(COLOR_GREEN, std::to_string(g).c_str());
        w.TypeKeys(COLOR_BLUE, std::to_string(b).c_str());
        w.Click(IDOK);
        return true;
    });
}

UiScript& UiScript::WaitClosed(const char* caption)
{
    std::string want = caption;
    return Until(("closing of \"" + want + "\"").c_str(), [want]() {
        for (HWND h : ThreadDialogs())
            if (UiWindow(h).Caption() == want.c_str())
                return false;
        return true;
    });
}

void CALLBACK UiScript::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (t_running)
        t_running->Tick();
}

void UiScript::Tick()
{
    if (m_timedOut) {
        // Cancel whatever is still open so the modal call returns. A dialog of the framework is
        // ended directly: some (the automatic positioning crop) ignore the cancel
        // command by design.
        for (HWND h : ThreadDialogs()) {
            if (auto* pDlg = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(h)))
                pDlg->EndDialog(IDCANCEL);
            else
                ::PostMessageA(h, WM_COMMAND, IDCANCEL, 0);
        }
        return;
    }
    if (Done())
        return;
    if (::GetTickCount() > m_deadline) {
        m_timedOut = true;
        m_stuck = m_steps[m_next].what;
        return;
    }
    // The step is taken before it runs: a step may open a modal loop in which the next one runs.
    const size_t index = m_next;
    Entry& entry = m_steps[index];
    m_next = index + 1;
    bool done = false;
    try {
        done = entry.step();
    } catch (...) {
        done = true;
        ADD_FAILURE() << "step \"" << entry.what << "\" threw";
    }
    if (!done && m_next == index + 1)
        m_next = index;   // try again at the next tick
    else
        m_deadline = ::GetTickCount() + m_timeoutMs;
}

INT_PTR UiScript::Run(const std::function<INT_PTR()>& modal, DWORD timeoutMs)
{
    UiScript* outer = t_running;
    t_running = this;
    m_timeoutMs = timeoutMs;
    m_deadline = ::GetTickCount() + timeoutMs;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 15, &UiScript::OnTimer);
    INT_PTR result = 0;
    try {
        result = modal();
    } catch (...) {
        ::KillTimer(nullptr, timer);
        t_running = outer;
        throw;
    }
    ::KillTimer(nullptr, timer);
    t_running = outer;
    if (m_timedOut)
        ADD_FAILURE() << "UI script stuck at step " << (m_next + 1) << ": " << m_stuck;
    else if (!Done())
        ADD_FAILURE() << "UI script ended with step " << (m_next + 1) << " (" << m_steps[m_next].what
                      << ") not done";
    return result;
}
#include "TestFolder.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <shellapi.h>
#include <kxraii.h>

CString ExecutableFolder()
{
    const CString path = AfxGetModuleFileName(nullptr);
    return path.Left(path.ReverseFind('\\') + 1);
}

namespace {
void RemoveTree(const CString& path)
{
    WIN32_FIND_DATAA fd;
    kx::unique_hfind find(::FindFirstFileA(path + "\\*", &fd));
    if (find) {
        do {
            const CString name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            const CString child = path + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                ::SetFileAttributesA(child, FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(child);
            }
        } while (::FindNextFileA(find.get(), &fd));
    }
    ::SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryA(path);
}
} // namespace

TestFolder::TestFolder()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    CString name = info ? CString(info->test_suite_name()) + "." + info->name() : CString("test");
    name.Replace('/', '_');
    m_path = ExecutableFolder() + "work-" + name;
    RemoveTree(m_path);
    ::CreateDirectoryA(m_path, nullptr);
}

TestFolder::~TestFolder() { RemoveTree(m_path); }

void TestFolder::Write(const char* name, const std::string& bytes) const
{
    std::ofstream out(File(name).GetString(), std::ios::binary);
    out << bytes;
}

std::string TestFolder::Read(const char* name) const
{
    std::ifstream in(File(name).GetString(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
