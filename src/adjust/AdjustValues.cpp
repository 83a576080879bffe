#include "AdjustValues.h"
#include <Dib.h>
#include <IniFile.h>
#include <KXDiskFile.h>
#include <algorithm>
#include <cstdio>

CAdjustValues::CAdjustValues()
    : m_bToGray(FALSE), m_nGamma(100), m_nOutHigh(255), m_nOutLow(0), m_nSharp(0), m_nRed(0),
      m_nGreen(0), m_nBlue(0), m_nBright(0), m_nContrast(0), m_nSaturation(0), m_nHueChannel(0)
{
    std::fill(m_nHueSat, m_nHueSat + KX_HUE_CHANNELS, 0);
}

int CAdjustValues::SelectedChannel() const
{
    return m_nHueChannel >= 0 && m_nHueChannel < KX_HUE_CHANNELS ? m_nHueChannel : 0;
}

void CAdjustValues::Apply(CDib& dib)
{
    // A channel index out of range must not reach the table.
    m_nHueChannel = SelectedChannel();

    if (m_nRed != 0 || m_nGreen != 0 || m_nBlue != 0) {
        const double r = m_nRed, g = m_nGreen, b = m_nBlue;
        const tagBALANCING red = { 1.0 + r / 256.0, -r / 512.0, -r / 512.0 };
        const tagBALANCING green = { -g / 512.0, 1.0 + g / 256.0, -g / 512.0 };
        const tagBALANCING blue = { -b / 512.0, -b / 512.0, 1.0 + b / 256.0 };
        dib.BalanceColors(&red, &green, &blue);
    }
    if (m_bToGray)
        dib.GrayScale(100, 8);
    if (m_nBright != 0)
        dib.ChangeBrightness(m_nBright * 10);
    if (m_nContrast != 0)
        dib.ChangeContrast(m_nContrast * 10);

    const bool anyEntry = std::any_of(m_nHueSat, m_nHueSat + KX_HUE_CHANNELS, [](int v) { return v != 0; });
    if (anyEntry || m_nSaturation != 0) {
        const bool anyRange = std::any_of(m_nHueSat + 1, m_nHueSat + KX_HUE_CHANNELS, [](int v) { return v != 0; });
        if (m_nHueChannel != 0 || anyRange) {
            StoreSaturation();
            const int zeros[KX_HUE_CHANNELS] = {};
            dib.ChangeBitmapSaturation(zeros, m_nHueSat, zeros);
        } else {
            m_nHueSat[0] = m_nSaturation;
            dib.ChangeSaturation(m_nSaturation * 10);
        }
    }
    if (m_nGamma != 100)
        dib.ChangeGamma(m_nGamma);
    if (m_nOutLow != 0 || m_nOutHigh != 255)
        dib.RemapLevel(0, 0, 255, (short)m_nOutLow, (short)m_nOutHigh, 1.0);
    if (m_nSharp != 0)
        dib.ChangeSharp(m_nSharp * 10);
}

// ---- profiles ---------------------------------------------------------------------------------

namespace {
CString HueKey(int channel)
{
    char key[16];
    std::snprintf(key, sizeof key, "shue_sat%d", channel);
    return key;
}
} // namespace

CString CAdjustProfileStore::DefaultPath() { return GetFileBesideExecutable("adjust.cfg"); }

void CAdjustProfileStore::GetNames(CStringArray& names) const
{
    names.RemoveAll();
    CIniFile(m_strPath).GetSectionNames(&names);
}

BOOL CAdjustProfileStore::Exists(const char* pszName) const
{
    return CIniFile(m_strPath).IsSectionExist(pszName);
}

BOOL CAdjustProfileStore::Load(const char* pszName, CAdjustValues& v) const
{
    CIniFile ini(m_strPath);
    if (!ini.IsSectionExist(pszName))
        return FALSE;
    v.m_nRed = ini.GetInt(pszName, "red", 0, 10);
    v.m_nGreen = ini.GetInt(pszName, "green", 0, 10);
    v.m_nBlue = ini.GetInt(pszName, "blue", 0, 10);
    v.m_nBright = ini.GetInt(pszName, "bright", 0, 10);
    v.m_nContrast = ini.GetInt(pszName, "contrast", 0, 10);
    v.m_nHueChannel = ini.GetInt(pszName, "satu", 0, 10);
    // satu is an index into the seven channels; a hand-edited value outside them means "all".
    v.m_nHueChannel = v.SelectedChannel();
    v.m_nGamma = (UINT)ini.GetInt(pszName, "gamma", 100, 10);
    v.m_nOutLow = (UINT)ini.GetInt(pszName, "outlow", 0, 10);
    v.m_nOutHigh = (UINT)ini.GetInt(pszName, "outhigh", 255, 10);
    v.m_nSharp = ini.GetInt(pszName, "sharp", 0, 10);
    v.m_bToGray = ini.GetBool(pszName, "togray", FALSE);
    for (int i = 0; i < KX_HUE_CHANNELS; ++i)
        v.m_nHueSat[i] = ini.GetInt(pszName, HueKey(i), 0, 10);
    v.m_nSaturation = v.m_nHueSat[v.m_nHueChannel];
    return TRUE;
}

BOOL CAdjustProfileStore::Save(const char* pszName, const CAdjustValues& v) const
{
    if (!pszName || !*pszName)
        return FALSE;
    CIniFile ini(m_strPath);
    ini.WriteInt(pszName, "red", v.m_nRed, 10);
    ini.WriteInt(pszName, "green", v.m_nGreen, 10);
    ini.WriteInt(pszName, "blue", v.m_nBlue, 10);
    ini.WriteInt(pszName, "bright", v.m_nBright, 10);
    ini.WriteInt(pszName, "contrast", v.m_nContrast, 10);
    ini.WriteInt(pszName, "satu", v.m_nHueChannel, 10);
    ini.WriteInt(pszName, "gamma", (int)v.m_nGamma, 10);
    ini.WriteInt(pszName, "outlow", (int)v.m_nOutLow, 10);
    ini.WriteInt(pszName, "outhigh", (int)v.m_nOutHigh, 10);
    ini.WriteInt(pszName, "sharp", v.m_nSharp, 10);
    ini.WriteBool(pszName, "togray", v.m_bToGray);
    for (int i = 0; i < KX_HUE_CHANNELS; ++i)
        ini.WriteInt(pszName, HueKey(i), v.m_nHueSat[i], 10);
    return TRUE;
}

void CAdjustProfileStore::Remove(const char* pszName) const
{
    CIniFile ini(m_strPath);
    if (ini.IsSectionExist(pszName))
        ini.DeleteSection(pszName);
}
