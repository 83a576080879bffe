// The keying dialog driven as a user drives it: pictures loaded through the file dialogs, the
// screen picked with a click into the view, radios, sliders and edits, the saves decoded back.
#include "KeyingTestUtil.h"
#include "keying/DlgPrimatte.h"
#include <commctrl.h>
#include <dlgs.h>
#include <LineTrackBar.h>

namespace {

using DlgPrimatteTest = KeyingTest;

const int kFineTuningIds[] = { IDC_PRIM_SPILL_EDIT, IDC_PRIM_TRANSPARENCY_EDIT, IDC_PRIM_DETAIL_EDIT,
                               IDC_PRIM_SPILL, IDC_PRIM_TRANSPARENCY, IDC_PRIM_DETAIL };
// A pixel of the disc's soft edge, where the screen's colour mixes with the subject's.
const int kEdgeX = 40 - 25, kEdgeY = 45;
const int kDefocusIds[] = { IDC_PRIM_OP_DEFOCUS, IDC_PRIM_DEFOCUS_EDIT, IDC_PRIM_SHRINK_EDIT, IDC_PRIM_DEFOCUS,
                            IDC_PRIM_SHRINK, IDC_PRIM_INWARD };

// "导入前景图", the picture chosen in the file dialog, then the screen picked at a corner.
UiScript& KeyPicture(UiScript& script, const CString& path)
{
    script.OnDialog(kKeyingCaption, [](UiWindow w) { w.Click(IDC_PRIM_FOREGROUND); })
          .AnswerFileDialog("请选择前景图", path)
          .OnDialog(kKeyingCaption, [](UiWindow w) { ClickPicture(w, 2, 2); });
    return script;
}

// Waits until the view has a composite, then acts.
UiScript& OnComposite(UiScript& script, std::function<void(UiWindow)> act)
{
    return script.Until("a composite in the view", [act] {
        UiWindow w(ActiveDialogWindow());
        CPrimatteViewWnd* view = w && w.Caption() == kKeyingCaption ? ViewOf(w) : nullptr;
        if (!view || !view->IsKeyed())
            return false;
        act(w);
        return true;
    });
}

// Picks a filter row of the save dialog as the user's pick in its type list does.
void PickType(UiWindow frame, int index)
{
    frame.SelectCombo(cmb1, index);
    ::SendMessageA(frame.Handle(), WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELENDOK), (LPARAM)frame.Item(cmb1));
}

