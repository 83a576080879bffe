// The font picker in a host dialog of the test's own (faces, kinds, recent section, tip), and the
// text font dialog (sizes, styles, underline, face, the LOGFONTA it returns).
#include <FontChoice.h>
#include <UiDriver.h>
#include <common/FontComboBox.h>
#include <common/WFontDialog.h>
#include <gtest/gtest.h>
#include <kxcomdlgres.h>
#include <kxraii.h>
#include "commontestres.h"
#include <algorithm>
#include <set>
#include <string>

namespace {

const char kPickCaption[] = "选择字体";
const char kFontCaption[] = "设置文字及字体";

class CTestFontCombo : public CFontComboBox
{
public:
    using CFontComboBox::AddFont;
};

// A host dialog that embeds the picker, as the calendar settings do.
class CPickDlg : public CDialog
{
public:
    CPickDlg() : CDialog(IDD_TEST_FONTPICK) {}
    CTestFontCombo m_face;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_TEST_FACE, m_face); }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        m_face.Initialize();
        return TRUE;
    }
};

std::vector<std::string> Strings(const std::vector<CString>& list)
{
    std::vector<std::string> out;
    for (const CString& s : list)
        out.push_back(s.GetString());
    return out;
}

// A list item drawn by the control into a white bitmap, read back pixel by pixel.
struct ItemPicture
{
    int width = 0, height = 0, textHeight = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[(size_t)(y * width + x)]; }
};

ItemPicture DrawListItem(CFontComboBox& combo, int index)
{
    ItemPicture pic;
    pic.width = 160;
    pic.height = (int)combo.SendMessage(CB_GETITEMHEIGHT, 0);
    kx::unique_hdc_window screen;
    kx::unique_hdc mem(::CreateCompatibleDC(screen.get()));
    kx::unique_hbitmap bmp(::CreateCompatibleBitmap(screen.get(), pic.width, pic.height));
    kx::select_object keepBitmap(mem.get(), bmp.get());
    kx::select_object keepFont(mem.get(), combo.GetFont());
    ::SetBkColor(mem.get(), RGB(255, 255, 255));
    ::SetTextColor(mem.get(), RGB(0, 0, 0));
    TEXTMETRICA tm{};
    ::GetTextMetricsA(mem.get(), &tm);
    pic.textHeight = tm.tmHeight;
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_COMBOBOX;
    dis.CtlID = (UINT)combo.GetDlgCtrlID();
    dis.itemID = (UINT)index;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.hwndItem = combo.m_hWnd;
    dis.hDC = mem.get();
    dis.rcItem = { 0, 0, pic.width, pic.height };
    dis.itemData = combo.GetItemData(index);
    combo.DrawItem(&dis);
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x)
            pic.pixels.push_back(::GetPixel(mem.get(), x, y));
    return pic;
}

const COLORREF kWhite = RGB(255, 255, 255);
// Pixels of bitmap 10083 as drawn at the item's (0, 1): the printer mark's paper outline starts
// at x 4 of its first row; the TrueType mark's grey T covers x 0 ... 7 of its first rows.
const COLORREF kPrinterOutline = RGB(40, 40, 40);
const COLORREF kTrueTypeGrey = RGB(128, 128, 128);

LOGFONTA Face(const char* name)
{
    LOGFONTA lf{};
    lstrcpynA(lf.lfFaceName, name, LF_FACESIZE);
    return lf;
}

int CALLBACK CollectFace(const LOGFONTA* lf, const TEXTMETRICA*, DWORD type, LPARAM lParam)
{
    if (!(type & RASTER_FONTTYPE))
        reinterpret_cast<std::set<std::string>*>(lParam)->insert(lf->lfFaceName);
    return 1;
}

} // namespace

