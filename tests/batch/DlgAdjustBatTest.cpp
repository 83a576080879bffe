// The batch adjustment dialog driven as a user drives it, on folders of photographs: pictures
// adjusted, cropped and saved one after another under numbered names, every saved file decoded
// and compared with the adjustment sequence applied to the source picture directly.
#include "BatchTestUtil.h"
#include "DialogTestUtil.h"
#include "adjust/DlgAdjust.h"
#include "adjust/DlgAdjustBat.h"
#include "kxcomdlgres.h"
#include <Dib.h>
#include <IM_WINDOW.h>
#include <LineTrackBar.h>
#include <kxcbaseres.h>
#include <kxraii.h>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char kCaption[] = "图像调整";
const char kCropOptions[] = "剪裁设置";

// The dialog as the host runs it, with the views a user looks at.
class CTestAdjustBat : public CDlgAdjustBat
{
public:
    using CDlgAdjustBat::CDlgAdjustBat;
    CSliceDlgWnd& View() { return m_wndSlice; }
    CIM_WINDOW& Before() { return m_wndBefore; }
};

// A part of a sample photograph, so every folder holds real pictures with every kind of detail.
CDib PhotoPart(const char* sample, int x, int y, int width, int height)
{
    CDib photo, part;
    EXPECT_EQ(1, photo.Load(ExecutableFolder() + "..\\samples\\" + sample)) << sample;
    part.Create(width, height, 24);
    for (int row = 0; row < height; ++row)
        memcpy(part.GetLine(row), photo.GetLine(y + row) + 3 * x, 3 * width);
    return part;
}

CDib Loaded(const CString& path)
{
    CDib dib;
    EXPECT_EQ(1, dib.Load(path)) << (const char*)path;
    return dib;
}

// The sequence the values stand for, applied as a host would apply it.
CDib Adjusted(CDib picture, CAdjustValues values)
{
    values.Apply(picture);
    return picture;
}

// The region of the picture, as a picture of its own.
CDib Region(const CDib& picture, const CRect& rc)
{
    CDib part;
    part.Create(rc.Width(), rc.Height(), 24);
    for (int row = 0; row < rc.Height(); ++row)
        memcpy(part.GetLine(row), picture.GetLine(rc.top + row) + 3 * rc.left, 3 * rc.Width());
    return part;
}

// The values the tests type: warmer, brighter, more colourful, sharper.
CAdjustValues TypedValues()
{
    CAdjustValues values;
    values.m_nRed = 30;
    values.m_nBright = 12;
    values.m_nSaturation = 25;
    values.m_nSharp = 30;
    return values;
}

void TypeValues(UiWindow w)
{
    w.TypeKeys(IDC_ADJ_RED_EDIT, "30");
    w.TypeKeys(IDC_ADJ_BRIGHT_EDIT, "12");
    w.TypeKeys(IDC_ADJ_SATU_EDIT, "25");
    w.TypeKeys(IDC_ADJ_SHARP, "30");
}

// The output as the user sets it: folder, name, type "bmp [24-bit]", which keeps pixels exact.
void TypeOutput(UiWindow w, const CString& folder, const char* name, int type = 1)
{
    w.TypeKeys(IDC_BATCH_FOLDER, folder);
    w.TypeKeys(IDC_BATCH_NAME, name);
    w.SelectCombo(IDC_BATCH_TYPE, type);
}

// Waits until the dialog shows the picture (its path above the before view) and the queue has
// been worked off (the preview of it computed), then acts.
UiScript& OnPicture(UiScript& script, const CString& path, std::function<void(UiWindow)> act)
{
    return script.Until(("the picture " + std::string((const char*)path)).c_str(), [path, act] {
        UiWindow w(ActiveDialogWindow());
        if (!w || ::GetDlgItem(w.Handle(), IDC_ADJBAT_CROP) == nullptr || w.Text(IDC_BATCH_SOURCE_PATH) != path)
            return false;
        MSG pending;
        if (::PeekMessageA(&pending, w.Handle(), WM_KX_SLIDER_CHANGED, WM_KX_SLIDER_CHANGED, PM_NOREMOVE))
            return false;
        act(w);
        return true;
    });
}

// The crop options as the user sets them: kind, width and height, OK.
UiScript& AnswerCropOptions(UiScript& script, int kindId, const char* width, const char* height)
{
    return script.OnDialog(kCropOptions, [=](UiWindow w) {
        w.ClickNow(kindId);
        w.TypeKeys(IDC_KX_CROP_WIDTH, width);
        w.TypeKeys(IDC_KX_CROP_HEIGHT, height);
        w.Click(IDOK);
    });
}