TEST_F(DlgPrimatteTest, OpensWithTheGroupsDisabledAndOnlyItsButtonsEndIt)
{
    for (int button : { IDC_PRIM_CLOSE, IDC_PRIM_APPLY }) {
        CDlgPrimatte dlg;
        UiScript script;
        script.OnDialog(kKeyingCaption, [](UiWindow w) {
                  for (int id : kFineTuningIds)
                      EXPECT_FALSE(w.IsEnabled(id)) << id;
                  for (int id : { IDC_PRIM_SPILL_EDIT, IDC_PRIM_TRANSPARENCY_EDIT, IDC_PRIM_DETAIL_EDIT })
                      EXPECT_EQ(CString("0"), w.Text(id)) << id;
                  for (int id : kDefocusIds)
                      EXPECT_FALSE(w.IsVisible(id)) << id;
                  EXPECT_TRUE(w.IsChecked(IDC_PRIM_SHOW_COMPOSITE));
                  EXPECT_TRUE(w.IsChecked(IDC_PRIM_OP_FIRST));
                  EXPECT_TRUE(w.IsChecked(IDC_PRIM_DEFBG_COLOR));
                  EXPECT_EQ(0, ::GetWindowLongA(w.Handle(), GWL_STYLE) & WS_SYSMENU) << "no close box";
                  w.Key(VK_RETURN);
                  w.Key(VK_ESCAPE);
                  ::PostMessageA(w.Handle(), WM_COMMAND, IDCANCEL, 0);
                  ::PostMessageA(w.Handle(), WM_COMMAND, IDOK, 0);
              })
              .OnDialog(kKeyingCaption, [button](UiWindow w) { w.Click(button); });
        EXPECT_EQ(button == IDC_PRIM_APPLY ? IDOK : IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    }
}

TEST_F(DlgPrimatteTest, FineTuningGroupFollowsTheOperation)
{
    const CString picture = Picture("studio.png");
    CDlgPrimatte dlg;
    CDib keyed;
    UiScript script;
    KeyPicture(script, picture);
    OnComposite(script, [](UiWindow w) {
        EXPECT_TRUE(w.IsChecked(IDC_PRIM_OP_FIRST));
        w.Click(IDC_PRIM_OP_FINE_TUNING);
    });
    // With a key made, the view is ready for fine tuning at once (of every colour until the
    // user clicks some).
    script.Until("the fine-tuning group enabled", [&keyed] {
              UiWindow w(ActiveDialogWindow());
              if (!w.IsEnabled(IDC_PRIM_SPILL_EDIT))
                  return false;
              for (int id : kFineTuningIds)
                  EXPECT_TRUE(w.IsEnabled(id)) << id;
              keyed = *ViewOf(w)->GetComposite();
              w.TypeKeys(IDC_PRIM_TRANSPARENCY_EDIT, "25");
              return true;
          })
          .OnDialog(kKeyingCaption, [&keyed](UiWindow w) {
              EXPECT_EQ(25, Attached<CLineTrackBar>(w, IDC_PRIM_TRANSPARENCY)->GetPos());
              EXPECT_NE("", PixelDifference(keyed, *ViewOf(w)->GetComposite())) << "transparency 25 reached the key";
              w.Click(IDC_PRIM_OP_BG_NOISE);
          })
          .OnDialog(kKeyingCaption, [](UiWindow w) {
              for (int id : kFineTuningIds)
                  EXPECT_FALSE(w.IsEnabled(id)) << id;
              EXPECT_EQ(CString("0"), w.Text(IDC_PRIM_TRANSPARENCY_EDIT));
              EXPECT_EQ(0, Attached<CLineTrackBar>(w, IDC_PRIM_TRANSPARENCY)->GetPos());
              EXPECT_TRUE(w.IsChecked(IDC_PRIM_OP_BG_NOISE));
              w.Click(IDC_PRIM_CLOSE);
          });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
}

// The last triple handed to a view belongs to the class: a later dialog moving its slider to
// the same values hands nothing to its own view.
TEST_F(DlgPrimatteTest, LastAppliedTripleOutlivesTheDialog)
{
    const CString picture = Picture("studio.png");
    auto run = [&](std::function<void(UiWindow, const CDib&)> check) {
        CDlgPrimatte dlg;
        UiScript script;
        KeyPicture(script, picture);
        OnComposite(script, [](UiWindow w) { w.Click(IDC_PRIM_OP_FINE_TUNING); });
        script.Until("fine tuning ready", [check] {
            UiWindow w(ActiveDialogWindow());
            if (!w.IsEnabled(IDC_PRIM_SPILL_EDIT))
                return false;
            const CDib before = *ViewOf(w)->GetComposite();
            // One key: every text typed is applied, so "30" would pass through 3 first.
            w.TypeKeys(IDC_PRIM_TRANSPARENCY_EDIT, "9");
            check(w, before);
            w.Click(IDC_PRIM_CLOSE);
            return true;
        });
        script.Run([&] { return dlg.DoModal(); });
    };
    run([](UiWindow, const CDib&) {});
    run([](UiWindow w, const CDib& before) {
        EXPECT_EQ("", PixelDifference(before, *ViewOf(w)->GetComposite())) << "9 was applied by the earlier run";
        w.TypeKeys(IDC_PRIM_TRANSPARENCY_EDIT, "8");
        EXPECT_NE("", PixelDifference(before, *ViewOf(w)->GetComposite())) << "8 is new";
    });
}

TEST_F(DlgPrimatteTest, UndoThenRedoGivesBackTheSameComposite)
{
    const CString picture = Picture("studio.png");
    CDlgPrimatte dlg;
    CDib picked, cleaned;
    UiScript script;
    KeyPicture(script, picture);
    OnComposite(script, [&picked](UiWindow w) {
        picked = *ViewOf(w)->GetComposite();
        w.Click(IDC_PRIM_OP_BG_NOISE);
    });
    script.OnDialog(kKeyingCaption, [](UiWindow w) { ClickPicture(w, kEdgeX, kEdgeY); })
          .Until("the click keyed", [&] {
              UiWindow w(ActiveDialogWindow());
              if (PixelDifference(picked, *ViewOf(w)->GetComposite()).empty())
                  return false;
              cleaned = *ViewOf(w)->GetComposite();
              w.Click(IDC_PRIM_UNDO);
              return true;
          })
          .OnDialog(kKeyingCaption, [&](UiWindow w) {
              EXPECT_EQ("", PixelDifference(picked, *ViewOf(w)->GetComposite())) << "undo";
              w.Click(IDC_PRIM_REDO);
          })
          .OnDialog(kKeyingCaption, [&](UiWindow w) {
              EXPECT_EQ("", PixelDifference(cleaned, *ViewOf(w)->GetComposite())) << "redo";
              w.Click(IDC_PRIM_CLOSE);
          });
    script.Run([&] { return dlg.DoModal(); });
}

// A click the engine cannot get the memory for changes nothing: the user is told in a message
// box and by the status, the dialog stays open, and the same click with memory keys as it should.
TEST_F(DlgPrimatteTest, AClickWithoutMemoryIsToldAndChangesNothing)
{
    const CString picture = Picture("studio.png");
    CDlgPrimatte dlg;
    CDib picked;
    CString message;
    UiScript script;
    KeyPicture(script, picture);
    OnComposite(script, [&picked](UiWindow w) {
        picked = *ViewOf(w)->GetComposite();
        w.Click(IDC_PRIM_OP_BG_NOISE);
    });
    script.OnDialog(kKeyingCaption, [](UiWindow w) {
              CKeyEngine::SetMemoryFailureHook([] { return true; });
              ClickPicture(w, kEdgeX, kEdgeY);
          })
          .AnswerMessageBox(IDOK, &message)
          .OnDialog(kKeyingCaption, [&picked](UiWindow w) {
              CKeyEngine::SetMemoryFailureHook(nullptr);
              CPrimatteViewWnd* view = ViewOf(w);
              EXPECT_EQ(1, view->GetHistoryCount()) << "the pick alone";
              EXPECT_EQ(CString("内存不足"), view->GetMsg());
              EXPECT_EQ("", PixelDifference(picked, *view->GetComposite())) << "the key as it was";
              ClickPicture(w, kEdgeX, kEdgeY);
          })
          .Until("the click keyed", [&picked] {
              UiWindow w(ActiveDialogWindow());
              if (ViewOf(w)->GetHistoryCount() != 2)
                  return false;
              EXPECT_NE("", PixelDifference(picked, *ViewOf(w)->GetComposite()));
              EXPECT_NE(CString("内存不足"), ViewOf(w)->GetMsg());
              w.Click(IDC_PRIM_CLOSE);
              return true;
          });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    CKeyEngine::SetMemoryFailureHook(nullptr);
    EXPECT_EQ(CString("内存不足"), message);
}

TEST_F(DlgPrimatteTest, CompositeAndMaskAreSavedAndDecodeBack)
{
    const CString picture = Picture("studio.png");
    const CString composite = m_folder.File("composite.bmp"), mask = m_folder.File("mask.tif");
    CDlgPrimatte dlg;
    CDib shownComposite, shownMask;
    UiScript script;
    KeyPicture(script, picture);
    OnComposite(script, [&](UiWindow w) {
        shownComposite = *ViewOf(w)->GetComposite();
        shownMask = *ViewOf(w)->GetMask();
        w.Click(IDC_PRIM_SAVE_COMPOSITE);
    });
    script.OnDialog("保存合成图", [](UiWindow frame) { PickType(frame, 4); })   // BMP 24
          .AnswerFileDialog("保存合成图", composite)
          .OnDialog(kKeyingCaption, [](UiWindow w) { w.Click(IDC_PRIM_SAVE_MASK); })
          .OnDialog("保存蒙板图", [](UiWindow frame) { PickType(frame, 2); })   // TIFF 24
          .AnswerFileDialog("保存蒙板图", mask)
          .OnDialog(kKeyingCaption, [](UiWindow w) { w.Click(IDC_PRIM_CLOSE); });
    script.Run([&] { return dlg.DoModal(); });
    CDib saved;
    ASSERT_EQ(1, saved.Load(composite));
    EXPECT_EQ("", PixelDifference(shownComposite, saved)) << "composite";
    ASSERT_EQ(1, saved.Load(mask));
    EXPECT_EQ("", PixelDifference(shownMask, saved)) << "mask";
}

TEST_F(DlgPrimatteTest, FailedSaveNamesTheFile)
{
    const CString picture = Picture("studio.png");
    const CString target = m_folder.File("busy.bmp");
    m_folder.Write("busy.bmp", "held by another program");
    // Held open without sharing, as a viewer holding the file would.
    HANDLE busy = ::CreateFileA(target, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, busy);
    CDlgPrimatte dlg;
    CString message;
    UiScript script;
    KeyPicture(script, picture);
    OnComposite(script, [](UiWindow w) { w.Click(IDC_PRIM_SAVE_COMPOSITE); });
    script.OnDialog("保存合成图", [](UiWindow frame) { PickType(frame, 4); })
          .AnswerFileDialog("保存合成图", target)
          .AnswerMessageBox(IDYES)   // replace the file
          .AnswerMessageBox(IDOK, &message)
          .OnDialog(kKeyingCaption, [](UiWindow w) { w.Click(IDC_PRIM_CLOSE); });
    script.Run([&] { return dlg.DoModal(); });
    ::CloseHandle(busy);
    EXPECT_NE(-1, message.Find(target)) << (const char*)message;
}

TEST_F(DlgPrimatteTest, ForegroundThatDoesNotOpenLeavesNoStaleComposite)
{
    const CString picture = Picture("studio.png");
    m_folder.Write("broken.jpg", "not a picture");
    CDlgPrimatte dlg;
    UiScript script;
    KeyPicture(script, picture);
    OnComposite(script, [](UiWindow w) { w.Click(IDC_PRIM_FOREGROUND); });
    script.AnswerFileDialog("请选择前景图", m_folder.File("broken.jpg"))
          .OnDialog(kKeyingCaption, [](UiWindow w) {
              EXPECT_EQ(CString("图像无法打开"), w.Text(IDC_PRIM_STATUS));
              EXPECT_FALSE(ViewOf(w)->GetComposite()->IsValid()) << "the earlier picture's composite is gone";
              w.Click(IDC_PRIM_SHOW_COMPOSITE);
          })
          .OnDialog(kKeyingCaption, [](UiWindow w) {
              EXPECT_EQ(CString("图像无法打开"), w.Text(IDC_PRIM_STATUS));
              w.Click(IDC_PRIM_CLOSE);
          });
    script.Run([&] { return dlg.DoModal(); });
}

TEST_F(DlgPrimatteTest, DefaultBackgroundIsKeptUnderPrimatteWnd)
{
    m_folder.Write("broken.png", "not a picture");
    const CString backdrop = m_folder.File("broken.png");
    {
        CDlgPrimatte dlg;
        UiScript script;
        script.OnDialog(kKeyingCaption, [](UiWindow w) { w.Click(IDC_PRIM_CHOOSE_COLOR); })
              .AnswerColorDialog(10, 20, 30)
              .OnDialog(kKeyingCaption, [](UiWindow w) {
                  EXPECT_TRUE(w.IsChecked(IDC_PRIM_DEFBG_COLOR));
                  w.Click(IDC_PRIM_CHOOSE_PICTURE);
              })
              .AnswerFileDialog("请选择缺省背景图片", backdrop)
              .OnDialog(kKeyingCaption, [&backdrop](UiWindow w) {
                  EXPECT_TRUE(w.IsChecked(IDC_PRIM_DEFBG_PICTURE));
                  EXPECT_EQ(backdrop, w.Text(IDC_PRIM_DEFBG_PATH));
                  w.Click(IDC_PRIM_BACKGROUND);
              })
              .AnswerFileDialog("请选择背景图", Picture("back.png", 2))
              .OnDialog(kKeyingCaption, [](UiWindow w) {
                  EXPECT_TRUE(w.IsChecked(IDC_PRIM_DEFBG_NONE)) << "a background picture replaces the default";
                  EXPECT_TRUE(w.IsChecked(IDC_PRIM_SHOW_BACKGROUND));
                  w.Click(IDC_PRIM_CLOSE);
              });
        script.Run([&] { return dlg.DoModal(); });
    }
    EXPECT_EQ(CString("1971210"), ProfileString("PrimatteWnd", "defclr"));   // RGB(10, 20, 30)
    EXPECT_EQ(backdrop, ProfileString("PrimatteWnd", "bgimgfile"));
    // The next dialog starts from what was stored; the mode is not stored.
    CDlgPrimatte dlg;
    UiScript script;
    script.OnDialog(kKeyingCaption, [&backdrop](UiWindow w) {
        EXPECT_EQ(backdrop, w.Text(IDC_PRIM_DEFBG_PATH));
        EXPECT_TRUE(w.IsChecked(IDC_PRIM_DEFBG_COLOR));
        w.Click(IDC_PRIM_CLOSE);
    });
    script.Run([&] { return dlg.DoModal(); });
}

} // namespace
