#include "PictCatalog.h"
#include <KXDiskFile.h>
#include <StringEx.h>
#include <algorithm>

namespace {
const char kConfig[] = "PictConfig";

int ClampCount(int n) { return std::min(std::max(n, 0), CPictCatalog::kMaxEntries); }
} // namespace

const CPictCatalog::ColorMode CPictCatalog::s_colorModes[8] = {
    { 0x1, "24-bit RGB", 24 },
    { 0x10, "32-bit RGB", 32 },
    { 0x100, "48-bit RGB", 48 },
    { 0x1000, "64-bit RGB", 64 },
    { 0x10000, "24-bit CMYK", 24 },
    { 0x100000, "32-bit CMYK", 32 },
    { 0x1000000, "48-bit CMYK", 48 },
    { 0x10000000, "64-bit CMYK", 64 },
};

const CPictCatalog::ColorMode* CPictCatalog::FindColorMode(const char* pszText)
{
    for (const ColorMode& mode : s_colorModes)
        if (pszText && strcmp(mode.pszText, pszText) == 0)
            return &mode;
    return nullptr;
}

CPictCatalog::CPictCatalog() : m_file(CIniStdioFile::modeWriteThrough) {}

CString CPictCatalog::DefaultPath() { return GetFileBesideExecutable("filpict.cfg"); }

BOOL CPictCatalog::Open(const char* pszPath) { return m_file.Open(pszPath, 1, 1, 1, 0); }

CString CPictCatalog::TypeSection(int nType)
{
    CString s;
    s.Format("PictType%d", nType + 1);
    return s;
}

CString CPictCatalog::FormatSection(int nFormat)
{
    CString s;
    s.Format("FMT_CL_%d", nFormat);
    return s;
}

int CPictCatalog::GetInt(const char* pszSection, const char* pszKey, const char* pszDefault) const
{
    return CStringEx(m_file.GetValue(pszSection, pszKey, pszDefault)).Int();
}

void CPictCatalog::SetInt(const char* pszSection, const char* pszKey, int nValue)
{
    CString text;
    text.Format("%d", nValue);
    m_file.SetValue(pszSection, pszKey, text);
}

int CPictCatalog::GetTypeCount() const { return ClampCount(GetInt(kConfig, "suportnum", "0")); }

CString CPictCatalog::GetTypeName(int nType) const { return m_file.GetValue(TypeSection(nType), "type", "no value"); }

int CPictCatalog::GetDefaultType() const { return GetInt(kConfig, "default", "0"); }

void CPictCatalog::SetDefaultType(int nType) { SetInt(kConfig, "default", nType); }

int CPictCatalog::GetSubCount(int nType) const { return ClampCount(GetInt(TypeSection(nType), "subnum", "0")); }

CString CPictCatalog::GetSubName(int nType, int nSub) const
{
    CString key;
    key.Format("subtype%d", nSub + 1);
    return m_file.GetValue(TypeSection(nType), key, "no value");
}

int CPictCatalog::GetDefaultSub(int nType) const { return GetInt(TypeSection(nType), "defsub", "-1"); }

BOOL CPictCatalog::HasQuality(int nType) const
{
    return CStringEx(m_file.GetValue(TypeSection(nType), "qfactor", "0")).Bool() ? TRUE : FALSE;
}

int CPictCatalog::GetQualityMin(int nType) const { return GetInt(TypeSection(nType), "qmin", "0"); }
int CPictCatalog::GetQualityMax(int nType) const { return GetInt(TypeSection(nType), "qmax", "0"); }
int CPictCatalog::GetDefaultQuality(int nType) const { return GetInt(TypeSection(nType), "defaultq", "0"); }

void CPictCatalog::SetDefaultQuality(int nType, int nQuality) { SetInt(TypeSection(nType), "defaultq", nQuality); }

CString CPictCatalog::GetTypeExt(int nType, const char* pszDefault) const
{
    return m_file.GetValue(TypeSection(nType), "typeext", pszDefault);
}

int CPictCatalog::GetFormat(int nType) const { return GetInt(TypeSection(nType), "format", "10"); }

int CPictCatalog::GetSubFormat(int nType, int nSub) const
{
    CString key;
    key.Format("subfmt%d", nSub + 1);
    return GetInt(TypeSection(nType), key, "10");
}

int CPictCatalog::GetColorModes(int nFormat, const ColorMode* modes[kColorModeCount], bool& bListed) const
{
    const CString section = FormatSection(nFormat);
    bListed = GetInt(section, "suportnum", "0") != 0;
    if (!bListed) {
        modes[0] = &s_colorModes[0];
        return 1;
    }
    const UINT offered = (UINT)GetInt(section, "mode_val", "1");
    int n = 0;
    for (const ColorMode& mode : s_colorModes)
        if (offered & mode.nValue)
            modes[n++] = &mode;
    return n;
}

int CPictCatalog::GetDefaultColorMode(int nFormat) const { return GetInt(FormatSection(nFormat), "default", "0"); }

void CPictCatalog::SetDefaultColorMode(int nFormat, int nIndex) { SetInt(FormatSection(nFormat), "default", nIndex); }