// A clipped picture of the given size lies centred (to a pixel or two) on the source: its region.
CRect CentredRegion(const CDib& source, const CDib& expectedOf, int width, int height,
                    const std::function<CDib(const CDib&)>& finish)
{
    const int x0 = (source.GetWidth() - width) / 2, y0 = (source.GetHeight() - height) / 2;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            const CRect rc(x0 + dx, y0 + dy, x0 + dx + width, y0 + dy + height);
            if (rc.left < 0 || rc.top < 0 || rc.right > source.GetWidth() || rc.bottom > source.GetHeight())
                continue;
            if (PixelDifference(finish(Region(source, rc)), expectedOf).empty())
                return rc;
        }
    return CRect();
}

class DlgAdjustBatTest : public BatchTest
{
protected:
    void SetUp() override
    {
        BatchTest::SetUp();
        m_cfg = CAdjustProfileStore::DefaultPath();
        ::DeleteFileA(m_cfg);
        SetNumLock(false);
        m_out = m_folder.File("out");
        ::CreateDirectoryA(m_out, nullptr);
    }
    void TearDown() override { ::DeleteFileA(m_cfg); }

    // Three photographs and a note, in the order the walk takes them.
    void MakeFolder()
    {
        Save("p1.jpg", PhotoPart("chelsea.png", 100, 40, 240, 160));
        Save("p2.jpg", PhotoPart("coffee.png", 150, 80, 240, 160));
        Save("p3.jpg", PhotoPart("astronaut.png", 120, 60, 240, 160));
        m_folder.Write("p4 notes.txt", "not a picture");
    }
    void Save(const char* name, const CDib& picture, int format = KXFMT_JPEG)
    {
        ASSERT_EQ(1, const_cast<CDib&>(picture).Save(m_folder.File(name), format, 24, 17)) << name;
    }
    CString Out(const char* name) const { return m_out + "\\" + name; }
    // An output file that another program holds open, so that it cannot be replaced.
    kx::unique_hfile HoldOutput(const char* name)
    {
        m_folder.Write(CString("out\\") + name, "held by another program");
        return kx::unique_hfile(::CreateFileA(Out(name), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    }
    CString Stored(const char* key) const { return AfxGetApp()->GetProfileString("Settings", key, "<none>"); }

    CString m_cfg;
    CString m_out;
};

} // namespace

TEST_F(DlgAdjustBatTest, AFolderIsAdjustedAndSavedPictureByPictureUnderNumberedNames)
{
    MakeFolder();
    const CString p[3] = { m_folder.File("p1.jpg"), m_folder.File("p2.jpg"), m_folder.File("p3.jpg") };
    CTestAdjustBat dlg(nullptr, p[0]);
    CDib previews[2], befores[2];
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
        EXPECT_EQ(CString("保存"), w.Text(IDC_ADJBAT_SAVE));
        EXPECT_EQ(IDC_ADJBAT_SAVE, w.DefaultButton());
        EXPECT_EQ(CString("复原[ESC]"), w.Text(IDC_ADJBAT_RESET));
        EXPECT_EQ(CString(" 设置 标准图"), w.Text(IDC_ADJ_SET_STD));
        EXPECT_FALSE(::GetDlgItem(w.Handle(), IDOK)) << "no 确定";
        EXPECT_EQ(5, w.ComboCount(IDC_BATCH_TYPE));
        EXPECT_EQ(CString("tif [32-bit]"), w.ComboItem(IDC_BATCH_TYPE, 4));
        EXPECT_EQ(2, w.ComboSelection(IDC_BATCH_TYPE)) << "tif [24-bit] before anything is stored";
        EXPECT_EQ(CString("250"), w.Text(IDC_BATCH_DPI));
        EXPECT_EQ(CString(""), w.Text(IDC_BATCH_SOURCE_PATH)) << "until the first refresh";
        EXPECT_TRUE(dlg.Before().GetDib()->IsValid()) << "the picture read from the path";
        TypeOutput(w, m_out, "adj001");
        TypeValues(w);
        w.Click(IDC_BATCH_FIRST);   // no move from the first picture, but the displays fill in
    });
    OnPicture(script, p[0], [&](UiWindow w) {
        EXPECT_FALSE(w.IsEnabled(IDC_BATCH_PREV));
        EXPECT_TRUE(w.IsEnabled(IDC_BATCH_NEXT));
        // The typed folder is used as it stands until a save gives it its one separator.
        EXPECT_EQ(m_out + "adj001.bmp", w.Text(IDC_BATCH_NEXT_PATH));
        befores[0] = *dlg.Before().GetDib();
        previews[0] = *dlg.View().GetDib();
        w.Click(IDC_ADJBAT_SAVE);
    });
    OnPicture(script, p[1], [&](UiWindow w) {
        EXPECT_EQ(CString("保存为文件 ") + Out("adj001.bmp") + " 。", w.Caption());
        EXPECT_EQ(CString("adj002"), w.Text(IDC_BATCH_NAME));
        EXPECT_EQ(Out("adj002.bmp"), w.Text(IDC_BATCH_NEXT_PATH));
        EXPECT_EQ(CString("12"), w.Text(IDC_ADJ_BRIGHT_EDIT)) << "the values stay for the next picture";
        befores[1] = *dlg.Before().GetDib();
        previews[1] = *dlg.View().GetDib();
        w.Key(VK_RETURN);
    });
    OnPicture(script, p[2], [&](UiWindow w) { w.Key(VK_RETURN); })
        .Until("the last picture saved", [&] { return ::GetFileAttributesA(Out("adj003.bmp")) != INVALID_FILE_ATTRIBUTES; })
        .OnDialog(nullptr, [&](UiWindow w) {
            EXPECT_EQ(p[2], w.Text(IDC_BATCH_SOURCE_PATH)) << "no picture after the last: no move";
            EXPECT_EQ(CString("adj004"), w.Text(IDC_BATCH_NAME));
            EXPECT_FALSE(w.IsEnabled(IDC_BATCH_NEXT));
            EXPECT_EQ("", PixelDifference(Loaded(p[2]), dlg.GetWorkingPicture())) << "the working picture is never adjusted";
            w.Key(VK_RETURN);   // the same picture once more, under the next number
        })
        .Until("the repeated save", [&] { return ::GetFileAttributesA(Out("adj004.bmp")) != INVALID_FILE_ATTRIBUTES; })
        .OnDialog(nullptr, [](UiWindow w) { w.Click(IDC_ADJBAT_CLOSE); });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }, 30000));

    EXPECT_EQ(std::vector<std::string>({ "adj001.bmp", "adj002.bmp", "adj003.bmp", "adj004.bmp" }), FilesIn(m_out, "*"));
    const char* const names[4] = { "adj001.bmp", "adj002.bmp", "adj003.bmp", "adj004.bmp" };
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ("", PixelDifference(Adjusted(Loaded(p[std::min(k, 2)]), TypedValues()), Loaded(Out(names[k])))) << names[k];
    EXPECT_NE("", PixelDifference(Loaded(p[2]), Loaded(Out("adj003.bmp")))) << "the adjustment changed the picture";
    for (int k = 0; k < 2; ++k) {
        ASSERT_TRUE(befores[k].IsValid());
        EXPECT_EQ("", PixelDifference(Adjusted(befores[k], TypedValues()), previews[k])) << "the preview of picture " << k + 1;
    }
    EXPECT_EQ(CString("adj004"), Stored("Adjust filename")) << "written at the start of the last save";
    EXPECT_EQ(m_out + "\\", Stored("Adjust dirname"));
    EXPECT_EQ(CString("1"), Stored("Adjust filetype"));
    EXPECT_EQ(CString("1"), Stored("Adjust addtail"));
    EXPECT_EQ(CString("250"), Stored("Adjust DPI"));
    EXPECT_EQ(250, Loaded(Out("adj001.bmp")).GetXRes());
}

