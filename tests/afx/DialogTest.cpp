// The framework's dialogs as the library's dialogs rely on them: the modal loop, data exchange
// with its messages, the message map, resources from the chain.
#include "UiDriver.h"
#include "resource.h"
#include <afxcmn.h>
#include <gtest/gtest.h>
#include <vector>

namespace {

class CFieldsDlg : public CDialog
{
public:
    CFieldsDlg(CWnd* pParent = nullptr) : CDialog(IDD_FIELDS, pParent) {}
    int m_int = 7;
    UINT m_uint = 8;
    double m_double = 2.5;
    CString m_text = "文字";
    int m_ranged = 5;
    int m_check = 1;
    int m_radio = 1;
    int m_combo = 1;
    int m_keyDowns = 0;         // WM_KEYDOWN messages seen by PreTranslateMessage
    int m_textChanges = 0;      // EN_CHANGE of the text edit
    std::vector<CString> m_textSeen;   // the text edit's text at each change
    INT_PTR m_nestedResult = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_INT, m_int);
        DDX_Text(pDX, IDC_UINT, m_uint);
        DDX_Text(pDX, IDC_DOUBLE, m_double);
        DDX_Text(pDX, IDC_TEXT, m_text);
        DDX_Text(pDX, IDC_RANGED, m_ranged);
        DDV_MinMaxInt(pDX, m_ranged, 1, 10);
        DDX_Check(pDX, IDC_CHECK, m_check);
        DDX_Radio(pDX, IDC_RADIO1, m_radio);
        DDX_CBIndex(pDX, IDC_COMBO, m_combo);
    }
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message == WM_KEYDOWN)
            ++m_keyDowns;
        return CDialog::PreTranslateMessage(pMsg);
    }
    void OnChangeText()
    {
        ++m_textChanges;
        CString text;
        GetDlgItemText(IDC_TEXT, text);
        m_textSeen.push_back(text);
    }
    void OnNested()
    {
        CFieldsDlg inner(this);
        UiScript script;
        script.OnDialog("字段", [this](UiWindow w) {
            // The outer dialog is disabled while the inner one runs.
            EXPECT_FALSE(::IsWindowEnabled(m_hWnd));
            w.Click(IDCANCEL);
        });
        m_nestedResult = script.Run([&] { return inner.DoModal(); });
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CFieldsDlg, CDialog)
    ON_EN_CHANGE(IDC_TEXT, OnChangeText)
    ON_BN_CLICKED(IDC_NESTED, OnNested)
END_MESSAGE_MAP()

TEST(Dialog, FieldsReachControlsAndComeBack)
{
    CFieldsDlg dlg;
    UiScript script;
    script.OnDialog("字段", [](UiWindow w) {
        EXPECT_EQ(CString("7"), w.Text(IDC_INT));
        EXPECT_EQ(CString("8"), w.Text(IDC_UINT));
        EXPECT_EQ(CString("2.5"), w.Text(IDC_DOUBLE));
        EXPECT_EQ(CString("文字"), w.Text(IDC_TEXT));
        EXPECT_TRUE(w.IsChecked(IDC_CHECK));
        EXPECT_FALSE(w.IsChecked(IDC_RADIO1));
        EXPECT_TRUE(w.IsChecked(IDC_RADIO2));
        // The list came from the template's initial data.
        ASSERT_EQ(2, w.ComboCount(IDC_COMBO));
        EXPECT_EQ(CString("红"), w.ComboItem(IDC_COMBO, 0));
        EXPECT_EQ(1, w.ComboSelection(IDC_COMBO));
        w.Type(IDC_INT, " -42 ");
        w.Type(IDC_UINT, "4000000000");
        w.Type(IDC_DOUBLE, "1e-3");
        w.Type(IDC_TEXT, "新的");
        w.ClickNow(IDC_CHECK);
        w.ClickNow(IDC_RADIO3);
        w.SelectCombo(IDC_COMBO, 0);
        w.Click(IDOK);
    });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(-42, dlg.m_int);
    EXPECT_EQ(4000000000u, dlg.m_uint);
    EXPECT_DOUBLE_EQ(0.001, dlg.m_double);
    EXPECT_EQ(CString("新的"), dlg.m_text);
    EXPECT_EQ(0, dlg.m_check);
    EXPECT_EQ(2, dlg.m_radio);
    EXPECT_EQ(0, dlg.m_combo);
    EXPECT_GE(dlg.m_textChanges, 1) << "ON_EN_CHANGE reached the handler";
}

