// The demo host: a small photo application over a folder of pictures, with a menu entry for every
// dialog of kxcomdlglib. With "--tour <folder>" it opens every dialog by itself, performs its main
// job and writes a screenshot of each into the folder.
#include "DemoHost.h"
#include <objbase.h>
#include <shellapi.h>
#include <cstdio>
#include <memory>

namespace {

class CDemoApp : public CWinApp
{
public:
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    std::unique_ptr<CTour> m_tour;
};

CDemoApp theApp;

BOOL CDemoApp::InitInstance()
{
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // The profile is an INI file beside the executable (the default name).
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    CString tourFolder, pictureFolder = DemoExecutableFolder() + "..\\samples";
    for (int i = 1; i < argc; ++i) {
        const CString arg = AfxFromWide(argv[i]);
        if (arg == "--tour" && i + 1 < argc)
            tourFolder = AfxFromWide(argv[++i]);
        else if (arg == "--folder" && i + 1 < argc)
            pictureFolder = AfxFromWide(argv[++i]);
    }
    ::LocalFree(argv);

    // The output settings offer the formats of the catalogue beside the executable; a first run
    // gets the sample one.
    const CString catalogue = DemoExecutableFolder() + "filpict.cfg";
    if (::GetFileAttributesA(catalogue) == INVALID_FILE_ATTRIBUTES)
        ::CopyFileA(DemoExecutableFolder() + "filpict.sample.cfg", catalogue, TRUE);

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
        CDemoBuilder::Get().AddTourItems(*m_tour);
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