TEST_F(DlgAdjustBatTest, PageKeysBrowseAndTheHostPictureIsShownFirstUnchanged)
{
    MakeFolder();
    const CString p1 = m_folder.File("p1.jpg"), p2 = m_folder.File("p2.jpg");
    // The host hands its own picture (here: a turned one) with the path that names it.
    CDib host = Loaded(p1);
    host.Rotate(18000, 5, 0);
    const CDib hostBefore = host;
    CTestAdjustBat dlg(&host, p1);
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
        EXPECT_EQ("", PixelDifference(hostBefore, dlg.GetWorkingPicture())) << "a copy of the host's picture";
        TypeOutput(w, m_out, "k01");
        w.Key(VK_PRIOR);   // at the first picture: nowhere to go
    });
    OnPicture(script, p1, [&](UiWindow w) {
        EXPECT_EQ("", PixelDifference(hostBefore, dlg.GetWorkingPicture())) << "Page Up at the first picture stays";
        w.Key(VK_NEXT);
    });
    OnPicture(script, p2, [&](UiWindow w) {
        EXPECT_EQ("", PixelDifference(Loaded(p2), dlg.GetWorkingPicture()));
        EXPECT_EQ(CString("k01"), w.Text(IDC_BATCH_NAME)) << "numbering on: a move keeps the name";
        w.ClickNow(IDC_BATCH_AUTONUMBER);   // off: the name follows the picture
        EXPECT_EQ(CString("p2"), w.Text(IDC_BATCH_NAME));
        w.Key(VK_PRIOR);
    });
    OnPicture(script, p1, [&](UiWindow w) {
        EXPECT_EQ("", PixelDifference(Loaded(p1), dlg.GetWorkingPicture())) << "read from the file this time";
        EXPECT_EQ(CString("p1"), w.Text(IDC_BATCH_NAME));
        w.Click(IDC_ADJBAT_CLOSE);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }, 20000));
    EXPECT_EQ("", PixelDifference(hostBefore, host)) << "the host's picture is never changed";
    EXPECT_TRUE(FilesIn(m_out, "*").empty()) << "browsing saves nothing";
}

