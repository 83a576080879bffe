// The main of every test executable: an application object of the executable (so the framework
// has a host application with a profile), the common controls, then GoogleTest.
#include <afxwin.h>
#include <gtest/gtest.h>
#include <objbase.h>

namespace {
class CTestApp : public CWinApp
{
public:
    CTestApp() : CWinApp("kxtests") {}
};
CTestApp theApp;
} // namespace

int main(int argc, char** argv)
{
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    AfxWinInit(::GetModuleHandleA(nullptr), nullptr, ::GetCommandLineA(), SW_SHOWNORMAL);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    ::CoUninitialize();
    return result;
}
