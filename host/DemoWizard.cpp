// The host's own dialogs built on the library's bases: a wizard that makes a contact sheet of the
// folder, and the picture information, an expanding dialog.
#include "DemoHost.h"
#include "resource.h"
#include "common/ExpandDialog.h"
#include "common/WizardDialog.h"
#include <Geometry.h>
#include <kxraii.h>
#include <algorithm>
#include <cstring>

namespace {

const char kPopup[] = "通用(&G)";
const char kWizardCaption[] = "制作索引页";
const char kInfoCaption[] = "图片信息";

CString OutputFolder() { return DemoOutputFolder() + "\\"; }

// ---- the contact sheet wizard ------------------------------------------------------------------

// What the wizard asks for.
struct SheetSettings
{
    CString title = "我的照片";
    int columns = 3;
    int cell = 240;          // pixels a picture may take, both ways
    BOOL names = TRUE;
    CString file = "索引页";
};
SheetSettings g_sheet;

// First step: the title. Next stays disabled while it is empty.
class CTitlePage : public CWizardPage
{
public:
    CTitlePage() : CWizardPage(IDD_ALBUM_TITLE) { m_strTitle = "标题"; }

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, IDC_ALBUM_TEXT, g_sheet.title); }
    BOOL OnInitDialog() override
    {
        CWizardPage::OnInitDialog();
        OnChangeText();
        return TRUE;
    }
    void OnChangeText()
    {
        const int status = GetDlgItem(IDC_ALBUM_TEXT)->GetWindowTextLength() > 0;
        if (status != m_nStatus) {
            m_nStatus = status;
            StatusChanged();
        }
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CTitlePage, CWizardPage)
    ON_EN_CHANGE(IDC_ALBUM_TEXT, OnChangeText)
END_MESSAGE_MAP()

class CLayoutPage : public CWizardPage
{
public:
    CLayoutPage() : CWizardPage(IDD_ALBUM_LAYOUT) { m_strTitle = "版式"; }

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_ALBUM_COLUMNS, g_sheet.columns);
        DDV_MinMaxInt(pDX, g_sheet.columns, 2, 8);
        DDX_Text(pDX, IDC_ALBUM_CELL, g_sheet.cell);
        DDV_MinMaxInt(pDX, g_sheet.cell, 100, 600);
        DDX_Check(pDX, IDC_ALBUM_NAMES, g_sheet.names);
    }
};

class CSavePage : public CWizardPage
{
public:
    CSavePage() : CWizardPage(IDD_ALBUM_SAVE) { m_strTitle = "保存"; }

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_ALBUM_FILE, g_sheet.file);
        if (pDX->m_bSaveAndValidate && (g_sheet.file.IsEmpty() || g_sheet.file.FindOneOf("\\/:*?\"<>|") >= 0)) {
            AfxMessageBox("请输入一个文件名 (不含 \\ / : * ? \" < > |)。");
            pDX->Fail();
        }
    }
    BOOL OnInitDialog() override
    {
        CWizardPage::OnInitDialog();
        SetDlgItemText(IDC_ALBUM_FOLDER, OutputFolder());
        return TRUE;
    }
};

class CSheetWizard : public CWizardDialog
{
public:
    explicit CSheetWizard(CWnd* pParent) : CWizardDialog(IDD_ALBUM_WIZARD, pParent)
    {
        m_nPageAreaID = IDC_ALBUM_AREA;
        m_nBackID = IDC_ALBUM_BACK;
        m_nNextID = IDC_ALBUM_NEXT;
    }
};