TEST_F(DlgAdjustBatTest, APictureReplacedAfterItWasReadAheadIsReadAnew)
{
    MakeFolder();
    const CString p1 = m_folder.File("p1.jpg"), p2 = m_folder.File("p2.jpg");
    CTestAdjustBat dlg(nullptr, p1);
    const CDib replacement = PhotoPart("chelsea.png", 10, 10, 300, 200);
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
        // Time for the read ahead of p2 to end, then another picture under its name.
        ::Sleep(500);
        Save("p2.jpg", replacement, KXFMT_BMP);
        w.Key(VK_NEXT);
    });
    OnPicture(script, p2, [&](UiWindow w) {
        EXPECT_EQ("", PixelDifference(replacement, dlg.GetWorkingPicture())) << "the picture on disk now";
        w.Click(IDC_ADJBAT_CLOSE);
    });
    script.Run([&] { return dlg.DoModal(); }, 20000);
}

TEST_F(DlgAdjustBatTest, AShownClipBoxCropsEachSaveOnceBeforeTheAdjustment)
{
    MakeFolder();
    const CString p1 = m_folder.File("p1.jpg"), p2 = m_folder.File("p2.jpg");
    CTestAdjustBat dlg(nullptr, p1);
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
        TypeOutput(w, m_out, "crop01");
        TypeValues(w);
        w.Click(IDC_ADJBAT_CROPSET);
    });
    // A fixed size in pixels of the picture itself, whatever size the view shows it at.
    AnswerCropOptions(script, IDC_KX_CROP_SIZE, "120", "80");
    script.OnDialog(kCaption, [&](UiWindow w) {
        EXPECT_TRUE(dlg.View().HaveClipbox()) << "the options place the box";
        w.Key(VK_RETURN);
    });
    OnPicture(script, p2, [&](UiWindow w) {
        EXPECT_TRUE(dlg.View().HaveClipbox()) << "the box stays for the next picture";
        w.Key(VK_RETURN);
    });
    script.Until("the second picture saved", [&] { return ::GetFileAttributesA(Out("crop02.bmp")) != INVALID_FILE_ATTRIBUTES; })
        .OnDialog(nullptr, [&](UiWindow w) {
            EXPECT_TRUE(dlg.View().HaveClipbox());
            EXPECT_EQ(240, dlg.GetWorkingPicture().GetWidth()) << "the next picture is cut when it is saved";
            w.Click(IDC_ADJBAT_CLOSE);
        });
    script.Run([&] { return dlg.DoModal(); }, 30000);

    // Cropped first, then adjusted: the sharpening sees the clip's own edges.
    const auto finish = [](const CDib& clip) { return Adjusted(clip, TypedValues()); };
    const CString sources[2] = { p1, p2 };
    const char* const names[2] = { "crop01.bmp", "crop02.bmp" };
    for (int k = 0; k < 2; ++k) {
        const CDib saved = Loaded(Out(names[k]));
        ASSERT_EQ(120, saved.GetWidth()) << names[k];
        ASSERT_EQ(80, saved.GetHeight()) << names[k];
        const CDib source = Loaded(sources[k]);
        EXPECT_FALSE(CentredRegion(source, saved, 120, 80, finish).IsRectEmpty())
            << names[k] << " is not the centred clip of the source adjusted once";
        EXPECT_TRUE(CentredRegion(source, saved, 120, 80, [](const CDib& clip) { return clip; }).IsRectEmpty())
            << names[k] << " is not adjusted";
    }
}

