// The demo host: a small photo application over a folder of pictures, with a menu entry for every
// dialog of kxcomdlglib. With "--tour <folder>" it opens every dialog by itself, performs its main
// job and writes a screenshot of each into the folder.
#include "MainFrame.h"
#include "Tour.h"
#include "resource.h"
#include <objbase.h>
#include <shellapi.h>
#include <cstdio>
#include <memory>

namespace {

CString ExecutableFolder()
{
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    CString s(path);
    return s.Left(s.ReverseFind('\\') + 1);
}

class CDemoApp : public CWinApp
{
public:
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    std::unique_ptr<CTour> m_tour;
};

CDemoApp theApp;

CString FullPath(const CString& path)
{
    char full[MAX_PATH] = "";
    ::GetFullPathNameA(path, MAX_PATH, full, nullptr);
    return full;
}

void PostClick(HWND hDlg, int id) { ::PostMessageA(::GetDlgItem(hDlg, id), BM_CLICK, 0, 0); }

// The tour: every dialog the host knows, in menu order, each with what a user does in it.
void AddTourSteps(CTour& tour)
{
    tour.Add(0, { { "图像工坊", "host-main-window", nullptr } });
    tour.Add(ID_DLG_ROTATE, {
        { "旋转画布", "10007-rotate", [](HWND h) {
              ::SetDlgItemTextA(h, 10036, "90");
              ::PostMessageA(::GetDlgItem(h, IDOK), BM_CLICK, 0, 0);
          } },
    });
    tour.Add(0, { { "图像工坊", "host-after-rotation", nullptr } });
    // Output settings: a folder that does not exist yet is created on the user's Yes, then the
    // host writes the picture there.
    const CString output = FullPath(ExecutableFolder() + "..\\output") + "\\";
    tour.Add(ID_DLG_OUTFILE, {
        { "输出文件设置", "10011-output-settings", [output](HWND h) {
              ::SetDlgItemTextA(h, 1031, "tour-output");
              ::SetDlgItemTextA(h, 1027, output);
              PostClick(h, IDOK);
          } },
        { theApp.m_pszAppName, "20105-create-folder", [](HWND h) { PostClick(h, IDYES); } },
    });
    tour.Add(0, { { "图像工坊", "host-after-output", nullptr } });
    const CString samples = FullPath(ExecutableFolder() + "..\\samples");
    tour.Add(ID_DLG_FILELOC, {
        { "设置图像文件路径", "10000-file-location", [samples](HWND h) {
              ::SetDlgItemTextA(h, 11013, samples);
              PostClick(h, IDOK);
          } },
    });
    tour.Add(ID_FILE_OPENFOLDER, { { "", "shell-folder-browser", [](HWND h) { PostClick(h, IDCANCEL); } } });
    auto click = [](int id) { return [id](HWND h) { ::PostMessageA(::GetDlgItem(h, id), BM_CLICK, 0, 0); }; };
    tour.Add(ID_DLG_ADJUST, {
        { "图像调整", "", [](HWND h) {
              ::SetDlgItemTextA(h, 27616, "15");    // brightness
              ::SetDlgItemTextA(h, 27084, "40");    // saturation
              ::SetDlgItemTextA(h, 27609, "20");    // red balance
          } },
        { "图像调整", "10017-adjust", click(16) },
        { "保存方案...", "10025-adjust-name", click(IDCANCEL) },
        { "图像调整", "", click(10044) },
        { "副键盘调整", "10020-adjust-keypad", [](HWND h) { ::PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0); } },
        { "图像调整", "", click(27073) },
        { "选择标准图", "imgfiledialog-open", [](HWND h) { ::PostMessageA(h, WM_COMMAND, IDCANCEL, 0); } },
        { "图像调整", "", click(IDOK) },
    });
    tour.Add(0, { { "图像工坊", "host-after-adjust", nullptr } });
    tour.Add(ID_DLG_ADJUST_LARGE, {
        { "图像调整", "", [](HWND h) { ::SetDlgItemTextA(h, 27618, "30"); } },
        { "图像调整", "10023-adjust-large", click(IDCANCEL) },
    });
}

BOOL CDemoApp::InitInstance()
{
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // The profile is an INI file beside the executable (the default name).
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    CString tourFolder, pictureFolder = ExecutableFolder() + "..\\samples";
    for (int i = 1; i < argc; ++i) {
        char arg[MAX_PATH * 2] = "";
        ::WideCharToMultiByte(CP_ACP, 0, argv[i], -1, arg, sizeof arg, nullptr, nullptr);
        if (CString(arg) == "--tour" && i + 1 < argc) {
            ::WideCharToMultiByte(CP_ACP, 0, argv[++i], -1, arg, sizeof arg, nullptr, nullptr);
            tourFolder = arg;
        } else if (CString(arg) == "--folder" && i + 1 < argc) {
            ::WideCharToMultiByte(CP_ACP, 0, argv[++i], -1, arg, sizeof arg, nullptr, nullptr);
            pictureFolder = arg;
        }
    }
    ::LocalFree(argv);

    // The output settings offer the formats of the catalogue beside the executable; a first run
    // gets the sample one.
    const CString catalogue = ExecutableFolder() + "filpict.cfg";
    if (::GetFileAttributesA(catalogue) == INVALID_FILE_ATTRIBUTES)
        ::CopyFileA(ExecutableFolder() + "filpict.sample.cfg", catalogue, TRUE);

    auto* pFrame = new CMainFrame;
    m_pMainWnd = pFrame;
    if (!pFrame->Create(pictureFolder))
        return FALSE;
    pFrame->ShowWindow(SW_SHOWNORMAL);
    pFrame->UpdateWindow();
    if (!tourFolder.IsEmpty()) {
        // The tour starts from an empty profile of its own, so every run shows the same dialogs.
        const CString profile = tourFolder + "\\kxdemo-tour.ini";
        ::DeleteFileA(profile);
        SetProfileName(profile);
        m_tour = std::make_unique<CTour>(tourFolder, pFrame);
        AddTourSteps(*m_tour);
        m_tour->Start();
    }
    return TRUE;
}

int CDemoApp::ExitInstance()
{
    delete m_pMainWnd;
    m_pMainWnd = nullptr;
    const int failures = m_tour ? m_tour->Failures() : 0;
    if (m_tour)
        std::printf("tour finished: %d problem(s)\n", failures);
    ::CoUninitialize();
    return failures ? 1 : 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrev, LPSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrev, lpCmdLine, nCmdShow);
}