TEST(Dialog, RefusedValuesTellTheUserAndKeepTheDialogOpen)
{
    struct Case { int id; const char* typed; const char* message; };
    const Case cases[] = {
        { IDC_INT, "12abc", "请输入一个整数。" },
        { IDC_INT, "99999999999", "请输入一个整数。" },
        { IDC_UINT, "-1", "请输入一个正整数。" },
        { IDC_DOUBLE, "1,5", "请输入一个数字。" },
        { IDC_RANGED, "11", "请输入一个 1 到 10 之间的整数。" },
    };
    for (const Case& c : cases) {
        CFieldsDlg dlg;
        CString message;
        UiScript script;
        script.OnDialog("字段", [&](UiWindow w) {
                  w.Type(c.id, c.typed);
                  w.Click(IDOK);
              })
              .AnswerMessageBox(IDOK, &message)
              .OnDialog("字段", [&](UiWindow w) {
                  EXPECT_TRUE(w.HasFocus(c.id)) << c.typed;
                  w.Click(IDCANCEL);
              });
        EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); })) << c.typed;
        EXPECT_EQ(CString(c.message), message) << c.typed;
        EXPECT_EQ(7, dlg.m_int) << "cancel leaves the fields as they were";
    }
}

// A dialog that takes the refusals itself: it notes them and lets the exchange go on.
class CLenientFieldsDlg : public CFieldsDlg
{
public:
    struct Refusal { int id; UINT prompt; CString text; };
    std::vector<Refusal> m_refusals;

protected:
    void OnDataExchangeError(CDataExchange* pDX, UINT nIDPrompt) override
    {
        m_refusals.push_back({ pDX->GetLastControlID(), nIDPrompt, CString() });
    }
    void OnDataValidateError(CDataExchange* pDX, const CString& strPrompt, UINT nIDPrompt) override
    {
        m_refusals.push_back({ pDX->GetLastControlID(), nIDPrompt, strPrompt });
    }
};

TEST(Dialog, RefusalsGoThroughOverridablePointsThatMayLetTheExchangeGoOn)
{
    CLenientFieldsDlg dlg;
    UiScript script;
    script.OnDialog("字段", [](UiWindow w) {
        w.Type(IDC_INT, "-");
        w.Type(IDC_DOUBLE, "");
        w.Type(IDC_TEXT, "后面的");
        w.Type(IDC_RANGED, "11");
        w.Click(IDOK);
    });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); })) << "no message box, the dialog closes";
    ASSERT_EQ(3u, dlg.m_refusals.size());
    EXPECT_EQ(IDC_INT, dlg.m_refusals[0].id);
    EXPECT_EQ((UINT)AFX_IDP_PARSE_INT, dlg.m_refusals[0].prompt);
    EXPECT_EQ(IDC_DOUBLE, dlg.m_refusals[1].id);
    EXPECT_EQ((UINT)AFX_IDP_PARSE_REAL, dlg.m_refusals[1].prompt);
    EXPECT_EQ(IDC_RANGED, dlg.m_refusals[2].id);
    EXPECT_EQ((UINT)AFX_IDP_PARSE_INT_RANGE, dlg.m_refusals[2].prompt);
    EXPECT_EQ(CString("请输入一个 1 到 10 之间的整数。"), dlg.m_refusals[2].text);
    EXPECT_EQ(7, dlg.m_int) << "an unreadable text leaves the field";
    EXPECT_DOUBLE_EQ(2.5, dlg.m_double);
    EXPECT_EQ(CString("后面的"), dlg.m_text) << "fields after a refusal are still read";
    EXPECT_EQ(11, dlg.m_ranged);
}

TEST(Dialog, KeysTypedOneByOneShowEveryIntermediateText)
{
    CFieldsDlg dlg;
    UiScript script;
    script.OnDialog("字段", [&](UiWindow w) {
        w.Focus(IDC_TEXT);
        UiMessageLog log(w.Handle(), { WM_COMMAND });
        dlg.m_textSeen.clear();
        w.TypeKeys(IDC_TEXT, "-2");
        EXPECT_SEQUENCE(log, { { WM_COMMAND, IDC_TEXT, EN_UPDATE }, { WM_COMMAND, IDC_TEXT, EN_CHANGE },
                               { WM_COMMAND, IDC_TEXT, EN_UPDATE }, { WM_COMMAND, IDC_TEXT, EN_CHANGE } });
        w.TypeKeys(IDC_TEXT, "0", false);
        EXPECT_EQ(CString("-20"), w.Text(IDC_TEXT));
        w.Click(IDOK);
    });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    const std::vector<CString> seen = { "-", "-2", "-20" };
    EXPECT_EQ(seen, dlg.m_textSeen);
    EXPECT_EQ(CString("-20"), dlg.m_text);
}

