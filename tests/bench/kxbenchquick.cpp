// Times the quick adjustment dialogs as a user meets them: a slider step until the preview has
// been painted anew on a 6000 x 4000 host picture, and a slider step of the thumbnail form until
// a list of 200 selected thumbnails has been repainted. Prints one "key value" line a figure for
// tools/bench.sh.
//   kxbenchquick <sample picture> <work folder>
// The work folder receives the 200 pictures of the thumbnail list.
#include "BenchUtil.h"
#include <ThumbListCtrl.h>
#include <afxwin.h>
#include <kxcomdlgres.h>
#include <objbase.h>
#include <quickadjust/IM_ADJUST_CBAR.h>
#include <quickadjust/IM_ADJUST_GRAY.h>
#include <quickadjust/IM_ADJUST_IBAC.h>
#include <quickadjust/IM_ADJUST_IHUE.h>
#include <functional>
#include <stdio.h>

namespace {

class CBenchApp : public CWinApp
{
public:
    CBenchApp() : CWinApp("kxbenchquick") {}
};
CBenchApp theApp;

const int kSteps = 40;
const int kThumbnails = 200;

double g_openStart = 0;
std::function<void(HWND)> g_script;

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND hDlg = ::GetActiveWindow();
    if (!hDlg || !::IsWindowVisible(hDlg) || !::GetDlgItem(hDlg, IDC_QUICK_SLIDER1))
        return;
    ::KillTimer(nullptr, id);
    g_script(hDlg);
    ::PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
}

// Runs the dialog; act gets it once it is shown and idle. Prints how long opening took.
INT_PTR RunTimed(const char* key, CDialog& dlg, std::function<void(HWND)> act)
{
    g_script = [key, act](HWND hDlg) {
        printf("%s_open %.1f\n", key, Now() - g_openStart);
        act(hDlg);
    };
    ::SetTimer(nullptr, 0, 20, OnTimer);
    g_openStart = Now();
    return dlg.DoModal();
}

// The 200 pictures of the list: the sample in different sizes, as a folder of photographs has.
bool WritePictures(const CDib& sample, const CString& folder)
{
    ::CreateDirectoryA(folder, nullptr);
    for (int i = 0; i < kThumbnails; ++i) {
        CDib picture;
        picture.Resize(sample, 160 + i % 7 * 20, 120 + i % 5 * 16, 1);
        CString path;
        path.Format("%s\\photo %03d.bmp", (const char*)folder, i);
        if (picture.Save(path, KXFMT_BMP, 24) != 1) {
            fprintf(stderr, "cannot write %s\n", (const char*)path);
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: kxbenchquick <sample picture> <work folder>\n");
        return 2;
    }
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    AfxWinInit(::GetModuleHandleA(nullptr), nullptr, ::GetCommandLineA(), SW_SHOWNORMAL);
    theApp.SetProfileName(CString(argv[2]) + "\\kxbenchquick.ini");

    CDib photo;
    if (!MakePhoto(argv[1], photo))
        return 1;
    const CDib original = photo;
    bool ok = true;

    CIM_ADJUST_IBAC ibac;
    ibac.SetDib(&photo);
    ok &= RunTimed("ibac", ibac, [](HWND h) {
        ReportSteps("ibac_slider", SliderSteps(h, IDC_QUICK_SLIDER1, IDC_QUICK_PREVIEW, kSteps));
    }) == IDOK;

    CIM_ADJUST_IHUE ihue;
    ihue.SetDib(&photo);
    ok &= RunTimed("ihue", ihue, [](HWND h) {
        ::SendDlgItemMessageA(h, IDC_QUICK_SLIDER3, WM_KEYDOWN, VK_NEXT, 0);   // every operation active
        ReportSteps("ihue_slider", SliderSteps(h, IDC_QUICK_SLIDER1, IDC_QUICK_PREVIEW, kSteps));
    }) == IDOK;

    CIM_ADJUST_GRAY gray(&photo);
    gray.m_nAmount = 3000;
    ok &= RunTimed("gray", gray, [](HWND h) {
        ReportSteps("gray_slider", SliderSteps(h, IDC_GRAY_LEVEL, IDC_GRAY_PREVIEW, kSteps));
    }) == IDOK;
    // The dialogs only return amounts: the host's picture must be as it was.
    ok &= memcmp(original.GetBits(), photo.GetBits(), (size_t)photo.GetStride() * photo.GetHeight()) == 0;

    // The thumbnail form over a list of 200 selected thumbnails in a window of its own.
    const CString folder = CString(argv[2]) + "\\thumbs";
    CDib sample;
    sample.Resize(original, 600, 400, 2);
    if (!WritePictures(sample, folder))
        return 1;
    CWnd host;
    LPCSTR cls = AfxRegisterWndClass(0, ::LoadCursorA(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    host.CreateEx(0, cls, "thumbnails", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1200, 1000, nullptr, nullptr);
    CThumbListCtrl thumbs;
    CRect client;
    host.GetClientRect(&client);
    thumbs.Create(WS_VISIBLE, client, &host, 1);
    const double loadStart = Now();
    const int loaded = thumbs.LoadFolder(folder);
    printf("cbar_load_folder %.1f\n", Now() - loadStart);
    thumbs.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
    int selected = 0;
    for (int i = thumbs.GetSelectedItem(-1); i >= 0; i = thumbs.GetSelectedItem(i))
        ++selected;
    printf("cbar_thumbnails %d/%d\n", selected, loaded);
    ::UpdateWindow(thumbs.m_hWnd);

    CIM_ADJUST_CBAR cbar(&host);
    cbar.m_pThumbList = &thumbs;
    HWND list = thumbs.m_hWnd;
    ok &= RunTimed("cbar", cbar, [list](HWND h) {
        ReportSteps("cbar_slider", SliderSteps(h, IDC_QUICK_SLIDER1, list, kSteps));
    }) == IDOK;
    ok &= selected == kThumbnails;
    ::CoUninitialize();
    return ok ? 0 : 1;
}