TEST_F(DlgAdjustBatTest, CropTwiceShowsThenCutsAndTheBoxKeepsItsSize)
{
    // Larger than the crop view, so the view shows it reduced and the box is scaled onto it.
    Save("big.png", PhotoPart("astronaut.png", 0, 0, 512, 512), KXFMT_PNG);
    const CString big = m_folder.File("big.png");
    CTestAdjustBat dlg(nullptr, big);
    const auto size = [](const CDib& d) { return CSize(d.GetWidth(), d.GetHeight()); };
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
        ASSERT_LT(dlg.View().GetDib()->GetWidth(), 512) << "the test needs a reduced view";
        TypeOutput(w, m_out, "c01");
        w.ClickNow(IDC_ADJBAT_CROP);   // the view's own settings (a free box): shown over the picture
        EXPECT_TRUE(dlg.View().HaveClipbox());
        w.ClickNow(IDC_ADJBAT_CROP);   // cut: the whole picture
        EXPECT_FALSE(dlg.View().HaveClipbox());
        EXPECT_EQ(CSize(512, 512), size(dlg.GetWorkingPicture()));
        w.Click(IDC_ADJBAT_CROPSET);
    });
    AnswerCropOptions(script, IDC_KX_CROP_SIZE, "450", "300");
    script.OnDialog(kCaption, [&](UiWindow w) {
        ASSERT_TRUE(dlg.View().HaveClipbox());
        w.ClickNow(IDC_ADJBAT_CROP);
        EXPECT_FALSE(dlg.View().HaveClipbox()) << "the second press cuts and hides the box";
        EXPECT_EQ(CSize(450, 300), size(dlg.GetWorkingPicture()));
        const CSize shown = size(*dlg.Before().GetDib());
        EXPECT_EQ(shown, size(*dlg.View().GetDib()));
        EXPECT_LT(shown.cx, 450) << "the clip is shown reduced";
        // Shown and cut again: the held size stays in the picture's pixels, not shrunk by the
        // view's scale at every press.
        w.ClickNow(IDC_ADJBAT_CROP);
        EXPECT_TRUE(dlg.View().HaveClipbox());
        w.ClickNow(IDC_ADJBAT_CROP);
        EXPECT_EQ(CSize(450, 300), size(dlg.GetWorkingPicture()));
        w.Key(VK_RETURN);   // no box shown: the save cuts nothing more
    });
    script.Until("the save", [&] { return ::GetFileAttributesA(Out("c01.bmp")) != INVALID_FILE_ATTRIBUTES; })
        .OnDialog(nullptr, [](UiWindow w) { w.Click(IDC_ADJBAT_CLOSE); });
    script.Run([&] { return dlg.DoModal(); }, 30000);
    const CDib saved = Loaded(Out("c01.bmp"));
    EXPECT_EQ(CSize(450, 300), size(saved));
    EXPECT_FALSE(CentredRegion(Loaded(big), saved, 450, 300, [](const CDib& clip) { return clip; }).IsRectEmpty());
}

TEST_F(DlgAdjustBatTest, KeypadArrowsMoveTheBoxAndADoubleClickCrops)
{
    MakeFolder();
    CTestAdjustBat dlg(nullptr, m_folder.File("p3.jpg"));
    UiScript script;
    CRect placed;
    script.OnDialog(kCaption, [&](UiWindow w) {
        w.Click(IDC_ADJBAT_CROPSET);
    });
    AnswerCropOptions(script, IDC_KX_CROP_SIZE, "90", "90");
    script.OnDialog(kCaption, [&](UiWindow w) {
        placed = dlg.View().GetClipRect();
        w.Focus(IDC_ADJBAT_CROP);
        w.Key(VK_LEFT);   // keypad off: the arrows stay the dialog's
    })
        .OnDialog(kCaption, [&](UiWindow w) {
            EXPECT_EQ(placed, dlg.View().GetClipRect());
            SetNumLock(true);
            w.Key(VK_LEFT);
        })
        .OnDialog(kCaption, [&](UiWindow w) {
            EXPECT_LT(dlg.View().GetClipRect().left, placed.left) << "the keypad's arrow moved the box";
            EXPECT_TRUE(w.IsChecked(IDC_ADJ_ITEM_BRIGHT)) << "the keypad noticed on";
            // A double-click on the view, which has the focus after the click.
            const CPoint at = dlg.View().PictureToClient(placed.CenterPoint().x, placed.CenterPoint().y);
            ::SetFocus(dlg.View().m_hWnd);
            ::PostMessageA(dlg.View().m_hWnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        })
        .OnDialog(kCaption, [&](UiWindow w) {
            EXPECT_EQ(CSize(90, 90), CSize(dlg.GetWorkingPicture().GetWidth(), dlg.GetWorkingPicture().GetHeight()))
                << "the double-click cut the picture";
            SetNumLock(false);
            w.Click(IDC_ADJBAT_CLOSE);
        });
    script.Run([&] { return dlg.DoModal(); }, 20000);
}

TEST_F(DlgAdjustBatTest, LayoutOneTurnsLandscapePicturesToPortrait)
{
    Save("a wide.png", PhotoPart("coffee.png", 100, 100, 300, 200), KXFMT_PNG);
    Save("b tall.png", PhotoPart("coffee.png", 100, 100, 200, 300), KXFMT_PNG);
    Save("c wide.png", PhotoPart("chelsea.png", 50, 50, 300, 200), KXFMT_PNG);
    // Each case saves its first picture; the save moves on to the next one, read ahead.
    struct Case { int layout; const char* picture; CSize saved; const char* next; CSize nextShown; };
    const Case cases[] = {
        { 1, "a wide.png", CSize(200, 300), "b tall.png", CSize(200, 300) },
        { 1, "b tall.png", CSize(200, 300), "c wide.png", CSize(200, 300) },
        { 0, "b tall.png", CSize(200, 300), "c wide.png", CSize(300, 200) },
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("layout ") + std::to_string(c.layout) + ", " + c.picture);
        char name[16];
        std::snprintf(name, sizeof name, "t%02d", ++n);
        CTestAdjustBat dlg(nullptr, m_folder.File(c.picture), c.layout);
        UiScript script;
        script.OnDialog(kCaption, [&](UiWindow w) {
            EXPECT_EQ(c.layout == 0, w.IsVisible(IDC_ADJ_STD_VIEW)) << "the large layout hides the standard picture";
            const CDib* shown = dlg.Before().GetDib();
            EXPECT_EQ(c.saved.cx > c.saved.cy, shown->GetWidth() > shown->GetHeight()) << "shown as saved";
            TypeOutput(w, m_out, name);
            w.Key(VK_RETURN);
        });
        OnPicture(script, m_folder.File(c.next), [&](UiWindow w) {
            const CDib& working = dlg.GetWorkingPicture();
            EXPECT_EQ(c.nextShown, CSize(working.GetWidth(), working.GetHeight())) << c.next;
            const CDib* shown = dlg.Before().GetDib();
            EXPECT_EQ(c.nextShown.cx > c.nextShown.cy, shown->GetWidth() > shown->GetHeight()) << c.next;
            CDib expected = Loaded(m_folder.File(c.next));
            if (c.nextShown.cx != expected.GetWidth())
                expected.Rotate(9000, 5, 0);
            EXPECT_EQ("", PixelDifference(expected, working)) << c.next;
            w.Click(IDC_ADJBAT_CLOSE);
        });
        script.Run([&] { return dlg.DoModal(); }, 20000);
        CDib expected = Loaded(m_folder.File(c.picture));
        if (c.saved.cx != expected.GetWidth())
            expected.Rotate(9000, 5, 0);
        EXPECT_EQ("", PixelDifference(expected, Loaded(Out(name) + ".bmp")));
    }
}