TEST(Dialog, KeysPassThroughPreTranslateMessageAndEscCancels)
{
    CFieldsDlg dlg;
    UiScript script;
    script.OnDialog("字段", [](UiWindow w) {
        w.Focus(IDC_TEXT);
        w.Key('A');
        w.Key(VK_ESCAPE);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(2, dlg.m_keyDowns);
}

TEST(Dialog, OwnerIsDisabledWhileModalAndNestingWorks)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, "主窗口", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 300, 200), nullptr, 0));
    CFieldsDlg dlg(&owner);
    UiScript script;
    script.OnDialog("字段", [&](UiWindow w) {
              EXPECT_FALSE(owner.IsWindowEnabled());
              w.Click(IDC_NESTED);
          })
          .Until("nested dialog closed", [&] { return dlg.m_nestedResult != 0; })
          .OnDialog("字段", [](UiWindow w) { w.Click(IDOK); });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(IDCANCEL, dlg.m_nestedResult);
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    owner.DestroyWindow();
}

TEST(Dialog, MissingTemplateFailsWithoutAWindow)
{
    CDialog dlg(UINT(4242));
    EXPECT_EQ(-1, dlg.DoModal());
    EXPECT_EQ(nullptr, dlg.m_hWnd);
}

// A spin button loses its buddy when given none: the null object is a request, not a crash.
TEST(Controls, SpinButtonTakesANullBuddy)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "主窗口", WS_OVERLAPPEDWINDOW, CRect(0, 0, 300, 200), nullptr, 0));
    CWnd edit;
    ASSERT_TRUE(edit.CreateEx(0, "Edit", "", WS_CHILD | WS_VISIBLE, CRect(10, 10, 80, 30), &parent, 100));
    CSpinButtonCtrl spin;
    ASSERT_TRUE(spin.CreateEx(0, UPDOWN_CLASSA, "", WS_CHILD | WS_VISIBLE, CRect(80, 10, 100, 30), &parent, 101));
    spin.SetBuddy(&edit);
    ASSERT_EQ(edit.m_hWnd, CWnd::GetSafeHwnd(spin.GetBuddy()));
    EXPECT_EQ(edit.m_hWnd, CWnd::GetSafeHwnd(spin.SetBuddy(nullptr))) << "the previous buddy comes back";
    EXPECT_EQ(nullptr, CWnd::GetSafeHwnd(spin.GetBuddy()));
    EXPECT_EQ(nullptr, CWnd::GetSafeHwnd(nullptr));
    parent.DestroyWindow();
}

// A list item's text comes back whole, however long: a file name of a deep folder is longer
// than any fixed buffer a caller would guess.
TEST(Controls, ListItemTextsComeBackWhole)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "主窗口", WS_OVERLAPPEDWINDOW, CRect(0, 0, 300, 200), nullptr, 0));
    CListCtrl list;
    ASSERT_TRUE(list.CreateEx(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 280, 180), &parent, 102));
    LVCOLUMNA column{};
    list.SendMessage(LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
    CString longText;
    for (int i = 0; i < 200; ++i)
        longText += "图片12345";      // 1400 bytes
    for (const CString& text : { CString("短"), longText, CString(longText.Left(MAX_PATH - 1)) }) {
        ASSERT_EQ(0, list.InsertItem(0, text, 0));
        EXPECT_EQ(text.GetLength(), list.GetItemText(0, 0).GetLength());
        EXPECT_EQ(text, list.GetItemText(0, 0));
        list.DeleteAllItems();
    }
    parent.DestroyWindow();
}

TEST(Strings, LoadedFromTheCurrentHandleThenTheChain)
{
    CString s;
    EXPECT_TRUE(s.LoadString(IDS_GREETING));
    EXPECT_EQ(CString("你好，%1 和 %2"), s);
    CString formatted;
    AfxFormatString2(formatted, IDS_GREETING, "甲", "乙");
    EXPECT_EQ(CString("你好，甲 和 乙"), formatted);
    // The framework's own texts are found when no other module has them.
    EXPECT_TRUE(s.LoadString(AFX_IDP_PARSE_INT));
    EXPECT_EQ(CString("请输入一个整数。"), s);
    EXPECT_FALSE(s.LoadString(31999));
    EXPECT_TRUE(s.IsEmpty());
}

TEST(Strings, CStringOperations)
{
    CString s("  图像 Adjust  ");
    s.TrimLeft();
    s.TrimRight();
    EXPECT_EQ(CString("图像 Adjust"), s);
    EXPECT_EQ(0, s.CompareNoCase("图像 ADJUST"));
    EXPECT_EQ(CString("Adjust"), s.Mid(s.Find(' ') + 1));
    EXPECT_EQ(CString(""), s.Mid(100));
    EXPECT_EQ(CString(""), s.Left(-3));
    CString f;
    f.Format("%s%s%s", "C:\\out\\", "Img0001", ".jpg");
    EXPECT_EQ(CString("C:\\out\\Img0001.jpg"), f);
    CString big;
    big.Format("%0300d", 1);
    EXPECT_EQ(300, big.GetLength()) << "Format has no fixed buffer";
}

} // namespace
