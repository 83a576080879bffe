// How the library's subsystems join the demo host. Each subsystem has one file of its own,
// host/Demo<Subsystem>.cpp, that registers its menu entries (with what the host does with the
// dialog's outcome) and the tour steps that open and drive them; nothing else needs editing.
//
//   namespace {
//   void RunRotate(CMainFrame& frame) { CIM_IMAGE_ROTETA dlg(&frame); ... }
//
//   const CDemoRegistration registration(kDemoOrderQuickAdjust, [](CDemoBuilder& demo) {
//       const UINT id = demo.AddCommand("快速调整(&Q)", "旋转画布", RunRotate);
//       demo.AddTour(id, { { "旋转画布", "10007-rotate", [](HWND h) { TypeText(h, IDC_ROTATE_ANGLE, "90"); ... } } });
//       demo.AddTour(0, { { kDemoMainCaption, "host-after-rotation", nullptr } });
//   });
//   } // namespace
//
// Menus are made in registration order: a popup by its title the first time it is named, its
// entries in the order added. The tour walks the registrations in the same order.
#pragma once
#include "MainFrame.h"
#include "Tour.h"
#include <functional>
#include <vector>

// The order of the subsystems in the menu bar and the tour (the library's subsystem numbers).
enum
{
    kDemoOrderHost = 0,
    kDemoOrderAdjust = 20,
    kDemoOrderBatch = 30,
    kDemoOrderKeying = 40,
    kDemoOrderSlice = 50,
    kDemoOrderOutFile = 60,
    kDemoOrderQuickAdjust = 70,
    kDemoOrderCommon = 80,
    kDemoOrderProducts = 90,
};

// The caption of the host's main window, the one a tour step waits for between dialogs.
extern const char* const kDemoMainCaption;

class CDemoBuilder
{
public:
    using Handler = std::function<void(CMainFrame&)>;

    // A menu entry under the popup of that title; returns its command id (for the tour).
    UINT AddCommand(const char* pszPopup, const char* pszText, Handler handler);
    // A separator after the entries the popup has so far.
    void AddSeparator(const char* pszPopup);
    // A tour item: the command to send (0 for none), then the steps in the windows it opens.
    void AddTour(UINT nCommand, std::vector<TourStep> steps);

    // Everything registered, built once on first use.
    static CDemoBuilder& Get();
    // Appends the popups to the menu bar.
    void BuildMenu(HMENU hMenuBar) const;
    // Runs the command's handler; false when the id is not one of the registered commands.
    bool RunCommand(UINT nID, CMainFrame& frame) const;
    void AddTourItems(CTour& tour) const;

private:
    struct Entry { CString popup; CString text; UINT id; Handler handler; };
    struct TourItem { UINT command; std::vector<TourStep> steps; };
    std::vector<Entry> m_entries;
    std::vector<TourItem> m_tour;
    UINT m_nextId = 40100;
};

// A subsystem's registration, made by a namespace-scope object of its file.
class CDemoRegistration
{
public:
    CDemoRegistration(int nOrder, std::function<void(CDemoBuilder&)> registerFn);
};

// ---- what the tour steps of every subsystem use -------------------------------------------------
// The folder of the host's executable, with its trailing "\".
CString DemoExecutableFolder();
// A path made absolute ("..\output" against the current folder).
CString DemoFullPath(const CString& path);
// Where the demo writes what it makes: the folder "output" beside the executable's folder, or
// the named folder inside it, absolute and without a trailing "\". The entry script empties it
// before every tour; nothing here creates it.
CString DemoOutputFolder(const char* pszSub = nullptr);
// The same, created with the output folder above it when missing.
CString DemoMakeOutputFolder(const char* pszSub = nullptr);
// The first child window of the dialog that is one of ours of class T (a view the dialog made
// itself, without a control id of its own to find it by); null when there is none.
template <class T>
T* DemoChildOf(HWND hDlg)
{
    for (HWND h = ::GetWindow(hDlg, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
        if (auto* child = dynamic_cast<T*>(CWnd::FromHandlePermanent(h)))
            return child;
    return nullptr;
}
// Posts a click on a dialog's button.
void PostClick(HWND hDlg, int id);
// Types the text into an edit of the dialog as a user does, one character after another, over
// what it held.
void TypeText(HWND hDlg, int id, const char* text);
// In an open or save dialog: the path typed into its file name box, then its OK button.
void ChooseFile(HWND hFileDialog, const CString& path);
