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

CAdjustValues CAdjustValues::Limited() const
{
    auto amount = [](int v) { return std::clamp(v, -KX_AMOUNT_MAX, KX_AMOUNT_MAX); };
    CAdjustValues v = *this;
    v.m_bToGray = m_bToGray ? TRUE : FALSE;
    v.m_nGamma = std::clamp(m_nGamma, KX_GAMMA_MIN, KX_GAMMA_MAX);
    v.m_nOutHigh = std::min(m_nOutHigh, KX_LEVEL_MAX);
    v.m_nOutLow = std::min(m_nOutLow, KX_LEVEL_MAX);
    v.m_nSharp = std::clamp(m_nSharp, 0, KX_SHARP_MAX);
    v.m_nRed = amount(m_nRed);
    v.m_nGreen = amount(m_nGreen);
    v.m_nBlue = amount(m_nBlue);
    v.m_nBright = amount(m_nBright);
    v.m_nContrast = amount(m_nContrast);
    v.m_nSaturation = amount(m_nSaturation);
    v.m_nHueChannel = SelectedChannel();
    for (int i = 0; i < KX_HUE_CHANNELS; ++i)
        v.m_nHueSat[i] = amount(m_nHueSat[i]);
    return v;
}

void CAdjustValues::Apply(CDib& dib)
{
    // A channel index out of range must not reach the table.
    m_nHueChannel = SelectedChannel();
    // The saturation amount reaches the table first, deciding on the values as they are: the
    // per-hue form when a channel is chosen or some hue already has an amount.
    const bool anyEntry = std::any_of(m_nHueSat, m_nHueSat + KX_HUE_CHANNELS, [](int v) { return v != 0; });
    const bool saturate = anyEntry || m_nSaturation != 0;
    const bool perHue = saturate && (m_nHueChannel != 0 ||
                        std::any_of(m_nHueSat + 1, m_nHueSat + KX_HUE_CHANNELS, [](int v) { return v != 0; }));
    if (perHue)
        StoreSaturation();
    else if (saturate)
        m_nHueSat[0] = m_nSaturation;

    const CAdjustValues v = Limited();
    if (v.m_nRed != 0 || v.m_nGreen != 0 || v.m_nBlue != 0) {
        const double r = v.m_nRed, g = v.m_nGreen, b = v.m_nBlue;
        const tagBALANCING red = { 1.0 + r / 256.0, -r / 512.0, -r / 512.0 };
        const tagBALANCING green = { -g / 512.0, 1.0 + g / 256.0, -g / 512.0 };
        const tagBALANCING blue = { -b / 512.0, -b / 512.0, 1.0 + b / 256.0 };
        dib.BalanceColors(&red, &green, &blue);
    }
    if (v.m_bToGray)
        dib.GrayScale(100, 8);
    if (v.m_nBright != 0)
        dib.ChangeBrightness(v.m_nBright * 10);
    if (v.m_nContrast != 0)
        dib.ChangeContrast(v.m_nContrast * 10);
    if (perHue) {
        const int zeros[KX_HUE_CHANNELS] = {};
        dib.ChangeBitmapSaturation(zeros, v.m_nHueSat, zeros);
    } else if (saturate) {
        dib.ChangeSaturation(v.m_nSaturation * 10);
    }
    if (v.m_nGamma != 100)
        dib.ChangeGamma(v.m_nGamma);
    if (v.m_nOutLow != 0 || v.m_nOutHigh != KX_LEVEL_MAX)
        dib.RemapLevel(0, 0, 255, (short)v.m_nOutLow, (short)v.m_nOutHigh, 1.0);
    if (v.m_nSharp != 0)
        dib.ChangeSharp(v.m_nSharp * 10);
}

// ---- profiles ---------------------------------------------------------------------------------

namespace {
// A negative count in the file is below every range, not a huge unsigned one.
UINT NonNegative(int v) { return v < 0 ? 0u : (UINT)v; }

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
    v.m_nGamma = NonNegative(ini.GetInt(pszName, "gamma", 100, 10));
    v.m_nOutLow = NonNegative(ini.GetInt(pszName, "outlow", 0, 10));
    v.m_nOutHigh = NonNegative(ini.GetInt(pszName, "outhigh", 255, 10));
    v.m_nSharp = ini.GetInt(pszName, "sharp", 0, 10);
    v.m_bToGray = ini.GetBool(pszName, "togray", FALSE);
    for (int i = 0; i < KX_HUE_CHANNELS; ++i)
        v.m_nHueSat[i] = ini.GetInt(pszName, HueKey(i), 0, 10);
    v.m_nSaturation = v.m_nHueSat[v.m_nHueChannel];
    v = v.Limited();
    return TRUE;
}

BOOL CAdjustProfileStore::IsValidName(const char* pszName) { return CIniFile::IsValidSectionName(pszName); }

BOOL CAdjustProfileStore::Save(const char* pszName, const CAdjustValues& v) const
{
    if (!IsValidName(pszName))
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
