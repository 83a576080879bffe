#include "DemoHost.h"
#include <KXDiskFile.h>
#include <commctrl.h>
#include <dlgs.h>
#include <algorithm>

const char* const kDemoMainCaption = "图像工坊";

namespace {
struct Registration { int order; std::function<void(CDemoBuilder&)> fn; };
std::vector<Registration>& Registrations()
{
    static std::vector<Registration> list;
    return list;
}
} // namespace

CDemoRegistration::CDemoRegistration(int nOrder, std::function<void(CDemoBuilder&)> registerFn)
{
    Registrations().push_back({ nOrder, std::move(registerFn) });
}

CDemoBuilder& CDemoBuilder::Get()
{
    static CDemoBuilder* built = [] {
        auto* builder = new CDemoBuilder;
        // Files register in the linker's order; the menu and the tour follow the subsystems'.
        std::vector<Registration> list = Registrations();
        std::stable_sort(list.begin(), list.end(), [](const Registration& a, const Registration& b) { return a.order < b.order; });
        for (const Registration& r : list)
            r.fn(*builder);
        return builder;
    }();
    return *built;
}

UINT CDemoBuilder::AddCommand(const char* pszPopup, const char* pszText, Handler handler)
{
    const UINT id = m_nextId++;
    m_entries.push_back({ pszPopup, pszText, id, std::move(handler) });
    return id;
}

void CDemoBuilder::AddSeparator(const char* pszPopup) { m_entries.push_back({ pszPopup, CString(), 0, nullptr }); }

void CDemoBuilder::AddTour(UINT nCommand, std::vector<TourStep> steps) { m_tour.push_back({ nCommand, std::move(steps) }); }

void CDemoBuilder::BuildMenu(HMENU hMenuBar) const
{
    std::vector<std::pair<CString, HMENU>> popups;
    for (const Entry& e : m_entries) {
        auto it = std::find_if(popups.begin(), popups.end(), [&](const auto& p) { return p.first == e.popup; });
        if (it == popups.end()) {
            popups.push_back({ e.popup, ::CreatePopupMenu() });
            it = popups.end() - 1;
        }
        if (e.id)
            ::AppendMenuA(it->second, MF_STRING, e.id, e.text);
        else
            ::AppendMenuA(it->second, MF_SEPARATOR, 0, nullptr);
    }
    // The menu bar owns the popups from here on.
    for (const auto& p : popups)
        ::AppendMenuA(hMenuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(p.second), p.first);
}

bool CDemoBuilder::RunCommand(UINT nID, CMainFrame& frame) const
{
    for (const Entry& e : m_entries)
        if (e.id && e.id == nID) {
            e.handler(frame);
            return true;
        }
    return false;
}

void CDemoBuilder::AddTourItems(CTour& tour) const
{
    for (const TourItem& item : m_tour)
        tour.Add(item.command, item.steps);
}

CString DemoExecutableFolder() { return GetExecutableFolder(); }

CString DemoFullPath(const CString& path)
{
    const DWORD n = ::GetFullPathNameA(path, 0, nullptr, nullptr);
    if (n == 0)
        return path;
    CString full;
    const DWORD got = ::GetFullPathNameA(path, n, full.GetBufferSetLength((int)n), nullptr);
    full.ReleaseBuffer(got < n ? (int)got : -1);
    return full;
}

CString DemoOutputFolder(const char* pszSub)
{
    CString folder = DemoFullPath(DemoExecutableFolder() + "..\\output");
    if (pszSub && *pszSub)
        folder += CString("\\") + pszSub;
    return folder;
}

CString DemoMakeOutputFolder(const char* pszSub)
{
    ::CreateDirectoryA(DemoOutputFolder(), nullptr);
    const CString folder = DemoOutputFolder(pszSub);
    ::CreateDirectoryA(folder, nullptr);
    return folder;
}

void PostClick(HWND hDlg, int id) { ::PostMessageA(::GetDlgItem(hDlg, id), BM_CLICK, 0, 0); }

void TypeText(HWND hDlg, int id, const char* text)
{
    HWND edit = ::GetDlgItem(hDlg, id);
    ::SetFocus(edit);
    ::SendMessageA(edit, EM_SETSEL, 0, -1);
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (::IsDBCSLeadByte(*p) && p[1]) {
            // A double-byte character arrives whole, as an input method gives it: Wine's edit
            // control reads the two bytes of an ANSI WM_CHAR one by one.
            wchar_t wc = 0;
            ::MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(p), 2, &wc, 1);
            ::SendMessageW(edit, WM_CHAR, wc, 1);
            ++p;
        } else {
            ::SendMessageA(edit, WM_CHAR, *p, 1);
        }
    }
}

void ChooseFile(HWND hFileDialog, const CString& path)
{
    // The explorer form's name box is an extended combo box around an edit.
    HWND box = ::GetDlgItem(hFileDialog, cmb13);
    HWND edit = box ? (HWND)::SendMessageA(box, CBEM_GETEDITCONTROL, 0, 0) : ::GetDlgItem(hFileDialog, edt1);
    if (edit)
        TypeText(::GetParent(edit), ::GetDlgCtrlID(edit), path);
    PostClick(hFileDialog, IDOK);
}
