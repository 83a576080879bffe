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

    auto* pFrame = new CMainFrame;
    m_pMainWnd = pFrame;
    if (!pFrame->Create(pictureFolder))
        return FALSE;
    pFrame->ShowWindow(SW_SHOWNORMAL);
    pFrame->UpdateWindow();
    if (!tourFolder.IsEmpty()) {
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
