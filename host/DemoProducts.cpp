// The print-product settings in the demo host: the card template size, the calendar's look, and
// the picture check against a standard picture, which the host itself performs (PictureCheck.h).
// What the user set is kept in the host's profile, one section per dialog.
#include "DemoHost.h"
#include "PictureCheck.h"
#include "kxcomdlgres.h"
#include "products/CaleSetDlg.h"
#include "products/DlgCardSet.h"
#include "products/DlgFilter.h"
#include <Geometry.h>
#include <KXDiskFile.h>
#include <StringEx.h>
#include <kxraii.h>
#include <commctrl.h>
#include <cstdio>
#include <string>

namespace {

const char kPopup[] = "打印产品(&P)";
const char kCardSection[] = "CardSet";
const char kCalendarSection[] = "Calendar";
const char kCheckSection[] = "ImageCheck";

// ---- the settings files beside the host ------------------------------------------------------

std::string ReadBytes(const char* path)
{
    std::string bytes;
    kx::unique_hfile file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > (1 << 20))
        return bytes;
    bytes.resize((size_t)size.QuadPart);
    DWORD got = 0;
    if (!bytes.empty() && (!::ReadFile(file.get(), &bytes[0], (DWORD)bytes.size(), &got, nullptr) || got != bytes.size()))
        bytes.clear();
    return bytes;
}

// The sample is UTF-8; the dialogs read their files in the system's code page, so it is written
// in that one.
bool InstallSample(const char* sample, const char* target)
{
    const std::string utf8 = ReadBytes(GetFileBesideExecutable(sample));
    if (utf8.empty())
        return false;
    std::wstring wide(utf8.size(), L'\0');
    wide.resize((size_t)::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), &wide[0], (int)wide.size()));
    std::string ansi((size_t)::WideCharToMultiByte(CP_ACP, 0, wide.data(), (int)wide.size(), nullptr, 0, nullptr, nullptr), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), (int)wide.size(), &ansi[0], (int)ansi.size(), nullptr, nullptr);
    kx::unique_hfile file(::CreateFileA(GetFileBesideExecutable(target), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), ansi.data(), (DWORD)ansi.size(), &written, nullptr) && written == ansi.size();
}

// A first run gets the sample paper and screen sizes; files already there are the user's.
void InstallSizeLists()
{
    ::CreateDirectoryA(GetFileBesideExecutable("profile"), nullptr);
    InstallSample("products-samples\\data.cfg", "data.cfg");
    InstallSample("products-samples\\datasys.cfg", "datasys.cfg");
    InstallSample("products-samples\\lcd_system.ini", "profile\\lcd_system.ini");
}

// ---- the profile -----------------------------------------------------------------------------

int ProfileInt(const char* section, const char* key, int def) { return (int)AfxGetApp()->GetProfileInt(section, key, def); }
void WriteInt(const char* section, const char* key, int value) { AfxGetApp()->WriteProfileInt(section, key, value); }
double ProfileDouble(const char* section, const char* key, double def)
{
    const CString text = AfxGetApp()->GetProfileString(section, key, "");
    return text.IsEmpty() ? def : CStringEx(text).Double();
}
void WriteDouble(const char* section, const char* key, double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", value);
    AfxGetApp()->WriteProfileString(section, key, text);
}

// ---- card template ---------------------------------------------------------------------------

