// The colour adjustment values of the adjustment dialogs, the fixed sequence of image operations
// that applies them, and the named profiles of them kept in adjust.cfg.
//
// How to use it:
//   1) fill a CAdjustValues (its constructor gives the neutral values);
//   2) values.Apply(dib) adjusts a picture in place: the preview's view-sized copy, or the full
//      picture when the user confirms or saves;
//   3) CAdjustProfileStore store(CAdjustProfileStore::DefaultPath()); store.Save("Warm", values);
//      store.Load("Warm", values) reads it back. Every call opens the file anew, so two dialogs
//      on one file always see each other's profiles.
#pragma once
#include "module/kxcomdlglib.h"

class CDib;

// Number of hue channels of the per-hue saturation: 0 all colours, then R, G, B, Y, C, M.
const int KX_HUE_CHANNELS = 7;

// The ranges of the values, as the dialogs' sliders and spin buttons show them.
const int KX_AMOUNT_MAX = 100;      // balances, brightness, contrast, saturation: -100..100
const UINT KX_GAMMA_MIN = 1;        // gamma in hundredths
const UINT KX_GAMMA_MAX = 1000;
const UINT KX_LEVEL_MAX = 255;      // output levels 0..255
const int KX_SHARP_MAX = 100;       // sharpening 0..100

struct KXCOMDLG_API CAdjustValues
{
    CAdjustValues();

    BOOL m_bToGray;         // grey conversion
    UINT m_nGamma;          // hundredths, 100 = 1.0
    UINT m_nOutHigh;        // output level range, 0..255
    UINT m_nOutLow;
    int m_nSharp;           // 0..100
    int m_nRed;             // colour balance, -100..100 each
    int m_nGreen;
    int m_nBlue;
    int m_nBright;          // -100..100
    int m_nContrast;        // -100..100
    int m_nSaturation;      // the saturation slider's amount, for the selected hue channel
    int m_nHueChannel;      // index into m_nHueSat, 0..6
    int m_nHueSat[KX_HUE_CHANNELS];   // saturation amount of each hue channel

    // The selected channel, 0 (all) when the index is outside the table.
    int SelectedChannel() const;
    // The saturation amount becomes the selected channel's table entry.
    void StoreSaturation() { m_nHueSat[SelectedChannel()] = m_nSaturation; }

    // The values brought into their ranges: what a hand-edited profile or a typed text holds
    // may be anything, and the picture operations multiply it.
    CAdjustValues Limited() const;

    // Applies the values to the picture in place, in the one order every dialog uses. Also
    // stores the saturation amount into the selected channel's table entry, which is how the
    // amount reaches a saved profile. The operations get the values Limited(); those whose
    // value is neutral are not run, so neutral values leave the picture bit for bit.
    void Apply(CDib& dib);
};

// The profiles of adjust.cfg: one INI section per profile name.
class KXCOMDLG_API CAdjustProfileStore
{
public:
    explicit CAdjustProfileStore(const char* pszPath) : m_strPath(pszPath) {}

    // adjust.cfg in the folder of the process's executable (the host, not this library).
    static CString DefaultPath();
    const CString& GetPath() const { return m_strPath; }

    // Whether a profile of this name can be saved and found again under it: a name is a section
    // of the file, which loses blanks at either end of it.
    static BOOL IsValidName(const char* pszName);
    // Profile names in the order the file holds them.
    void GetNames(CStringArray& names) const;
    BOOL Exists(const char* pszName) const;
    // Reads the profile into values; FALSE (values unchanged) when there is none of that name.
    // Missing keys take the neutral values, values outside their ranges the nearest end; the
    // saturation amount becomes the selected channel's table entry.
    BOOL Load(const char* pszName, CAdjustValues& values) const;
    // Writes (or replaces) the profile; FALSE for a name that is empty or not IsValidName,
    // which writes nothing.
    BOOL Save(const char* pszName, const CAdjustValues& values) const;
    void Remove(const char* pszName) const;

private:
    CString m_strPath;
};
