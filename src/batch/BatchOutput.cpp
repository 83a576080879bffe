#include "BatchOutput.h"
#include "common/FolderDialog.h"
#include "module/KxDialog.h"
#include "kxcomdlgres.h"
#include <Dib.h>
#include <KXDiskFile.h>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const CBatchOutputType kTypes[] = {
    { ".jpg", KXFMT_JPEG, 24 },
    { ".bmp", KXFMT_BMP, 24 },
    { ".tif", KXFMT_TIFF, 24 },
    { ".bmp", KXFMT_BMP, 32 },
    { ".tif", KXFMT_TIFF, 32 },
};

const char kSection[] = "Settings";
// The timer that ends the caption's flash after a save, on the dialog's own window.
const UINT_PTR kFlashTimer = 0x4B58;
const UINT kFlashMs = 250;
// Characters a file name cannot hold; a name with a separator would also write outside the
// output folder.
const char kBadNameChars[] = "\\/:*?\"<>|";

// Length in characters as the system counts them for its path limit.
int PathLength(const char* path)
{
    return ::MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0) - 1;
}

// Two spellings of one file: letter case, "." and ".." do not matter.
bool SameFile(const char* a, const char* b)
{
    char fullA[MAX_PATH * 2], fullB[MAX_PATH * 2];
    const DWORD na = ::GetFullPathNameA(a, sizeof fullA, fullA, nullptr);
    const DWORD nb = ::GetFullPathNameA(b, sizeof fullB, fullB, nullptr);
    if (na && na < sizeof fullA && nb && nb < sizeof fullB)
        return ::lstrcmpiA(fullA, fullB) == 0;
    return ::lstrcmpiA(a, b) == 0;
}

void Message(UINT nID, UINT nType = MB_OK)
{
    AfxMessageBox(nID, nType);
}

void MessageWithPath(UINT nID, const char* path)
{
    CString format, text;
    format.LoadString(nID);
    text.Format(format, path);
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}

} // namespace

CBatchOutput::CBatchOutput(const CBatchOutputStyle& style)
    : m_bAutoNumber(TRUE), m_nType(2), m_nDpi(250), m_style(style)
{
}

void CBatchOutput::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_BATCH_NAME, m_strName);
    DDX_Check(pDX, IDC_BATCH_AUTONUMBER, m_bAutoNumber);
    DDX_Text(pDX, IDC_BATCH_FOLDER, m_strFolder);
    DDX_CBIndex(pDX, IDC_BATCH_TYPE, m_nType);
    DDX_Text(pDX, IDC_BATCH_DPI, m_nDpi);
    DDX_Text(pDX, IDC_BATCH_NEXT_PATH, m_strNextPath);
}

CString CBatchOutput::Key(const char* pszName) const
{
    CString key;
    key.Format("%s %s", m_style.pszKeyPrefix, pszName);
    return key;
}

void CBatchOutput::Load(const char* pszSourcePath)
{
    m_strName = CHostProfile::GetString(kSection, Key("filename"), "");
    m_bAutoNumber = CHostProfile::GetInt(kSection, Key("addtail"), 1) != 0;
    m_strFolder = CHostProfile::GetString(kSection, Key("dirname"), "");
    m_nType = (int)CHostProfile::GetInt(kSection, Key("filetype"), 2);
    m_nDpi = (int)CHostProfile::GetInt(kSection, Key("DPI"), 250);
    // A hand-edited type outside the table shows as no selection, as the list would.
    if (!GetType(m_nType))
        m_nType = -1;
    if (!m_bAutoNumber)
        m_strName = TitleOf(pszSourcePath);
}

void CBatchOutput::Store() const
{
    CHostProfile::WriteString(kSection, Key("filename"), m_strName);
    CHostProfile::WriteInt(kSection, Key("addtail"), m_bAutoNumber ? 1 : 0);
    CHostProfile::WriteString(kSection, Key("dirname"), m_strFolder);
    CHostProfile::WriteInt(kSection, Key("filetype"), m_nType);
    CHostProfile::WriteInt(kSection, Key("DPI"), m_nDpi);
}

const CBatchOutputType* CBatchOutput::GetType(int nType)
{
    return nType >= 0 && nType < (int)(sizeof kTypes / sizeof kTypes[0]) ? &kTypes[nType] : nullptr;
}

CString CBatchOutput::GetPathName() const
{
    const CBatchOutputType* type = GetType(m_nType);
    if (m_strFolder.IsEmpty() || m_strName.IsEmpty() || !type)
        return CString();
    CString path;
    path.Format("%s%s%s", (const char*)m_strFolder, (const char*)m_strName, type->pszExtension);
    return path;
}

CString CBatchOutput::NormalizeFolder(const char* pszFolder)
{
    CString folder(pszFolder ? pszFolder : "");
    int end = folder.GetLength();
    while (end > 0 && folder[end - 1] == '\\')
        --end;
    return folder.Left(end) + "\\";
}

CString CBatchOutput::AdvanceName(const char* pszName)
{
    const CString name(pszName ? pszName : "");
    const int length = name.GetLength();
    int start = length;
    // Only the bytes '0' to '9' are digits: no byte of a double-byte character is one.
    while (start > 0 && name[start - 1] >= '0' && name[start - 1] <= '9')
        --start;
    if (start == length)
        return name;
    if (length - start > 6)
        start = length - 6;
    const int width = length - start;
    const long value = std::atol(name.Mid(start)) + 1;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%0*ld", width, value);
    return name.Left(start) + digits;
}