void RunCardSet(CMainFrame& frame)
{
    InstallSizeLists();
    CDlgCardSet dlg(&frame);
    dlg.m_nUnit = ProfileInt(kCardSection, "unit", CDlgCardSet::unitCentimetre);
    dlg.m_nStdSize = ProfileInt(kCardSection, "stdsize", 0);
    dlg.m_nDirection = ProfileInt(kCardSection, "direction", CDlgCardSet::directionPortrait);
    dlg.m_dWidth = ProfileDouble(kCardSection, "width", 9.0);
    dlg.m_dHeight = ProfileDouble(kCardSection, "height", 5.4);
    dlg.m_dResolution = ProfileDouble(kCardSection, "resolution", 300.0);
    dlg.m_nResUnit = ProfileInt(kCardSection, "resunit", 0);
    if (dlg.DoModal() != IDOK)
        return;
    WriteInt(kCardSection, "unit", dlg.m_nUnit);
    WriteInt(kCardSection, "stdsize", dlg.m_nStdSize);
    WriteInt(kCardSection, "direction", dlg.m_nDirection);
    WriteDouble(kCardSection, "width", dlg.m_dWidth);
    WriteDouble(kCardSection, "height", dlg.m_dHeight);
    WriteDouble(kCardSection, "resolution", dlg.m_dResolution);
    WriteInt(kCardSection, "resunit", dlg.m_nResUnit);

    static const char* const units[] = { "英寸", "厘米", "像素" };
    const int unit = dlg.m_nUnit >= 0 && dlg.m_nUnit <= 2 ? dlg.m_nUnit : 0;
    // The page in pixels, as the template will be printed.
    const double perUnit = unit == CDlgCardSet::unitInch ? dlg.m_dResolution
                         : unit == CDlgCardSet::unitCentimetre ? dlg.m_dResolution / 2.54 : 1.0;
    CString status;
    status.Format("模版: %.4g x %.4g %s, %s, %.0f 像素/英寸 (%d x %d 像素)", dlg.m_dWidth, dlg.m_dHeight, units[unit],
                  dlg.m_nDirection == CDlgCardSet::directionLandscape ? "横向" : "纵向", dlg.m_dResolution,
                  Round(dlg.m_dWidth * perUnit), Round(dlg.m_dHeight * perUnit));
    frame.SetStatus(status);
}

// ---- calendar --------------------------------------------------------------------------------

// One of the calendar's four fonts as the profile keeps it.
struct CalendarFont
{
    const char* key;
    CFontComboBox CCaleSetDlg::*face;
    double CCaleSetDlg::*size;
    int CCaleSetDlg::*bold;
    int CCaleSetDlg::*italic;
    int CCaleSetDlg::*underline;
    const char* defaultFace;
    double defaultSize;
};

const CalendarFont kCalendarFonts[] = {
    { "week", &CCaleSetDlg::m_ctlWeekFace, &CCaleSetDlg::m_dWeekSize, &CCaleSetDlg::m_bWeekBold,
      &CCaleSetDlg::m_bWeekItalic, &CCaleSetDlg::m_bWeekUnderline, "宋体", 12 },
    { "month", &CCaleSetDlg::m_ctlMonthFace, &CCaleSetDlg::m_dMonthSize, &CCaleSetDlg::m_bMonthBold,
      &CCaleSetDlg::m_bMonthItalic, &CCaleSetDlg::m_bMonthUnderline, "宋体", 36 },
    { "date", &CCaleSetDlg::m_ctlDateFace, &CCaleSetDlg::m_dDateSize, &CCaleSetDlg::m_bDateBold,
      &CCaleSetDlg::m_bDateItalic, &CCaleSetDlg::m_bDateUnderline, "DejaVu Sans", 20 },
    { "lunar", &CCaleSetDlg::m_ctlLunarFace, &CCaleSetDlg::m_dLunarSize, &CCaleSetDlg::m_bLunarBold,
      &CCaleSetDlg::m_bLunarItalic, &CCaleSetDlg::m_bLunarUnderline, "宋体", 8 },
};

CString Key(const char* font, const char* what) { return CString(font) + "_" + what; }