// The pictures of the list in a grid of cells under the title, each reduced into its cell.
bool MakeSheet(CThumbListCtrl& list, const SheetSettings& s, CDib& sheet)
{
    const int count = list.GetItemCount();
    if (count == 0)
        return false;
    const int gap = s.cell / 12, nameHeight = s.names ? s.cell / 8 : 0, titleHeight = s.cell / 3;
    const int columns = std::min(s.columns, count), rows = (count + s.columns - 1) / s.columns;
    const int width = gap + columns * (s.cell + gap);
    const int height = titleHeight + gap + rows * (s.cell + nameHeight + gap);
    if (!sheet.Create(width, height, 24))
        return false;
    sheet.SetXRes(150);
    sheet.SetYRes(150);

    kx::unique_hdc_window screen;
    kx::dib_section section(screen.get(), width, height, 24);
    kx::unique_hdc dc(::CreateCompatibleDC(screen.get()));
    if (!section || !dc)
        return false;
    void* const bits = section.bits;
    {
        kx::select_object keepBitmap(dc.get(), section.bitmap.get());
        CRect all(0, 0, width, height);
        kx::unique_hbrush paper(::CreateSolidBrush(RGB(250, 248, 240)));
        ::FillRect(dc.get(), &all, paper.get());
        ::SetBkMode(dc.get(), TRANSPARENT);
        LOGFONTA lf{};
        lf.lfHeight = -titleHeight / 2;
        lf.lfWeight = FW_BOLD;
        lf.lfCharSet = DEFAULT_CHARSET;
        lstrcpynA(lf.lfFaceName, "宋体", LF_FACESIZE);
        kx::unique_hfont titleFont(::CreateFontIndirectA(&lf));
        lf.lfHeight = -nameHeight * 2 / 3;
        lf.lfWeight = FW_NORMAL;
        kx::unique_hfont nameFont(::CreateFontIndirectA(&lf));
        {
            kx::select_object keepFont(dc.get(), titleFont.get());
            CRect title(0, 0, width, titleHeight + gap);
            ::SetTextColor(dc.get(), RGB(40, 40, 40));
            ::DrawTextA(dc.get(), s.title, -1, &title, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        }
        kx::select_object keepFont(dc.get(), nameFont.get());
        for (int i = 0; i < count; ++i) {
            const CString path = list.GetItemThumb(i)->m_strPath;
            const int x = gap + (i % s.columns) * (s.cell + gap);
            const int y = titleHeight + gap + (i / s.columns) * (s.cell + nameHeight + gap);
            CDib picture;
            if (picture.LoadFitted(path, s.cell, s.cell) == 1) {
                CRect dest;
                GetProporCenterFitRect(CRect(x, y, x + s.cell, y + s.cell), picture.GetWidth(), picture.GetHeight(), dest);
                picture.Draw(dc.get(), dest);
            }
            if (s.names) {
                CRect name(x, y + s.cell, x + s.cell, y + s.cell + nameHeight);
                const CString file = path.Mid(path.ReverseFind('\\') + 1);
                ::DrawTextA(dc.get(), file, -1, &name, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
            }
        }
        ::GdiFlush();
    }
    // Same row layout on both sides: rows of whole DWORDs, top row first.
    memcpy(sheet.GetBits(), bits, (size_t)sheet.GetStride() * (size_t)height);
    return true;
}

// The page of a running wizard that holds the control.
HWND PageWith(HWND hWizard, int id)
{
    for (HWND page = ::FindWindowExA(hWizard, nullptr, "#32770", nullptr); page; page = ::FindWindowExA(hWizard, page, "#32770", nullptr))
        if (::GetDlgItem(page, id))
            return page;
    return nullptr;
}

void RunSheetWizard(CMainFrame& frame)
{
    CTitlePage title;
    CLayoutPage layout;
    CSavePage save;
    CSheetWizard wizard(&frame);
    wizard.AddPage(&title);
    wizard.AddPage(&layout);
    wizard.AddPage(&save);
    if (wizard.DoModal() != IDOK)
        return;
    CWaitCursor wait;
    CDib sheet;
    const CString path = OutputFolder() + g_sheet.file + ".jpg";
    ::CreateDirectoryA(OutputFolder(), nullptr);
    if (MakeSheet(frame.Thumbs(), g_sheet, sheet) && sheet.Save(path, KXFMT_JPEG, 24, 2) == 1) {
        CString status;
        status.Format("索引页 %d x %d 已保存为 %s", sheet.GetWidth(), sheet.GetHeight(), (const char*)path);
        frame.SetStatus(status);
    } else {
        frame.SetStatus("无法保存索引页 " + path);
    }
}

// ---- picture information -----------------------------------------------------------------------

class CPictureInfoDlg : public CExpandDialog
{
public:
    CPictureInfoDlg(CMainFrame& frame)
        : CExpandDialog(IDD_PICTURE_INFO, IDC_PICINFO_MARKER, IDC_PICINFO_MORE, "详细 >>", "<< 简略", &frame), m_frame(frame)
    {
    }

protected:
    BOOL OnInitDialog() override
    {
        CExpandDialog::OnInitDialog();
        const CString path = m_frame.SelectedPath();
        const CDib* dib = m_frame.SelectedDib();
        SetDlgItemText(IDC_PICINFO_NAME, path.Mid(path.ReverseFind('\\') + 1));
        SetDlgItemText(IDC_PICINFO_PATH, path.Left(path.ReverseFind('\\') + 1));
        CString text;
        if (dib) {
            text.Format("%d x %d 像素, %d 位", dib->GetWidth(), dib->GetHeight(), dib->GetBitsPerPixel());
            SetDlgItemText(IDC_PICINFO_SIZE, text);
            const int dpi = dib->GetXRes() > 0 ? dib->GetXRes() : 96;
            text.Format("%d x %d dpi", dpi, dib->GetYRes() > 0 ? dib->GetYRes() : dpi);
            SetDlgItemText(IDC_PICINFO_DPI, text);
            text.Format("%.1f x %.1f 厘米", dib->GetWidth() * 2.54 / dpi, dib->GetHeight() * 2.54 / dpi);
            SetDlgItemText(IDC_PICINFO_PRINT, text);
        }
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (::GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
            const unsigned long long bytes = ((unsigned long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
            text.Format("%.1f KB (%llu 字节)", bytes / 1024.0, bytes);
            SetDlgItemText(IDC_PICINFO_BYTES, text);
            FILETIME local;
            SYSTEMTIME st;
            ::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
            ::FileTimeToSystemTime(&local, &st);
            text.Format("%04d-%02d-%02d %02d:%02d", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
            SetDlgItemText(IDC_PICINFO_TIME, text);
        }
        m_strKey = path.Mid(path.ReverseFind('\\') + 1);
        SetDlgItemText(IDC_PICINFO_NOTE, AfxGetApp()->GetProfileString("Notes", m_strKey));
        return TRUE;
    }
    void OnOK() override
    {
        // The note is the host's, kept in its profile by file name.
        CString note;
        GetDlgItemText(IDC_PICINFO_NOTE, note);
        if (!m_strKey.IsEmpty())
            AfxGetApp()->WriteProfileString("Notes", m_strKey, note.IsEmpty() ? nullptr : (const char*)note);
        CExpandDialog::OnOK();
    }

private:
    CMainFrame& m_frame;
    CString m_strKey;
};

void RunPictureInfo(CMainFrame& frame)
{
    if (frame.SelectedPath().IsEmpty())
        return;
    CPictureInfoDlg dlg(frame);
    if (dlg.DoModal() == IDOK)
        frame.SetStatus("图片信息已保存");
}

const CDemoRegistration registration(kDemoOrderCommon, [](CDemoBuilder& demo) {
    const UINT wizard = demo.AddCommand(kPopup, "制作索引页 (向导)", RunSheetWizard);
    const UINT info = demo.AddCommand(kPopup, "图片信息", RunPictureInfo);
    // The wizard's title names the page it shows: "制作索引页 - 标题" and so on.
    const auto onPage = [](const char* page) { return CString(kWizardCaption) + " - " + page; };
    demo.AddTour(wizard, {
        { onPage("标题"), "wizard-1-title", [](HWND h) {
              TypeText(PageWith(h, IDC_ALBUM_TEXT), IDC_ALBUM_TEXT, "春天的照片");
              PostClick(h, IDC_ALBUM_NEXT);
          } },
        { onPage("版式"), "wizard-2-layout", [](HWND h) { PostClick(h, IDC_ALBUM_NEXT); } },
        { onPage("保存"), "wizard-3-save", [](HWND h) { PostClick(h, IDC_ALBUM_NEXT); } },
    });
    demo.AddTour(0, { { kDemoMainCaption, "host-after-contact-sheet", nullptr } });
    demo.AddTour(info, {
        { kInfoCaption, "picture-info-reduced", [](HWND h) { PostClick(h, IDC_PICINFO_MORE); } },
        { kInfoCaption, "picture-info-expanded", [](HWND h) { PostClick(h, IDOK); } },
    });
});

} // namespace