TEST_F(DlgAdjustBatTest, EscResetsTheValuesAndKeepsTheDialogAndTheHueChannel)
{
    MakeFolder();
    CTestAdjustBat dlg(nullptr, m_folder.File("p1.jpg"));
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
        w.SelectCombo(IDC_ADJ_HUE_CHANNEL, 2);   // "绿色 [G]"
        w.TypeKeys(IDC_ADJ_SATU_EDIT, "30");
        w.TypeKeys(IDC_ADJ_BRIGHT_EDIT, "-20");
        w.TypeKeys(IDC_ADJ_GAMMA, "150");
        w.ClickNow(IDC_ADJ_TOGRAY);
        w.TypeKeys(IDC_BATCH_NAME, "kept01");
        w.Key(VK_ESCAPE);
    })
        .OnDialog(kCaption, [&](UiWindow w) {
            EXPECT_EQ(CString("0"), w.Text(IDC_ADJ_SATU_EDIT));
            EXPECT_EQ(CString("0"), w.Text(IDC_ADJ_BRIGHT_EDIT));
            EXPECT_EQ(CString("100"), w.Text(IDC_ADJ_GAMMA));
            EXPECT_FALSE(w.IsChecked(IDC_ADJ_TOGRAY));
            EXPECT_EQ(2, w.ComboSelection(IDC_ADJ_HUE_CHANNEL)) << "the channel stays selected";
            EXPECT_EQ(0, Attached<CLineTrackBar>(w, IDC_ADJ_SATU)->GetPos());
            EXPECT_EQ(0, Attached<CLineTrackBar>(w, IDC_ADJ_BRIGHT)->GetPos());
            EXPECT_EQ(CString("kept01"), w.Text(IDC_BATCH_NAME)) << "what was typed elsewhere stays";
            EXPECT_EQ(0, dlg.GetValues().m_nHueSat[2]);
            EXPECT_EQ("", PixelDifference(*dlg.Before().GetDib(), *dlg.View().GetDib())) << "the preview is the picture again";
            w.TypeKeys(IDC_ADJ_CONTRAST_EDIT, "40");
            w.Close();   // the caption's close resets too
        })
        .OnDialog(kCaption, [&](UiWindow w) {
            EXPECT_EQ(CString("0"), w.Text(IDC_ADJ_CONTRAST_EDIT));
            w.Click(IDC_ADJBAT_CLOSE);
        });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
}

