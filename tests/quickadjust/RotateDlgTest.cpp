// The canvas rotation dialog driven as a user drives it.
#include "UiDriver.h"
#include "quickadjust/IM_IMAGE_ROTETA.h"
#include "kxcomdlgres.h"
#include <gtest/gtest.h>

namespace {

const char* const kCaption = "旋转画布";

// Types an angle, picks a direction and confirms; returns DoModal's result.
INT_PTR RunRotate(CIM_IMAGE_ROTETA& dlg, const char* angle, int direction)
{
    UiScript script;
    script.OnDialog(kCaption, [=](UiWindow w) {
        w.Type(IDC_ROTATE_ANGLE, angle);
        w.ClickNow(direction);
        w.Click(IDOK);
    });
    return script.Run([&] { return dlg.DoModal(); });
}

TEST(RotateDlg, SignedAngleFromDirection)
{
    struct Case { const char* typed; int direction; float expected; };
    const Case cases[] = {
        { "90", IDC_ROTATE_CLOCKWISE, 90.0f },
        { "90", IDC_ROTATE_ANTICLOCKWISE, -90.0f },
        { "-30", IDC_ROTATE_ANTICLOCKWISE, 30.0f },
        { "12.5", IDC_ROTATE_CLOCKWISE, 12.5f },
        { "0", IDC_ROTATE_ANTICLOCKWISE, 0.0f },
    };
    for (const Case& c : cases) {
        CIM_IMAGE_ROTETA dlg;
        EXPECT_EQ(IDOK, RunRotate(dlg, c.typed, c.direction)) << c.typed;
        EXPECT_FLOAT_EQ(c.expected, dlg.m_fAngle) << "typed " << c.typed << " direction " << c.direction;
    }
}

TEST(RotateDlg, TemplateAsTheUserSeesIt)
{
    CIM_IMAGE_ROTETA dlg;
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) {
        EXPECT_EQ(CString("0"), w.Text(IDC_ROTATE_ANGLE));
        EXPECT_TRUE(w.IsChecked(IDC_ROTATE_CLOCKWISE));
        EXPECT_FALSE(w.IsChecked(IDC_ROTATE_ANTICLOCKWISE));
        EXPECT_EQ(CString("度(顺时针)"), w.Text(IDC_ROTATE_CLOCKWISE));
        EXPECT_EQ(CString("度(逆时针)"), w.Text(IDC_ROTATE_ANTICLOCKWISE));
        EXPECT_EQ(CString("确定"), w.Text(IDOK));
        EXPECT_EQ(CString("取消"), w.Text(IDCANCEL));
        EXPECT_EQ(IDOK, w.DefaultButton());
        // 256 x 45 dialog units of the template's font.
        RECT r = { 0, 0, 256, 45 };
        ::MapDialogRect(w.Handle(), &r);
        RECT client;
        ::GetClientRect(w.Handle(), &client);
        EXPECT_EQ(r.right, client.right);
        EXPECT_EQ(r.bottom, client.bottom);
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
}

TEST(RotateDlg, TextThatIsNotANumberKeepsTheDialogOpen)
{
    CIM_IMAGE_ROTETA dlg;
    dlg.m_fAngle = 45.0f;
    CString message;
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) {
              w.Type(IDC_ROTATE_ANGLE, "abc");
              w.ClickNow(IDC_ROTATE_ANTICLOCKWISE);
              w.Click(IDOK);
          })
          .AnswerMessageBox(IDOK, &message)
          .OnDialog(kCaption, [](UiWindow w) {
              EXPECT_TRUE(w.HasFocus(IDC_ROTATE_ANGLE)) << "the refused edit gets the focus";
              EXPECT_EQ(CString("abc"), w.Text(IDC_ROTATE_ANGLE));
              w.Type(IDC_ROTATE_ANGLE, "15");
              w.Click(IDOK);
          });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(CString("请输入一个数字。"), message);
    EXPECT_FLOAT_EQ(-15.0f, dlg.m_fAngle) << "the refused attempt must not have flipped the stored angle";
}

TEST(RotateDlg, CancelKeepsTheAngleAndEscCancels)
{
    CIM_IMAGE_ROTETA dlg;
    dlg.m_fAngle = 33.0f;
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) {
        w.Type(IDC_ROTATE_ANGLE, "90");
        w.Key(VK_ESCAPE);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_FLOAT_EQ(33.0f, dlg.m_fAngle);
}

TEST(RotateDlg, EnterConfirmsThroughTheDefaultButton)
{
    CIM_IMAGE_ROTETA dlg;
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) {
        w.Type(IDC_ROTATE_ANGLE, "180");
        w.Key(VK_RETURN);
    });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_FLOAT_EQ(180.0f, dlg.m_fAngle);
}

TEST(RotateDlg, SecondRunShowsThePreviousResultWithClockwiseSelected)
{
    CIM_IMAGE_ROTETA dlg;
    ASSERT_EQ(IDOK, RunRotate(dlg, "90", IDC_ROTATE_ANTICLOCKWISE));
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) {
        EXPECT_EQ(CString("-90"), w.Text(IDC_ROTATE_ANGLE));
        EXPECT_TRUE(w.IsChecked(IDC_ROTATE_CLOCKWISE));
        EXPECT_FALSE(w.IsChecked(IDC_ROTATE_ANTICLOCKWISE));
        w.Click(IDOK);
    });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_FLOAT_EQ(-90.0f, dlg.m_fAngle) << "OK with clockwise keeps the shown value";
}

} // namespace