TEST(FontComboBox, ListsEveryScreenFaceOnceMarkedByKind)
{
    std::set<std::string> expected;
    {
        LOGFONTA lf{};
        lf.lfCharSet = DEFAULT_CHARSET;
        kx::unique_hdc_window screen;
        ::EnumFontFamiliesExA(screen.get(), &lf, CollectFace, reinterpret_cast<LPARAM>(&expected), 0);
    }
    ASSERT_FALSE(expected.empty());
    CPickDlg dlg;
    UiScript script;
    script.OnDialog(kPickCaption, [&](UiWindow w) {
        const std::vector<std::string> items = Strings(w.ComboItems(IDC_TEST_FACE));
        EXPECT_EQ(expected, std::set<std::string>(items.begin(), items.end()));
        EXPECT_EQ(expected.size(), items.size()) << "each face once";
        EXPECT_EQ(CB_ERR, w.ComboSelection(IDC_TEST_FACE)) << "no current name, no selection";

        // A TrueType face carries the TrueType mark, a PostScript outline face none.
        const int trueType = (int)dlg.m_face.FindStringExact(-1, "宋体");
        ASSERT_NE(CB_ERR, trueType);
        EXPECT_EQ(CFontComboBox::kindTrueType, dlg.m_face.GetFontKind("宋体"));
        ItemPicture tt = DrawListItem(dlg.m_face, trueType);
        EXPECT_EQ(kTrueTypeGrey, tt.At(0, 1));
        EXPECT_EQ(kTrueTypeGrey, tt.At(4, 1));
        auto plain = std::find_if(items.begin(), items.end(), [&](const std::string& f) {
            return dlg.m_face.GetFontKind(f.c_str()) == CFontComboBox::kindScreen;
        });
        if (plain != items.end()) {
            ItemPicture none = DrawListItem(dlg.m_face, (int)dlg.m_face.FindStringExact(-1, plain->c_str()));
            EXPECT_EQ(kWhite, none.At(0, 1)) << *plain;
            EXPECT_EQ(kWhite, none.At(4, 1)) << *plain;
        }

        // Printer reports: only non-TrueType device fonts count, and a screen face keeps its kind.
        dlg.m_face.AddFont(Face("KX Printer Gothic"), DEVICE_FONTTYPE, true);
        dlg.m_face.AddFont(Face("KX Printer TrueType"), DEVICE_FONTTYPE | TRUETYPE_FONTTYPE, true);
        dlg.m_face.AddFont(Face("KX Printer Soft"), 0, true);
        dlg.m_face.AddFont(Face("宋体"), DEVICE_FONTTYPE, true);
        dlg.m_face.AddFont(Face("KX Raster"), RASTER_FONTTYPE, false);
        EXPECT_EQ(CFontComboBox::kindPrinter, dlg.m_face.GetFontKind("KX Printer Gothic"));
        EXPECT_EQ(-1, dlg.m_face.GetFontKind("KX Printer TrueType"));
        EXPECT_EQ(-1, dlg.m_face.GetFontKind("KX Printer Soft"));
        EXPECT_EQ(CFontComboBox::kindTrueType, dlg.m_face.GetFontKind("宋体"));
        EXPECT_EQ(-1, dlg.m_face.GetFontKind("KX Raster"));
        const int printer = dlg.m_face.AddString("KX Printer Gothic");
        ItemPicture pr = DrawListItem(dlg.m_face, printer);
        EXPECT_EQ(kPrinterOutline, pr.At(4, 1));
        EXPECT_EQ(kWhite, pr.At(0, 1)) << "magenta is transparent";
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
}

TEST(FontComboBox, SelectsTheFirstFaceBeginningWithTheCurrentNameOrSaysNoneDoes)
{
    {
        CPickDlg dlg;
        dlg.m_face.SetCurrentName("dejavu sans c");
        UiScript script;
        script.OnDialog(kPickCaption, [&](UiWindow w) {
            EXPECT_EQ(CString("DejaVu Sans Condensed"), w.Text(IDC_TEST_FACE));
            w.Click(IDOK);
        });
        EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
        EXPECT_EQ(CString("DejaVu Sans Condensed"), dlg.m_face.GetCurrentName()) << "the face shown is the face chosen";
    }
    // No face begins with it: the user is told, nothing is selected, and the name survives a
    // pass of the focus through the list.
    const CString longName(CString('W', 60) + "xyz");
    for (const CString& missing : { CString("Kx Missing Face"), longName }) {
        CPickDlg dlg;
        dlg.m_face.SetCurrentName(missing);
        CString message;
        UiScript script;
        script.AnswerMessageBox(IDOK, &message);
        script.OnDialog(kPickCaption, [&](UiWindow w) {
            EXPECT_EQ(CB_ERR, w.ComboSelection(IDC_TEST_FACE));
            w.Focus(IDC_TEST_FACE);
            w.Focus(IDC_TEST_OTHER);
            w.Click(IDOK);
        });
        EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
        EXPECT_EQ("系统中不存在该对象包含的字体 '" + missing + "'。", message);
        EXPECT_EQ(missing, dlg.m_face.GetCurrentName());
    }
}

TEST(FontComboBox, RecentFacesComeFirstNewestOnTopSixAtMostAboveALine)
{
    CPickDlg dlg;
    UiScript script;
    script.OnDialog(kPickCaption, [&](UiWindow w) {
        const std::vector<std::string> all = Strings(w.ComboItems(IDC_TEST_FACE));
        ASSERT_GE(all.size(), 8u);
        const int faces = (int)all.size();
        for (int i = 0; i < 7; ++i)
            ChooseFace(w, IDC_TEST_FACE, all[(size_t)i].c_str());
        EXPECT_EQ((std::vector<std::string>{ all[6], all[5], all[4], all[3], all[2], all[1] }), RecentFaces(w, IDC_TEST_FACE));
        EXPECT_EQ(faces + 6, w.ComboCount(IDC_TEST_FACE));
        EXPECT_EQ(CString(all[6].c_str()), dlg.m_face.GetCurrentName());
        EXPECT_EQ(0, w.ComboSelection(IDC_TEST_FACE)) << "the chosen face's recent copy shows";

        // The line runs under the sixth recent face only.
        ItemPicture sixth = DrawListItem(dlg.m_face, 5);
        ItemPicture fifth = DrawListItem(dlg.m_face, 4);
        const int y = sixth.textHeight + 3;
        ASSERT_LT(y, sixth.height) << "the line lies inside the item";
        EXPECT_EQ(RGB(0, 0, 0), sixth.At(sixth.width / 2, y));
        EXPECT_EQ(RGB(0, 0, 0), sixth.At(sixth.width - 1, y));
        EXPECT_EQ(kWhite, fifth.At(fifth.width / 2, y));

        // A face chosen again from its sorted entry moves to the top, without a second copy.
        ChooseFace(w, IDC_TEST_FACE, all[3].c_str());
        EXPECT_EQ((std::vector<std::string>{ all[3], all[6], all[5], all[4], all[2], all[1] }), RecentFaces(w, IDC_TEST_FACE));
        EXPECT_EQ(faces + 6, w.ComboCount(IDC_TEST_FACE));
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
}

TEST(FontComboBox, ChoosingAFaceAgainMovesItsOwnCopyNotALongerFacesOne)
{
    CPickDlg dlg;
    UiScript script;
    script.OnDialog(kPickCaption, [&](UiWindow w) {
        // Two faces where one's name begins with the other's ("DejaVu Sans", "DejaVu Sans Mono").
        const std::vector<std::string> all = Strings(w.ComboItems(IDC_TEST_FACE));
        std::string shorter, longer;
        for (size_t i = 0; i + 1 < all.size() && shorter.empty(); ++i)
            for (size_t j = 0; j < all.size(); ++j)
                if (i != j && all[j].size() > all[i].size() && all[j].compare(0, all[i].size(), all[i]) == 0) {
                    shorter = all[i];
                    longer = all[j];
                    break;
                }
        ASSERT_FALSE(shorter.empty()) << "no listed face begins with another's name";
        ChooseFace(w, IDC_TEST_FACE, shorter.c_str());
        ChooseFace(w, IDC_TEST_FACE, longer.c_str());
        ChooseFace(w, IDC_TEST_FACE, shorter.c_str());
        EXPECT_EQ((std::vector<std::string>{ shorter, longer }), RecentFaces(w, IDC_TEST_FACE));
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
}

TEST(FontComboBox, TipShowsTheHighlightedFaceOnTheSampleBesideTheOpenList)
{
    CPickDlg dlg;
    dlg.m_face.SetSampleText("春眠不觉晓 Sample");
    HWND hCombo = nullptr;
    int highlighted = -1;
    UiScript script;
    script.OnDialog(kPickCaption, [&](UiWindow w) {
        hCombo = w.Item(IDC_TEST_FACE);
        ::SetFocus(hCombo);
        ::SendMessageA(hCombo, CB_SHOWDROPDOWN, TRUE, 0);
        highlighted = (int)::SendMessageA(hCombo, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)"宋体");
        ::SendMessageA(hCombo, CB_SETCURSEL, (WPARAM)highlighted, 0);
    });
    script.Until("tip shown", [&] { return dlg.m_face.GetTipCtrl().IsWindowVisible() != FALSE; });
    script.Until("tip checked", [&] {
        const CWndTipCtrl& tip = dlg.m_face.GetTipCtrl();
        EXPECT_EQ(CString("宋体"), tip.GetTipText());
        EXPECT_EQ(CString("春眠不觉晓 Sample"), tip.GetSampleText());
        // From the row after the highlighted one, five pixels right of the list.
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        ::GetComboBoxInfo(hCombo, &info);
        CRect list, row, at;
        ::GetWindowRect(info.hwndList, &list);
        ::SendMessageA(info.hwndList, LB_GETITEMRECT, (WPARAM)highlighted, (LPARAM)&row);
        ::MapWindowPoints(info.hwndList, nullptr, reinterpret_cast<POINT*>(&row), 2);
        tip.GetWindowRect(&at);
        EXPECT_EQ(list.right + 5, at.left);
        EXPECT_NEAR(row.bottom, at.top, 2);
        ::SendMessageA(hCombo, CB_SHOWDROPDOWN, FALSE, 0);
        EXPECT_FALSE(tip.IsWindowVisible()) << "closing the list hides the tip";
        ::PostMessageA(::GetParent(hCombo), WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
}

// ---- the text font dialog -------------------------------------------------------------------

TEST(WFontDialog, SizesAreTenthsOfAPointRoundedFromWhatIsTyped)
{
    struct Case { LONG height; const char* shown; const char* typed; LONG result; };
    const Case cases[] = {
        { 120, "12", nullptr, 120 },
        { 105, "10.5", nullptr, 105 },     // a tenth is kept, not lost to an integer division
        { 120, "12", "10.5", 105 },
        { 120, "12", "10.46", 105 },       // rounded, not truncated
        { 120, "12", "10.45", 105 },       // half a tenth goes up
        { 120, "12", "9", 90 },
    };
    for (const Case& c : cases) {
        LOGFONTA lf = Face("宋体");
        lf.lfHeight = c.height;
        lf.lfWeight = 100;
        CWFontDialog dlg(&lf);
        UiScript script;
        script.OnDialog(kFontCaption, [&](UiWindow w) {
            EXPECT_EQ(CString(c.shown), w.Text(IDC_WFONT_SIZE));
            if (c.typed)
                w.TypeKeys(IDC_WFONT_SIZE, c.typed);
            w.Click(IDOK);
        });
        ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); })) << c.typed;
        LOGFONTA out{};
        dlg.GetCurrentFont(&out);
        EXPECT_EQ(c.result, out.lfHeight) << (c.typed ? c.typed : c.shown);
    }
}

TEST(WFontDialog, ASizeThatIsNotANumberIsRefusedWhenConfirmedNotWhileTyping)
{
    LOGFONTA lf = Face("宋体");
    lf.lfHeight = 120;
    CWFontDialog dlg(&lf);
    CString notANumber, outOfRange;
    UiScript script;
    script.OnDialog(kFontCaption, [&](UiWindow w) {
        w.TypeKeys(IDC_WFONT_SIZE, "1x");
        // The content is read on every key, with the size still wrong: no message then.
        w.TypeKeys(IDC_WFONT_TEXT, "标题");
        EXPECT_EQ(w.Handle(), ActiveDialogWindow());
        w.Click(IDOK);
    });
    script.AnswerMessageBox(IDOK, &notANumber);
    script.OnDialog(kFontCaption, [&](UiWindow w) {
        EXPECT_TRUE(w.HasFocus(IDC_WFONT_SIZE)) << "the refused value has the focus";
        w.TypeKeys(IDC_WFONT_SIZE, "99999");
        w.Click(IDOK);
    });
    script.AnswerMessageBox(IDOK, &outOfRange);
    script.OnDialog(kFontCaption, [&](UiWindow w) {
        w.TypeKeys(IDC_WFONT_SIZE, "14");
        w.Click(IDOK);
    });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(CString("请输入一个数字。"), notANumber);
    EXPECT_EQ(CString("请输入一个 0 到 1638 之间的数字。"), outOfRange);
    LOGFONTA out{};
    dlg.GetCurrentFont(&out);
    EXPECT_EQ(140, out.lfHeight);
    EXPECT_EQ(CString("标题"), dlg.m_strContent);
}

TEST(WFontDialog, StylesUnderlineSpacingAndWidthReachTheFont)
{
    // A null record has weight 0, which reads as bold.
    CWFontDialog dlg(nullptr);
    UiScript script;
    script.OnDialog(kFontCaption, [&](UiWindow w) {
        EXPECT_EQ(2, w.ComboSelection(IDC_WFONT_STYLE));
        EXPECT_EQ((std::vector<std::string>{ "常规", "倾斜", "加粗", "加粗 倾斜" }), Strings(w.ComboItems(IDC_WFONT_STYLE)));
        EXPECT_EQ((std::vector<std::string>{ "无", "单线" }), Strings(w.ComboItems(IDC_WFONT_UNDERLINE)));
        EXPECT_EQ(0, w.ComboSelection(IDC_WFONT_UNDERLINE));
        w.SelectCombo(IDC_WFONT_STYLE, 0);
        EXPECT_EQ(100, dlg.m_lf.lfWeight);
        EXPECT_EQ(0, dlg.m_lf.lfItalic);
        w.SelectCombo(IDC_WFONT_STYLE, 3);
        EXPECT_EQ(900, dlg.m_lf.lfWeight);
        EXPECT_EQ(1, dlg.m_lf.lfItalic);
        w.SelectCombo(IDC_WFONT_STYLE, 1);
        w.SelectCombo(IDC_WFONT_UNDERLINE, 1);
        w.TypeKeys(IDC_WFONT_SPACING, "1.5");
        w.TypeKeys(IDC_WFONT_WIDTH, "80");
        w.TypeKeys(IDC_WFONT_TEXT, "Hello 你好");
        EXPECT_EQ(CString("Hello 你好"), dlg.m_ctlFontName.GetSampleText()) << "the tip shows the text being typed";
        w.Click(IDOK);
    });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    LOGFONTA out{};
    dlg.GetCurrentFont(&out);
    EXPECT_EQ(100, out.lfWeight);
    EXPECT_EQ(1, out.lfItalic);
    EXPECT_EQ(1, out.lfUnderline);
    EXPECT_EQ(80, out.lfWidth);
    EXPECT_FLOAT_EQ(1.5f, dlg.m_fSpacing);
    EXPECT_EQ(CString("Hello 你好"), dlg.m_strContent);

    // Regular and italic open on their own entries.
    for (BYTE italic : { 0, 1 }) {
        LOGFONTA lf = Face("宋体");
        lf.lfWeight = 100;
        lf.lfItalic = italic;
        CWFontDialog again(&lf);
        UiScript check;
        check.OnDialog(kFontCaption, [&](UiWindow w) {
            EXPECT_EQ(italic ? 1 : 0, w.ComboSelection(IDC_WFONT_STYLE));
            w.Click(IDCANCEL);
        });
        EXPECT_EQ(IDCANCEL, check.Run([&] { return again.DoModal(); }));
    }
}

TEST(WFontDialog, TheFaceFollowsEverySelection)
{
    LOGFONTA lf = Face("宋体");
    lf.lfWeight = 100;
    lf.lfHeight = 90;
    CWFontDialog dlg(&lf);
    UiScript script;
    script.OnDialog(kFontCaption, [&](UiWindow w) {
        EXPECT_EQ(CString("宋体"), w.Text(IDC_WFONT_NAME));
        ChooseFace(w, IDC_WFONT_NAME, "SimSun");
        EXPECT_STREQ("SimSun", dlg.m_lf.lfFaceName);
        // With the list closed, the arrow keys change the face as well.
        HWND combo = w.Item(IDC_WFONT_NAME);
        const CString before = w.Text(IDC_WFONT_NAME);
        ::SendMessageA(combo, WM_KEYDOWN, VK_DOWN, 0);
        EXPECT_NE(before, w.Text(IDC_WFONT_NAME));
        EXPECT_EQ(w.Text(IDC_WFONT_NAME), CString(dlg.m_lf.lfFaceName));
        w.Click(IDOK);
    });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    LOGFONTA out{};
    dlg.GetCurrentFont(&out);
    EXPECT_EQ(dlg.m_ctlFontName.GetCurrentName(), CString(out.lfFaceName));

    // A face the system does not have: the message, and the host's face comes back unchanged.
    LOGFONTA gone = Face("Kx Gone Face");
    CWFontDialog missing(&gone);
    CString message;
    UiScript told;
    told.AnswerMessageBox(IDOK, &message);
    told.OnDialog(kFontCaption, [&](UiWindow w) {
        EXPECT_EQ(CB_ERR, w.ComboSelection(IDC_WFONT_NAME));
        w.Click(IDOK);
    });
    ASSERT_EQ(IDOK, told.Run([&] { return missing.DoModal(); }));
    EXPECT_EQ(CString("系统中不存在该对象包含的字体 'Kx Gone Face'。"), message);
    missing.GetCurrentFont(&out);
    EXPECT_STREQ("Kx Gone Face", out.lfFaceName);
}

TEST(WFontDialog, AFaceNameFillingTheWholeFieldIsReadAndCutSafely)
{
    // The host's field holds 32 letters and no terminator, and the bytes after it are not zero.
    struct { LOGFONTA lf; char after[16]; } host;
    memset(&host, 'Q', sizeof host);
    memset(host.lf.lfFaceName, 'Z', LF_FACESIZE);
    host.lf.lfHeight = 100;
    CWFontDialog dlg(&host.lf);
    CString message;
    UiScript script;
    script.AnswerMessageBox(IDOK, &message);
    script.OnDialog(kFontCaption, [](UiWindow w) { w.Click(IDCANCEL); });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    const CString cut('Z', LF_FACESIZE - 1);
    EXPECT_EQ("系统中不存在该对象包含的字体 '" + cut + "'。", message);
    LOGFONTA out{};
    dlg.GetCurrentFont(&out);
    EXPECT_EQ(cut, CString(out.lfFaceName));

    // Double-byte names are cut between characters, never inside one.
    char field[LF_FACESIZE];
    EXPECT_FALSE(CopyFaceName(field, "宋体宋体宋体宋体宋体宋体宋体宋体宋体"));
    EXPECT_EQ(CString("宋体宋体宋体宋体宋体宋体宋体宋"), CString(field)) << "15 characters, 30 bytes";
    EXPECT_FALSE(CopyFaceName(field, "a宋体宋体宋体宋体宋体宋体宋体宋体"));
    EXPECT_EQ(CString("a宋体宋体宋体宋体宋体宋体宋体宋"), CString(field)) << "31 bytes";
    EXPECT_TRUE(CopyFaceName(field, "Liberation Sans"));
    EXPECT_STREQ("Liberation Sans", field);
}