TEST_F(DlgAdjustBatTest, AFailedSaveIsToldByNameAndTheDialogStaysOnThePictureAndItsNumber)
{
    MakeFolder();
    const CString p1 = m_folder.File("p1.jpg");
    kx::unique_hfile busy = HoldOutput("busy001.bmp");
    ASSERT_TRUE(busy);
    const CString readOnly = ExecutableFolder() + "batch-readonly";
    HANDLE probe = ::CreateFileA(readOnly + "\\probe.tmp", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    const bool haveReadOnly = probe == INVALID_HANDLE_VALUE && ::GetFileAttributesA(readOnly) != INVALID_FILE_ATTRIBUTES;
    if (probe != INVALID_HANDLE_VALUE)
        ::CloseHandle(probe);

    CTestAdjustBat dlg(nullptr, p1);
    CString busyText, readOnlyText, longText;
    const std::string longName(MAX_PATH - m_out.GetLength(), 'n');
    auto stillHere = [&](UiWindow w, const char* name) {
        EXPECT_EQ(CString(kCaption), w.Caption()) << "no save announced";
        EXPECT_EQ(CString(name), w.Text(IDC_BATCH_NAME)) << "the number does not advance";
        EXPECT_EQ(p1, dlg.GetSourcePath()) << "still on the picture";
        EXPECT_EQ("", PixelDifference(Loaded(p1), dlg.GetWorkingPicture())) << "the work is kept, unadjusted";
    };
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
        TypeOutput(w, m_out, "busy001");
        TypeValues(w);
        w.Key(VK_RETURN);
    })
        .AnswerMessageBox(IDOK, &busyText)
        .OnDialog(kCaption, [&](UiWindow w) {
            stillHere(w, "busy001");
            if (!haveReadOnly) {
                w.Key(VK_TAB);   // nothing to do in that folder: the step is passed
                return;
            }
            w.TypeKeys(IDC_BATCH_FOLDER, readOnly);
            w.TypeKeys(IDC_BATCH_NAME, "new001");
            w.Key(VK_RETURN);
        });
    if (haveReadOnly)
        script.AnswerMessageBox(IDOK, &readOnlyText);
    script.OnDialog(kCaption, [&](UiWindow w) {
        if (haveReadOnly)
            stillHere(w, "new001");
        w.TypeKeys(IDC_BATCH_FOLDER, m_out);
        w.TypeKeys(IDC_BATCH_NAME, longName.c_str());
        w.Key(VK_RETURN);
    })
        .AnswerMessageBox(IDOK, &longText)
        .OnDialog(kCaption, [&](UiWindow w) {
            stillHere(w, longName.c_str());
            // Mended and saved again: the picture adjusted once, not once a try.
            w.TypeKeys(IDC_BATCH_NAME, "good001");
            w.Key(VK_RETURN);
        });
    // A failure after a save: the caption no longer announces the earlier file.
    CString again;
    OnPicture(script, m_folder.File("p2.jpg"), [](UiWindow w) {
        w.TypeKeys(IDC_BATCH_NAME, "busy001");
        w.Key(VK_RETURN);
    })
        .AnswerMessageBox(IDOK, &again)
        .OnDialog(kCaption, [&](UiWindow w) {
            EXPECT_EQ(m_folder.File("p2.jpg"), dlg.GetSourcePath());
            w.Click(IDC_ADJBAT_CLOSE);
        });
    script.Run([&] { return dlg.DoModal(); }, 30000);
    busy.reset();
    EXPECT_NE(-1, again.Find(Out("busy001.bmp"))) << (const char*)again;

    EXPECT_NE(-1, busyText.Find(Out("busy001.bmp"))) << "the message names the file: " << (const char*)busyText;
    EXPECT_EQ("held by another program", m_folder.Read("out\\busy001.bmp"));
    if (haveReadOnly) {
        EXPECT_NE(-1, readOnlyText.Find(readOnly + "\\new001.bmp")) << (const char*)readOnlyText;
    }
    EXPECT_NE(-1, longText.Find(longName.c_str())) << "the over-long path is refused, named";
    EXPECT_EQ(std::vector<std::string>({ "busy001.bmp", "good001.bmp" }), FilesIn(m_out, "*"));
    EXPECT_EQ("", PixelDifference(Adjusted(Loaded(p1), TypedValues()), Loaded(Out("good001.bmp"))));
    if (!haveReadOnly)
        GTEST_SKIP() << "no read-only folder on this machine (the fixture needs root for chattr)";
}