void RunCalendar(CMainFrame& frame)
{
    CWinApp* app = AfxGetApp();
    CCaleSetDlg dlg(&frame);
    dlg.m_nYear = (UINT)ProfileInt(kCalendarSection, "year", 0);
    dlg.m_nMonth = (UINT)ProfileInt(kCalendarSection, "month", 0);
    dlg.m_bShowMonth = ProfileInt(kCalendarSection, "showmonth", 1);
    dlg.m_bShowLunar = ProfileInt(kCalendarSection, "showlunar", 1);
    dlg.m_bTransparent = ProfileInt(kCalendarSection, "transparent", 0);
    dlg.m_nWeekFormat = ProfileInt(kCalendarSection, "weekformat", CCaleSetDlg::weekChinese);
    dlg.m_crBack = (COLORREF)ProfileInt(kCalendarSection, "backcolor", RGB(255, 255, 255));
    dlg.m_crHoliday = (COLORREF)ProfileInt(kCalendarSection, "holidaycolor", RGB(220, 0, 0));
    dlg.m_crNotHoliday = (COLORREF)ProfileInt(kCalendarSection, "daycolor", RGB(0, 0, 0));
    for (const CalendarFont& f : kCalendarFonts) {
        (dlg.*f.face).SetCurrentName(app->GetProfileString(kCalendarSection, Key(f.key, "face"), f.defaultFace));
        dlg.*f.size = ProfileDouble(kCalendarSection, Key(f.key, "size"), f.defaultSize);
        dlg.*f.bold = ProfileInt(kCalendarSection, Key(f.key, "bold"), 0);
        dlg.*f.italic = ProfileInt(kCalendarSection, Key(f.key, "italic"), 0);
        dlg.*f.underline = ProfileInt(kCalendarSection, Key(f.key, "underline"), 0);
    }
    if (dlg.DoModal() != IDOK)
        return;
    WriteInt(kCalendarSection, "year", (int)dlg.m_nYear);
    WriteInt(kCalendarSection, "month", (int)dlg.m_nMonth);
    WriteInt(kCalendarSection, "showmonth", dlg.m_bShowMonth);
    WriteInt(kCalendarSection, "showlunar", dlg.m_bShowLunar);
    WriteInt(kCalendarSection, "transparent", dlg.m_bTransparent);
    WriteInt(kCalendarSection, "weekformat", dlg.m_nWeekFormat);
    WriteInt(kCalendarSection, "backcolor", (int)dlg.m_crBack);
    WriteInt(kCalendarSection, "holidaycolor", (int)dlg.m_crHoliday);
    WriteInt(kCalendarSection, "daycolor", (int)dlg.m_crNotHoliday);
    for (const CalendarFont& f : kCalendarFonts) {
        app->WriteProfileString(kCalendarSection, Key(f.key, "face"), (dlg.*f.face).GetCurrentName());
        WriteDouble(kCalendarSection, Key(f.key, "size"), dlg.*f.size);
        WriteInt(kCalendarSection, Key(f.key, "bold"), dlg.*f.bold);
        WriteInt(kCalendarSection, Key(f.key, "italic"), dlg.*f.italic);
        WriteInt(kCalendarSection, Key(f.key, "underline"), dlg.*f.underline);
    }
    CString status;
    status.Format("日历: %u 年 %u 月, 日期字体 %s %.4g 磅, 背景 #%06X", dlg.m_nYear, dlg.m_nMonth,
                  (const char*)dlg.m_ctlDateFace.GetCurrentName(), dlg.m_dDateSize, (unsigned)dlg.m_crBack);
    frame.SetStatus(status);
}

// ---- picture check ---------------------------------------------------------------------------

// Each setting of the check: its key in the profile, where the host keeps it and which field of
// the settings dialog edits it.
struct CheckSetting
{
    const char* key;
    int CPictureCheckSettings::*setting;
    int CDlgFilterSysset::*field;
};

const CheckSetting kCheckSettings[] = {
    { "overall", &CPictureCheckSettings::bOverall, &CDlgFilterSysset::m_bOverall },
    { "color", &CPictureCheckSettings::bColor, &CDlgFilterSysset::m_bColor },
    { "bright", &CPictureCheckSettings::bBright, &CDlgFilterSysset::m_bBright },
    { "contrast", &CPictureCheckSettings::bContrast, &CDlgFilterSysset::m_bContrast },
    { "back", &CPictureCheckSettings::bBack, &CDlgFilterSysset::m_bBack },
    { "head", &CPictureCheckSettings::bHead, &CDlgFilterSysset::m_bHead },
    { "final_limit", &CPictureCheckSettings::nFinalLimit, &CDlgFilterSysset::m_nFinalLimit },
    { "overall_limit", &CPictureCheckSettings::nOverallLimit, &CDlgFilterSysset::m_nOverallLimit },
    { "color_limit", &CPictureCheckSettings::nColorLimit, &CDlgFilterSysset::m_nColorLimit },
    { "bright_limit", &CPictureCheckSettings::nBrightLimit, &CDlgFilterSysset::m_nBrightLimit },
    { "contrast_limit", &CPictureCheckSettings::nContrastLimit, &CDlgFilterSysset::m_nContrastLimit },
    { "back_limit", &CPictureCheckSettings::nBackLimit, &CDlgFilterSysset::m_nBackLimit },
    { "head_limit", &CPictureCheckSettings::nHeadLimit, &CDlgFilterSysset::m_nHeadLimit },
};