CString CBatchOutput::TitleOf(const char* pszPathName)
{
    return CKXDiskFile(pszPathName).GetTitle();
}

void CBatchOutput::ChooseFolder(CWnd* pDlg)
{
    if (!pDlg->UpdateData(TRUE))
        return;
    CFolderDialog dlg(m_strFolder, pDlg, nullptr);
    dlg.m_strTitle.LoadString(IDS_BATCH_NEED_FOLDER);
    if (!dlg.DoBrowse())
        return;
    m_strFolder = NormalizeFolder(dlg.GetFolder());
    pDlg->UpdateData(FALSE);
}

void CBatchOutput::NumberingSwitched(CWnd* pDlg, const char* pszSourcePath)
{
    if (!pDlg->UpdateData(TRUE))
        return;
    if (m_bAutoNumber)
        m_strNextPath = GetPathName();
    else
        m_strName = TitleOf(pszSourcePath);
    pDlg->UpdateData(FALSE);
}

void CBatchOutput::PictureReached(const char* pszPathName)
{
    if (!m_bAutoNumber)
        m_strName = TitleOf(pszPathName);
}

CBatchOutput::SaveResult CBatchOutput::Save(CWnd* pDlg, CDib* pPicture, const char* pszSourcePath)
{
    if (!pDlg->UpdateData(TRUE))
        return Refused;
    // Stored before the checks, so what was typed is kept even when a check refuses it.
    if (m_style.bStoreBeforeChecks)
        Store();
    if (m_strName.IsEmpty()) {
        Message(IDS_BATCH_NEED_NAME);
        return Refused;
    }
    if (m_strName.FindOneOf(kBadNameChars) >= 0) {
        Message(IDS_BATCH_BAD_NAME);
        return Refused;
    }
    if (m_strFolder.IsEmpty()) {
        Message(IDS_BATCH_NEED_FOLDER);
        return Refused;
    }
    if (!CKXDiskFile::IsFolder(m_strFolder)) {
        if (AfxMessageBox(IDS_BATCH_CREATE_FOLDER, MB_YESNO | MB_ICONINFORMATION) != IDYES)
            return Refused;
        // One level: a missing parent makes the creation fail.
        CString level = NormalizeFolder(m_strFolder);
        level = level.Left(level.GetLength() - 1);
        if (!::CreateDirectoryA(level, nullptr)) {
            Message(IDS_BATCH_CREATE_FAILED);
            return Refused;
        }
    }
    m_strFolder = NormalizeFolder(m_strFolder);
    pDlg->UpdateData(FALSE);
    const CBatchOutputType* type = GetType(m_nType);
    if (!type) {
        Message(IDS_BATCH_NEED_TYPE);
        return Refused;
    }

    CWaitCursor wait;
    if (!pPicture || !pPicture->IsValid()) {
        if (!m_style.bStoreBeforeChecks)
            Store();
        return NothingToSave;
    }
    const CString path = GetPathName();
    if (PathLength(path) >= MAX_PATH) {
        MessageWithPath(IDS_BATCH_PATH_TOO_LONG, path);
        return Refused;
    }
    if (pszSourcePath && *pszSourcePath && SameFile(path, pszSourcePath)) {
        Message(IDS_BATCH_SAME_AS_SOURCE);
        return Refused;
    }
    if (m_nDpi > 0) {
        pPicture->SetXRes(m_nDpi);
        pPicture->SetYRes(m_nDpi);
    }
    // A picture that did not reach the disk is reported, and neither numbered nor announced:
    // the user's work stays on screen for another try.
    if (pPicture->Save(path, type->nFormat, type->nBitsPerPixel, 2) != 1) {
        if (!m_strOwnCaption.IsEmpty())
            pDlg->SetWindowText(m_strOwnCaption);
        ReportSaveFailed(path);
        if (!m_style.bStoreBeforeChecks)
            Store();
        return Failed;
    }
    m_strSavedPath = path;
    if (m_bAutoNumber) {
        m_strName = AdvanceName(m_strName);
        pDlg->UpdateData(FALSE);
    }
    if (!m_style.bStoreBeforeChecks)
        Store();
    return Saved;
}

void CBatchOutput::AnnounceSaved(CWnd* pDlg)
{
    if (m_strOwnCaption.IsEmpty())
        pDlg->GetWindowText(m_strOwnCaption);
    CString format, caption;
    format.LoadString(m_style.nIDSavedCaption);
    caption.Format(format, (const char*)m_strSavedPath);
    pDlg->SetWindowText(caption);
    // One flash: the caption inverted now and given back its own state a moment later, so the
    // dialog the user works in does not go on looking inactive.
    ::FlashWindow(pDlg->m_hWnd, TRUE);
    ::SetTimer(pDlg->m_hWnd, kFlashTimer, kFlashMs, [](HWND hWnd, UINT, UINT_PTR nID, DWORD) {
        ::KillTimer(hWnd, nID);
        ::FlashWindow(hWnd, FALSE);
    });
}

void CBatchOutput::ReportSaveFailed(const char* pszPathName)
{
    MessageWithPath(IDS_BATCH_SAVE_FAILED, pszPathName);
}