// A save that fails after its crop gives the picture back uncut: the retry, with the box still
// shown, saves one crop of the picture, not a crop of the crop.
TEST_F(DlgAdjustBatTest, AFailedSaveWithTheBoxShownKeepsThePictureUncut)
{
    MakeFolder();
    const CString p1 = m_folder.File("p1.jpg");
    kx::unique_hfile busy = HoldOutput("busy001.bmp");
    ASSERT_TRUE(busy);
    CTestAdjustBat dlg(nullptr, p1);
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
        TypeOutput(w, m_out, "busy001");
        w.Click(IDC_ADJBAT_CROPSET);
    });
    AnswerCropOptions(script, IDC_KX_CROP_SIZE, "120", "80");
    script.OnDialog(kCaption, [&](UiWindow w) {
        ASSERT_TRUE(dlg.View().HaveClipbox());
        w.Key(VK_RETURN);
    })
        .AnswerMessageBox(IDOK)
        .OnDialog(kCaption, [&](UiWindow w) {
            EXPECT_EQ(p1, dlg.GetSourcePath());
            EXPECT_EQ("", PixelDifference(Loaded(p1), dlg.GetWorkingPicture())) << "the picture is uncut";
            EXPECT_TRUE(dlg.View().HaveClipbox()) << "the box is still shown";
            w.TypeKeys(IDC_BATCH_NAME, "fine001");
            w.Key(VK_RETURN);
        })
        .Until("the retry saved", [&] { return ::GetFileAttributesA(Out("fine001.bmp")) != INVALID_FILE_ATTRIBUTES; })
        .OnDialog(nullptr, [&](UiWindow w) { w.Click(IDC_ADJBAT_CLOSE); });
    script.Run([&] { return dlg.DoModal(); }, 30000);
    busy.reset();
    const CDib saved = Loaded(Out("fine001.bmp"));
    ASSERT_EQ(120, saved.GetWidth());
    ASSERT_EQ(80, saved.GetHeight());
    EXPECT_FALSE(CentredRegion(Loaded(p1), saved, 120, 80, [](const CDib& clip) { return clip; }).IsRectEmpty())
        << "the saved file is the centred clip of the picture itself";
}

TEST_F(DlgAdjustBatTest, WithoutAPictureTheViewsStayEmptyAndSaveDoesNothing)
{
    m_folder.Write("broken.jpg", "not a picture");
    for (const CString& path : { m_folder.File("broken.jpg"), CString() }) {
        SCOPED_TRACE((const char*)path);
        CTestAdjustBat dlg(nullptr, path);
        UiScript script;
        script.OnDialog(kCaption, [&](UiWindow w) {
            EXPECT_FALSE(dlg.Before().GetDib()->IsValid());
            EXPECT_FALSE(dlg.View().GetDib()->IsValid());
            TypeOutput(w, m_out, "none01");
            w.Key(VK_RETURN);
            w.ClickNow(IDC_ADJBAT_CROP);
        })
            .OnDialog(kCaption, [&](UiWindow w) {
                EXPECT_EQ(CString(kCaption), w.Caption());
                EXPECT_FALSE(dlg.View().HaveClipbox());
                w.Click(IDC_ADJBAT_CLOSE);
            });
        EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
        EXPECT_TRUE(FilesIn(m_out, "*").empty());
        EXPECT_EQ(CString("<none>"), Stored("Adjust filename")) << "not even the settings written";
    }
}

TEST_F(DlgAdjustBatTest, AProfileSavedInTheBatchFormLoadsInTheSingleDialog)
{
    MakeFolder();
    CTestAdjustBat batch(nullptr, m_folder.File("p1.jpg"));
    UiScript save;
    save.OnDialog(kCaption, [](UiWindow w) {
            w.SelectCombo(IDC_ADJ_HUE_CHANNEL, 2);
            w.TypeKeys(IDC_ADJ_SATU_EDIT, "30");
            w.TypeKeys(IDC_ADJ_RED_EDIT, "-15");
            w.TypeKeys(IDC_ADJ_GAMMA, "130");
            w.Click(IDC_ADJ_SAVE_PROFILE);
        })
        .OnDialog("保存方案...", [](UiWindow n) {
            HWND edit = ::FindWindowExA(n.Item(IDC_ADJ_NAME), nullptr, "Edit", nullptr);
            ::SetFocus(edit);
            ::SendMessageA(edit, WM_SETTEXT, 0, (LPARAM)"batch warm");
            n.Click(IDOK);
        })
        .OnDialog(kCaption, [](UiWindow w) {
            EXPECT_EQ(CString("batch warm"), w.ComboItem(IDC_ADJ_PROFILE, 0));
            w.Click(IDC_ADJBAT_CLOSE);
        });
    save.Run([&] { return batch.DoModal(); });

    // The single-picture dialog lists it and loads the same values.
    CDib picture = Loaded(m_folder.File("p2.jpg"));
    CDlgAdjust single(&picture);
    UiScript load;
    load.OnDialog(kCaption, [](UiWindow w) {
            ASSERT_EQ(1, w.ComboCount(IDC_ADJ_PROFILE));
            w.SelectCombo(IDC_ADJ_PROFILE, 0);
            EXPECT_EQ(2, w.ComboSelection(IDC_ADJ_HUE_CHANNEL));
            EXPECT_EQ(CString("30"), w.Text(IDC_ADJ_SATU_EDIT));
            EXPECT_EQ(CString("-15"), w.Text(IDC_ADJ_RED_EDIT));
            EXPECT_EQ(CString("130"), w.Text(IDC_ADJ_GAMMA));
            EXPECT_EQ(30, Attached<CLineTrackBar>(w, IDC_ADJ_SATU)->GetPos());
            w.Click(IDCANCEL);
        });
    EXPECT_EQ(IDCANCEL, load.Run([&] { return single.DoModal(); }));
}