CPictureCheckSettings LoadCheckSettings()
{
    CPictureCheckSettings s;
    s.strStandard = AfxGetApp()->GetProfileString(kCheckSection, "standard", "");
    for (const CheckSetting& c : kCheckSettings)
        s.*c.setting = ProfileInt(kCheckSection, c.key, s.*c.setting);
    return s;
}

void RunCheckSettings(CMainFrame& frame)
{
    const CPictureCheckSettings s = LoadCheckSettings();
    CDlgFilterSysset dlg(&frame);
    dlg.m_strStdPic = s.strStandard;
    for (const CheckSetting& c : kCheckSettings)
        dlg.*c.field = s.*c.setting;
    if (dlg.DoModal() != IDOK)
        return;
    AfxGetApp()->WriteProfileString(kCheckSection, "standard", dlg.m_strStdPic);
    for (const CheckSetting& c : kCheckSettings)
        WriteInt(kCheckSection, c.key, dlg.*c.field);
    frame.SetStatus("图像检测: 标准图 " + dlg.m_strStdPic);
}

// The standard picture, reduced: the check works on a small grid, so a photograph never needs
// decoding in full.
bool LoadStandard(const CPictureCheckSettings& s, CDib& standard, CMainFrame& frame)
{
    if (s.strStandard.IsEmpty()) {
        frame.SetStatus("图像检测: 请先在“图像检测设置”中设置标准图");
        return false;
    }
    if (standard.LoadFitted(s.strStandard, 1024, 1024) != 1) {
        frame.SetStatus("图像检测: 无法读取标准图 " + s.strStandard);
        return false;
    }
    return true;
}

void RunCheck(CMainFrame& frame)
{
    const CPictureCheckSettings s = LoadCheckSettings();
    CDib standard;
    if (!LoadStandard(s, standard, frame))
        return;
    if (!frame.Picture().IsValid()) {
        frame.SetStatus("图像检测: 没有要检测的图像");
        return;
    }
    CPictureCheckResult r;
    {
        CWaitCursor wait;
        CheckPicture(standard, frame.Picture(), s, r);
    }
    CDlgFilterDetail dlg(&frame);
    dlg.m_strStdPic = s.strStandard;
    dlg.m_pTestDib = &frame.Picture();
    dlg.m_dResult = r.result;
    dlg.m_dOverall = r.value[checkOverall];
    dlg.m_dColor = r.value[checkColor];
    dlg.m_dBright = r.value[checkBright];
    dlg.m_dContrast = r.value[checkContrast];
    dlg.m_dBack = r.value[checkBack];
    dlg.m_dHead = r.value[checkHead];
    dlg.m_strColor = r.strColor;
    dlg.m_strBright = r.strBright;
    dlg.m_strContrast = r.strContrast;
    dlg.m_strBack = r.strBack;
    dlg.m_strHead = r.strHead;
    dlg.m_strConsist = r.strConsist;
    dlg.DoModal();
    CString name = frame.SelectedPath();
    name = name.Mid(name.ReverseFind('\\') + 1);
    frame.SetStatus("图像检测 " + name + ": " + r.strConsist);
}


// Test pictures made from the standard, each to fail one check, shown as the host's folder.
void RunMakeSamples(CMainFrame& frame)
{
    const CPictureCheckSettings s = LoadCheckSettings();
    CDib standard;
    if (!LoadStandard(s, standard, frame))
        return;
    const CString folder = DemoMakeOutputFolder("check");
    int made = 0;
    {
        CWaitCursor wait;
        for (int k = 0; k < sampleCount; ++k) {
            CDib sample;
            if (MakeCheckSample(standard, (CheckSample)k, sample)
                && sample.Save(folder + "\\" + CheckSampleName((CheckSample)k), KXFMT_PNG, 24) == 1)
                ++made;
        }
    }
    frame.OpenFolder(folder);
    CString status;
    status.Format("图像检测: %d 张样图已写入 %s", made, (const char*)folder);
    frame.SetStatus(status);
}

