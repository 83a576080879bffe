// The text font dialog in the demo host: a caption set in the dialog is drawn onto the picture.
#include "DemoHost.h"
#include "kxcomdlgres.h"
#include "common/WFontDialog.h"
#include <Geometry.h>
#include <kxraii.h>
#include <algorithm>
#include <cstring>

namespace {

const char kPopup[] = "通用(&G)";
const char kCaption[] = "设置文字及字体";

// The host's caption: what the dialog edits, kept between runs.
struct Caption
{
    CString text = "春天的故事";
    LOGFONTA font = MakeFont();
    float spacing = 0;

    static LOGFONTA MakeFont()
    {
        LOGFONTA lf{};
        lstrcpynA(lf.lfFaceName, "宋体", LF_FACESIZE);
        lf.lfHeight = 360;       // 36 points, in tenths
        lf.lfWeight = 900;       // bold
        lf.lfWidth = 100;        // percent
        return lf;
    }
};
Caption g_caption;

// The font of the host's conventions as GDI draws it on a picture of the given resolution.
kx::unique_hfont CreateCaptionFont(HDC hdc, const LOGFONTA& host, int dpi)
{
    LOGFONTA lf = host;
    lf.lfHeight = -MulDiv(host.lfHeight, dpi, 720);
    lf.lfWeight = host.lfWeight == 100 ? FW_NORMAL : FW_BOLD;
    lf.lfWidth = 0;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = ANTIALIASED_QUALITY;
    kx::unique_hfont font(::CreateFontIndirectA(&lf));
    if (host.lfWidth > 0 && host.lfWidth != 100 && font) {
        // The width in percent of the face's own average width.
        TEXTMETRICA tm{};
        {
            kx::select_object keep(hdc, font.get());
            ::GetTextMetricsA(hdc, &tm);
        }
        lf.lfWidth = MulDiv(tm.tmAveCharWidth, host.lfWidth, 100);
        font.reset(::CreateFontIndirectA(&lf));
    }
    return font;
}

// Draws the caption into the picture's pixels, centred near its bottom, light on a dark shadow.
bool DrawCaption(CDib& picture, const Caption& caption)
{
    if (!picture.IsValid() || caption.text.IsEmpty())
        return false;
    const int w = picture.GetWidth(), h = picture.GetHeight(), bpp = picture.GetBitsPerPixel();
    kx::unique_hdc_window screen;
    kx::dib_section section(screen.get(), w, h, bpp);
    kx::unique_hdc dc(::CreateCompatibleDC(screen.get()));
    if (!section || !dc)
        return false;
    void* const bits = section.bits;
    // Same row layout on both sides: rows of whole DWORDs, top row first.
    const size_t bytes = (size_t)picture.GetStride() * (size_t)h;
    memcpy(bits, picture.GetBits(), bytes);
    {
        const int dpi = picture.GetYRes() > 0 ? picture.GetYRes() : 96;
        kx::select_object keepBitmap(dc.get(), section.bitmap.get());
        kx::unique_hfont font = CreateCaptionFont(dc.get(), caption.font, dpi);
        kx::select_object keepFont(dc.get(), font.get());
        ::SetBkMode(dc.get(), TRANSPARENT);
        ::SetTextCharacterExtra(dc.get(), Round(caption.spacing * dpi / 72.0));
        CRect area(0, 0, w, h);
        area.DeflateRect(w / 20, h / 20);
        CRect measured = area;
        ::DrawTextA(dc.get(), caption.text, -1, &measured, DT_CALCRECT | DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
        area.top = std::max(area.top, area.bottom - measured.Height());
        CRect shadow = area;
        shadow.OffsetRect(2, 2);
        ::SetTextColor(dc.get(), RGB(20, 20, 20));
        ::DrawTextA(dc.get(), caption.text, -1, &shadow, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
        ::SetTextColor(dc.get(), RGB(255, 250, 230));
        ::DrawTextA(dc.get(), caption.text, -1, &area, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
        ::GdiFlush();
    }
    memcpy(picture.GetBits(), bits, bytes);
    return true;
}

void RunTextFont(CMainFrame& frame)
{
    CWFontDialog dlg(&g_caption.font, &frame);
    dlg.m_strContent = g_caption.text;
    dlg.m_fSpacing = g_caption.spacing;
    if (dlg.DoModal() != IDOK)
        return;
    dlg.GetCurrentFont(&g_caption.font);
    g_caption.text = dlg.m_strContent;
    g_caption.spacing = dlg.m_fSpacing;
    CString line = g_caption.text;
    line.Replace("\r\n", " ");
    CString status;
    status.Format("文字: %s, %s %.1f 磅", (const char*)line, g_caption.font.lfFaceName, g_caption.font.lfHeight / 10.0);
    if (DrawCaption(frame.Picture(), g_caption))
        frame.PictureChanged();
    frame.SetStatus(status);
}

const CDemoRegistration registration(kDemoOrderCommon, [](CDemoBuilder& demo) {
    const UINT font = demo.AddCommand(kPopup, "设置文字及字体", RunTextFont);
    demo.AddTour(font, {
        { kCaption, "", [](HWND h) {
              TypeText(h, IDC_WFONT_TEXT, "春天的故事\rSpring");
              TypeText(h, IDC_WFONT_SIZE, "14.5");
          } },
        { kCaption, "10001-text-font", [](HWND h) {
              // The face list open with the mouse over "DejaVu Sans": the tip follows it.
              HWND combo = ::GetDlgItem(h, IDC_WFONT_NAME);
              ::SetFocus(combo);
              ::SendMessageA(combo, WM_KEYDOWN, VK_F4, 0);
              const LRESULT face = ::SendMessageA(combo, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)"DejaVu Sans");
              if (face != CB_ERR)
                  ::SendMessageA(combo, CB_SETCURSEL, (WPARAM)face, 0);
          } },
        { kCaption, "", nullptr },   // the tip comes with the list's next 500 ms tick
        { kCaption, "10001-font-list-tip", [](HWND h) {
              ::SendMessageA(::GetDlgItem(h, IDC_WFONT_NAME), WM_KEYDOWN, VK_RETURN, 0);
              PostClick(h, IDOK);
          } },
    });
    demo.AddTour(0, { { kDemoMainCaption, "host-after-caption", nullptr } });
});

} // namespace
