// The profile-name dialog and the keypad legend.
#include "AdjustTestUtil.h"
#include "adjust/DlgAdjustHelp.h"
#include "adjust/DlgAdjustName.h"
#include "kxcomdlgres.h"
#include <map>

namespace {

using NameDlgTest = AdjustTest;

CString RunName(const char* preset, std::function<void(UiWindow)> act, INT_PTR expectedResult = IDOK)
{
    CDlgAdjustName dlg;
    dlg.m_strName = preset;
    UiScript script;
    script.OnDialog(kNameCaption, act);
    EXPECT_EQ(expectedResult, script.Run([&] { return dlg.DoModal(); }));
    return dlg.m_strName;
}

TEST_F(NameDlgTest, PresetSelectsTheFirstProfileBeginningWithIt)
{
    CAdjustValues v;
    CAdjustProfileStore store(m_cfg);
    store.Save("x", v);
    store.Save("abc", v);
    EXPECT_EQ(CString("abc"), RunName("ab", [](UiWindow w) {
        ASSERT_EQ(2, w.ComboCount(IDC_ADJ_NAME));
        EXPECT_EQ(CString("abc"), w.ComboItem(IDC_ADJ_NAME, 0)) << "the list is sorted";
        EXPECT_EQ(CString("abc"), w.Text(IDC_ADJ_NAME));
        EXPECT_EQ(CString("方案名称: (不能包含“/ : * ? \" < > |”字符)"), w.Text(IDC_STATIC) );
        w.Click(IDOK);
    }));
    EXPECT_EQ(CString(""), RunName("", [](UiWindow w) {
        EXPECT_EQ(-1, w.ComboSelection(IDC_ADJ_NAME));
        EXPECT_EQ(CString(""), w.Text(IDC_ADJ_NAME));
        w.Click(IDOK);
    }));
}

TEST_F(NameDlgTest, TypedNamesComeBackAsTypedAndCancelKeepsThePreset)
{
    // No profile file at all.
    EXPECT_EQ(CString("a/b*c"), RunName("", [](UiWindow w) {
        EXPECT_EQ(0, w.ComboCount(IDC_ADJ_NAME));
        TypeCombo(w, IDC_ADJ_NAME, "a/b*c");
        w.Key(VK_RETURN);
    }));
    EXPECT_EQ(CString("keep"), RunName("keep", [](UiWindow w) {
        EXPECT_EQ(CString("keep"), w.Text(IDC_ADJ_NAME)) << "a preset no profile begins with stays shown";
        TypeCombo(w, IDC_ADJ_NAME, "other");
        w.Key(VK_ESCAPE);
    }, IDCANCEL));
}

// A name that adjust.cfg cannot hold as a section is refused with a message, and the dialog
// stays open on it; a store asked to save one writes nothing.
TEST_F(NameDlgTest, NamesTheProfileFileCannotHoldAreRefused)
{
    for (const char* bad : { " lead", "trail ", "  " }) {
        CDlgAdjustName dlg;
        CString message;
        UiScript script;
        script.OnDialog(kNameCaption, [bad](UiWindow w) {
                  w.TypeKeys(IDC_ADJ_NAME, bad);
                  w.Click(IDOK);
              })
              .AnswerMessageBox(IDOK, &message)
              .OnDialog(kNameCaption, [](UiWindow w) {
                  EXPECT_TRUE(w.HasFocus(IDC_ADJ_NAME));
                  w.TypeKeys(IDC_ADJ_NAME, "暖色 2");
                  w.Click(IDOK);
              });
        EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); })) << bad;
        EXPECT_EQ(CString("方案名称不能以空格开头或结尾。"), message) << bad;
        EXPECT_EQ(CString("暖色 2"), dlg.m_strName) << bad;
        EXPECT_FALSE(CAdjustProfileStore(m_cfg).Save(bad, CAdjustValues())) << bad;
    }
    CStringArray names;
    CAdjustProfileStore(m_cfg).GetNames(names);
    EXPECT_EQ(0, names.GetSize());
}

TEST(HelpDlg, KeypadLegendLaidOutAsAKeypad)
{
    CDlgAdjustHelp dlg;
    UiScript script;
    script.OnDialog("副键盘调整", [](UiWindow w) {
        std::map<std::string, RECT> cells;   // text -> rectangle in dialog units
        RECT unit = { 0, 0, 4, 8 };
        ::MapDialogRect(w.Handle(), &unit);
        for (HWND h = ::GetWindow(w.Handle(), GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
            char text[64] = "";
            ::GetWindowTextA(h, text, sizeof text);
            RECT r;
            ::GetWindowRect(h, &r);
            ::MapWindowPoints(nullptr, w.Handle(), (POINT*)&r, 2);
            cells[text] = { MulDiv(r.left, 4, unit.right), MulDiv(r.top, 8, unit.bottom),
                            MulDiv(r.right, 4, unit.right), MulDiv(r.bottom, 8, unit.bottom) };
        }
        auto size = [&](const char* t) { const RECT& r = cells[t]; return std::make_pair((int)(r.right - r.left), (int)(r.bottom - r.top)); };
        for (const char* t : { "红", "绿", "蓝", "+ 2", "+ 3", "+ 4", "- 1", "0", "+ 1", "- 2", "- 3", "- 4", "饱和度" }) {
            ASSERT_TRUE(cells.count(t)) << t;
            EXPECT_EQ(std::make_pair(44, 44), size(t)) << t;
        }
        EXPECT_EQ(std::make_pair(44, 88), size("反差"));
        EXPECT_EQ(std::make_pair(44, 88), size("Enter"));
        EXPECT_EQ(std::make_pair(88, 44), size("+/- 5"));
        EXPECT_EQ(cells["+ 2"].left, cells["- 1"].left) << "7 above 4";
        EXPECT_EQ(cells["+ 4"].right, cells["反差"].left) << "+ beside 9";
        EXPECT_EQ(cells["- 4"].bottom, cells["饱和度"].top) << ". under 3";
        EXPECT_EQ(cells["蓝"].bottom, cells["反差"].top);
        EXPECT_TRUE(cells.count("\r\n\r\n开启/关闭\r\n(亮度)") || cells.count("\n\n开启/关闭\n(亮度)"));
        w.Key(VK_ESCAPE);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
}

} // namespace
