// The UI driver: acts on the dialogs of this thread through real messages while a modal loop runs.
//
// How to use it:
//   1) build a script of steps: each step is tried from a timer inside whatever modal loop is
//      running (the dialog's, a message box's, a common dialog's) until it reports done;
//   2) run the modal call through UiScript::Run; it returns what the call returned;
//   3) a step not done within the time limit fails the test, and the driver cancels the open
//      dialogs so the test goes on instead of hanging.
//
//   UiScript script;
//   script.OnDialog("旋转画布", [](UiWindow dlg) { dlg.Type(10036, "90"); dlg.Click(IDOK); });
//   EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
#pragma once
#include <afxwin.h>
#include <functional>
#include <string>
#include <vector>

// A window seen as the user sees it: texts, states, and input sent as real messages.
class UiWindow
{
public:
    UiWindow(HWND hWnd = nullptr) : m_hWnd(hWnd) {}
    HWND Handle() const { return m_hWnd; }
    HWND Item(int id) const;
    explicit operator bool() const { return m_hWnd != nullptr; }

// What the user sees
    CString Caption() const;
    CString Text(int id) const;
    bool IsChecked(int id) const;
    bool IsEnabled(int id) const;
    bool IsVisible(int id) const;
    bool HasFocus(int id) const;
    int ComboSelection(int id) const;
    int ComboCount(int id) const;
    CString ComboItem(int id, int index) const;
    std::vector<CString> ComboItems(int id) const;
    CString ClassName(int id) const;
    int DefaultButton() const;   // id of the default push button, 0 when none

// What the user does
    void Click(int id) const;                         // posted: the click is processed by the loop
    void ClickNow(int id) const;                      // sent: returns after the handlers ran
    void Type(int id, const char* text) const;        // focus, then replace the text (EN_CHANGE follows)
    // Types as a user does: focus, the text selected, then one WM_CHAR a character through the
    // running loop (pre-translation included), the queue worked off after each, so every
    // intermediate text ("-", "-2", "-20") reaches the dialog and its posted messages run between
    // the keys. A double-byte character arrives whole, as from an input method. With bReplace
    // false the characters go where the caret is.
    void TypeKeys(int id, const char* text, bool bReplace = true) const;
    void SelectCombo(int id, int index) const;        // select and notify as a user's pick does
    void SelectComboText(int id, const char* text) const;
    void Focus(int id) const;
    // Posts a key press to the focused window, so it passes through the loop's pre-translation.
    void Key(UINT vk, bool extended = false) const;
    void Close() const;                               // the caption's close command

private:
    HWND m_hWnd;
};

// Sets the toggle state of Num Lock as the thread sees it (GetKeyState).
void SetNumLock(bool on);

// The dialog the user is working in: the enabled, visible top-level window of this thread that
// is active (or the last one found), or null.
HWND ActiveDialogWindow();

// ---------------------------------------------------------------------------------------------
// Message sequences, as Wine's tests check them.
//
//   UiMessageLog log(dlg.Handle(), { WM_COMMAND, WM_KX_SLIDER_CHANGED });
//   dlg.TypeKeys(IDC_EDIT, "-2");
//   EXPECT_SEQUENCE(log, { { WM_COMMAND, IDC_EDIT, EN_CHANGE }, { WM_KX_SLIDER_CHANGED },
//                          { WM_COMMAND, IDC_EDIT, EN_CHANGE }, { WM_KX_SLIDER_CHANGED } });

// One message as it reached a window: sent (through the window procedure) or posted (taken
// from the queue).
struct UiMessage
{
    HWND hWnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool posted;
};

// One message of an expected sequence. For WM_COMMAND, id and code are the control and the
// notification (LOWORD and HIWORD of wParam); -1 matches any. optional entries may be missing.
struct UiExpected
{
    UINT message;
    int id = -1;
    int code = -1;
    bool optional = false;
};

// Records, while it lives, the messages of this thread that reach the window or its children,
// keeping only the listed message numbers (all of them for an empty list).
class UiMessageLog
{
public:
    UiMessageLog(HWND hWnd, std::vector<UINT> messages = {});
    ~UiMessageLog();
    UiMessageLog(const UiMessageLog&) = delete;
    UiMessageLog& operator=(const UiMessageLog&) = delete;

    const std::vector<UiMessage>& Messages() const { return m_messages; }
    void Clear() { m_messages.clear(); }

private:
    static LRESULT CALLBACK OnCallWndProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK OnGetMessage(int code, WPARAM wParam, LPARAM lParam);
    void Record(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, bool posted);

    HWND m_hWnd;
    std::vector<UINT> m_filter;
    std::vector<UiMessage> m_messages;
    HHOOK m_hSent = nullptr;
    HHOOK m_hPosted = nullptr;
    UiMessageLog* m_pOuter = nullptr;
};

// Compares the log with the expected sequence; a mismatch fails the test with both sequences
// listed side by side and the caller's file and line.
void ExpectSequence(const UiMessageLog& log, const std::vector<UiExpected>& expected, const char* context,
                    const char* file, int line);
#define EXPECT_SEQUENCE(log, ...) ExpectSequence(log, __VA_ARGS__, "", __FILE__, __LINE__)
#define EXPECT_SEQUENCE_CONTEXT(log, expected, context) ExpectSequence(log, expected, context, __FILE__, __LINE__)

class UiScript
{
public:
    using Step = std::function<bool()>;

    // A step that runs until it returns true.
    UiScript& Until(const char* what, Step step);
    // Waits until the active dialog has this caption (any caption for null), then acts on it once.
    UiScript& OnDialog(const char* caption, std::function<void(UiWindow)> act);
    // Waits for a message box, records its text and presses the button.
    UiScript& AnswerMessageBox(int button, CString* text = nullptr);
    // Waits for the file dialog with this caption, types the path into its file name box key
    // by key, then presses its OK button ("打开" or "保存").
    UiScript& AnswerFileDialog(const char* caption, const char* path);
    // Waits for the system's colour dialog, keeps the colour it shows first (when asked), opens
    // its panel of red, green and blue boxes, types the colour into them, then presses OK.
    UiScript& AnswerColorDialog(int r, int g, int b, COLORREF* shownFirst = nullptr);
    // Waits until no dialog of this script's nesting level remains (the given caption has gone).
    UiScript& WaitClosed(const char* caption);

    // Runs the modal call with the script active; fails the test if steps were left. A step
    // that has waited timeoutMs since the last step was done counts as stuck; the default leaves
    // room for a machine whose cores are busy with builds and other test runs.
    INT_PTR Run(const std::function<INT_PTR()>& modal, DWORD timeoutMs = 30000);
    bool Done() const { return m_next >= m_steps.size(); }

private:
    struct Entry { std::string what; Step step; };
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Tick();

    std::vector<Entry> m_steps;
    size_t m_next = 0;
    DWORD m_deadline = 0;
    DWORD m_timeoutMs = 0;
    bool m_timedOut = false;
    std::string m_stuck;
};