// ---- the tour --------------------------------------------------------------------------------

// Selects a picture of the host's list as a click on its thumbnail does.
void SelectThumb(HWND hMain, int index)
{
    if (auto* frame = static_cast<CMainFrame*>(CWnd::FromHandlePermanent(hMain)))
        frame->Thumbs().SetItemState(index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

const CDemoRegistration registration(kDemoOrderProducts, [](CDemoBuilder& demo) {
    const UINT card = demo.AddCommand(kPopup, "设置模版", RunCardSet);
    const UINT calendar = demo.AddCommand(kPopup, "设置日历信息", RunCalendar);
    demo.AddSeparator(kPopup);
    const UINT settings = demo.AddCommand(kPopup, "图像检测设置", RunCheckSettings);
    const UINT check = demo.AddCommand(kPopup, "图像检测", RunCheck);
    const UINT samples = demo.AddCommand(kPopup, "制作检测样图", RunMakeSamples);

    auto select = [](HWND h, int id, int index) {
        ::SendDlgItemMessageA(h, id, CB_SETCURSEL, (WPARAM)index, 0);
        ::SendMessageA(h, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)::GetDlgItem(h, id));
    };
    // An A4 page turned to landscape, then a screen size.
    demo.AddTour(card, {
        { "设置模版", "", [select](HWND h) {
              select(h, IDC_CARD_STDSIZE, 2);
              PostClick(h, IDC_CARD_LANDSCAPE);
          } },
        { "设置模版", "10015-card-template", [](HWND h) {
              ::SetFocus(::GetDlgItem(h, IDC_CARD_STDSIZE));
              ::SendDlgItemMessageA(h, IDC_CARD_STDSIZE, CB_SHOWDROPDOWN, TRUE, 0);
          } },
        { "设置模版", "10015-card-sizes", [select](HWND h) {
              ::SendDlgItemMessageA(h, IDC_CARD_STDSIZE, CB_SHOWDROPDOWN, FALSE, 0);
              select(h, IDC_CARD_STDSIZE, 0);
              select(h, IDC_CARD_UNIT, 0);
              PostClick(h, IDOK);
          } },
    });
    demo.AddTour(0, { { kDemoMainCaption, "host-after-card-template", nullptr } });

    demo.AddTour(calendar, {
        { "设置日历信息", "", [](HWND h) {
              TypeText(h, IDC_CALE_YEAR, "2025");
              TypeText(h, IDC_CALE_MONTH, "2");
              PostClick(h, IDC_CALE_HOLIDAY);
          } },
        { "颜色", "calendar-holiday-color", [](HWND h) { PostClick(h, IDOK); } },
        { "设置日历信息", "10002-calendar", [](HWND h) { PostClick(h, IDOK); } },
    });

    const CString standard = DemoFullPath(DemoExecutableFolder() + "..\\samples\\astronaut.png");
    demo.AddTour(settings, {
        { "图像检测设置", "", [](HWND h) { PostClick(h, IDC_FILTER_SET_STD); } },
        { "选择标准图", "", [standard](HWND h) { ChooseFile(h, standard); } },
        { "图像检测设置", "10021-check-settings", [](HWND h) { PostClick(h, IDOK); } },
    });
    // The shown picture, as the earlier dialogs of the tour left it, against the standard.
    demo.AddTour(check, { { "检测结果", "10022-check-results", [](HWND h) { PostClick(h, IDOK); } } });
    demo.AddTour(samples, {});
    for (int k = 0; k < sampleCount; ++k) {
        demo.AddTour(0, { { kDemoMainCaption, "", [k](HWND h) { SelectThumb(h, k); } } });
        char shot[64];
        std::snprintf(shot, sizeof shot, "10022-check-sample-%d", k + 1);
        demo.AddTour(check, { { "检测结果", shot, [](HWND h) { PostClick(h, IDOK); } } });
    }
    demo.AddTour(0, { { kDemoMainCaption, "host-after-check", [](HWND h) {
                            if (auto* frame = static_cast<CMainFrame*>(CWnd::FromHandlePermanent(h)))
                                frame->OpenFolder(DemoFullPath(DemoExecutableFolder() + "..\\samples"));
                        } } });
});

} // namespace
