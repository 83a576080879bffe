#include "DlgAdjustBase.h"
#include "DlgAdjustHelp.h"
#include "DlgAdjustName.h"
#include "outfile/ImgFileDialog.h"
#include "kxcomdlgres.h"
#include <Dib.h>
#include <Geometry.h>
#include <algorithm>

BEGIN_MESSAGE_MAP(CDlgAdjustBase, CKxDialog)
    ON_BN_CLICKED(IDC_ADJ_SET_STD, OnBtnSetstd)
    ON_EN_CHANGE(IDC_ADJ_RED_EDIT, OnChangeLineEdit1)
    ON_EN_CHANGE(IDC_ADJ_GREEN_EDIT, OnChangeLineEdit2)
    ON_EN_CHANGE(IDC_ADJ_BLUE_EDIT, OnChangeLineEdit3)
    ON_EN_CHANGE(IDC_ADJ_BRIGHT_EDIT, OnChangeLineEdit11)
    ON_EN_CHANGE(IDC_ADJ_CONTRAST_EDIT, OnChangeLineEdit22)
    ON_EN_CHANGE(IDC_ADJ_SATU_EDIT, OnChangeLineEdit33)
    ON_EN_CHANGE(IDC_ADJ_GAMMA, OnChangeEdit)
    ON_EN_CHANGE(IDC_ADJ_OUTHIGH, OnChangeEdit)
    ON_EN_CHANGE(IDC_ADJ_OUTLOW, OnChangeEdit)
    ON_EN_CHANGE(IDC_ADJ_SHARP, OnChangeEdit)
    ON_BN_CLICKED(IDC_ADJ_TOGRAY, OnChangeEdit)
    ON_BN_CLICKED(IDC_ADJ_HELP, OnBtnHelp)
    ON_CBN_SELCHANGE(IDC_ADJ_HUE_CHANNEL, OnSelchangeCoSatu)
    ON_BN_CLICKED(IDC_ADJ_SAVE_PROFILE, OnSaveAs)
    ON_BN_CLICKED(IDC_ADJ_DELETE_PROFILE, OnDeleteProfile)
    ON_CBN_SELCHANGE(IDC_ADJ_PROFILE, OnSelchangeName)
END_MESSAGE_MAP()

CDlgAdjustBase::CDlgAdjustBase(UINT nIDTemplate, CWnd* pParentWnd) : CKxDialog(nIDTemplate, pParentWnd) {}

void CDlgAdjustBase::DoDataExchange(CDataExchange* pDX)
{
    // Writing a value into a buddy edit makes it report a change, and the change handlers read
    // every control back: in the middle of this exchange that would take back into the fields
    // what the controls held before, among them those of a derived dialog not written yet.
    struct Writing
    {
        int& depth;
        bool on;
        Writing(int& d, bool w) : depth(d), on(w) { depth += on; }
        ~Writing() { depth -= on; }
    } writing(m_nShowing, !pDX->m_bSaveAndValidate);
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ADJ_PROFILE, m_cbName);
    DDX_Check(pDX, IDC_ADJ_TOGRAY, m_values.m_bToGray);
    // The ranges are those the spin buttons and sliders show.
    DDX_Text(pDX, IDC_ADJ_GAMMA, m_values.m_nGamma);
    DDV_MinMaxUInt(pDX, m_values.m_nGamma, KX_GAMMA_MIN, KX_GAMMA_MAX);
    DDX_Text(pDX, IDC_ADJ_OUTHIGH, m_values.m_nOutHigh);
    DDV_MinMaxUInt(pDX, m_values.m_nOutHigh, 0, KX_LEVEL_MAX);
    DDX_Text(pDX, IDC_ADJ_OUTLOW, m_values.m_nOutLow);
    DDV_MinMaxUInt(pDX, m_values.m_nOutLow, 0, KX_LEVEL_MAX);
    DDX_Text(pDX, IDC_ADJ_SHARP, m_values.m_nSharp);
    DDV_MinMaxInt(pDX, m_values.m_nSharp, 0, KX_SHARP_MAX);
    const struct { UINT id; int& value; } amounts[] = {
        { IDC_ADJ_RED_EDIT, m_values.m_nRed }, { IDC_ADJ_BRIGHT_EDIT, m_values.m_nBright },
        { IDC_ADJ_GREEN_EDIT, m_values.m_nGreen }, { IDC_ADJ_CONTRAST_EDIT, m_values.m_nContrast },
        { IDC_ADJ_BLUE_EDIT, m_values.m_nBlue }, { IDC_ADJ_SATU_EDIT, m_values.m_nSaturation },
    };
    for (const auto& amount : amounts) {
        DDX_Text(pDX, amount.id, amount.value);
        DDV_MinMaxInt(pDX, amount.value, -KX_AMOUNT_MAX, KX_AMOUNT_MAX);
    }
    DDX_Text(pDX, IDC_ADJ_STD_PATH, m_strStdPic);
    DDX_Radio(pDX, IDC_ADJ_ITEM_BRIGHT, m_nAdjustItem);
    DDX_CBIndex(pDX, IDC_ADJ_HUE_CHANNEL, m_values.m_nHueChannel);
}

void CDlgAdjustBase::ShowValues()
{
    UpdateData(FALSE);
}

void CDlgAdjustBase::AttachViews()
{
    m_wndBefore.SubclassDlgItem(IDC_ADJ_BEFORE_VIEW, this);
    m_wndStd.SubclassDlgItem(IDC_ADJ_STD_VIEW, this);
}

BOOL CDlgAdjustBase::OnInitDialog()
{
    CDialog::OnInitDialog();
    AttachViews();

    // Initialising a slider writes 0 into its buddy edit; the values go back afterwards.
    struct SliderInit { CLineTrackBar& slider; UINT id; UINT buddy; int value; };
    SliderInit sliders[] = {
        { m_sldRed, IDC_ADJ_RED, IDC_ADJ_RED_EDIT, m_values.m_nRed },
        { m_sldGreen, IDC_ADJ_GREEN, IDC_ADJ_GREEN_EDIT, m_values.m_nGreen },
        { m_sldBlue, IDC_ADJ_BLUE, IDC_ADJ_BLUE_EDIT, m_values.m_nBlue },
        { m_sldBright, IDC_ADJ_BRIGHT, IDC_ADJ_BRIGHT_EDIT, m_values.m_nBright },
        { m_sldContrast, IDC_ADJ_CONTRAST, IDC_ADJ_CONTRAST_EDIT, m_values.m_nContrast },
        { m_sldSatu, IDC_ADJ_SATU, IDC_ADJ_SATU_EDIT, m_values.m_nSaturation },
    };
    for (SliderInit& s : sliders) {
        s.slider.SubclassDlgItem(s.id, this);
        s.slider.InitControl(s.buddy, 0, -100, 0, 100, 1, 1, 0);
    }
    // Each position is set with its notification, but with no picture shown yet a notification
    // would only read back every control into the values just written: they are let pass.
    ++m_nOpening;
    for (SliderInit& s : sliders)
        s.slider.SetPos(s.value, 1);
    --m_nOpening;

    ::SendDlgItemMessageA(m_hWnd, IDC_ADJ_GAMMA_SPIN, UDM_SETRANGE32, 1, 1000);
    ::SendDlgItemMessageA(m_hWnd, IDC_ADJ_OUTLOW_SPIN, UDM_SETRANGE32, 0, 255);
    ::SendDlgItemMessageA(m_hWnd, IDC_ADJ_OUTHIGH_SPIN, UDM_SETRANGE32, 0, 255);
    ::SendDlgItemMessageA(m_hWnd, IDC_ADJ_SHARP_SPIN, UDM_SETRANGE32, 0, 100);

    ShowPicture();

    m_strStdPic = GetProfileString("Option", "img_std_pic", "");
    if (!m_strStdPic.IsEmpty())
        LoadStdPicture();
    m_wndStd.Refresh();

    m_bKeypadOn = IsNumLockOn();
    SetAdjustItem(m_bKeypadOn ? 0 : -1);

    m_strProfilePath = CAdjustProfileStore::DefaultPath();
    LoadProfiles();
    return TRUE;
}

CSize CDlgAdjustBase::GetViewSize(UINT nIDView) const
{
    // The area the view draws into: a picture of that size is shown as it is, never
    // resampled a second time to fit inside the view's border.
    CRect rect;
    GetDlgItem(nIDView)->GetClientRect(&rect);
    return rect.Size();
}

CSize CDlgAdjustBase::FitSize(const CDib& dib, UINT nIDView) const
{
    // Reduced with its proportions kept: the views show what the picture looks like, and a
    // picture squeezed to the view's shape would show every colour change on a distorted image.
    const CSize view = GetViewSize(nIDView);
    return GetProporFitSize(dib.GetWidth(), dib.GetHeight(), view.cx, view.cy);
}

void CDlgAdjustBase::LoadStdPicture()
{
    // Only the view's size is ever shown, so a photograph is decoded reduced where it can be.
    const CSize view = GetViewSize(IDC_ADJ_STD_VIEW);
    m_wndStd.GetDib()->LoadFitted(m_strStdPic, view.cx, view.cy, nullptr);
}

bool CDlgAdjustBase::PreviewInto(CDib& target)
{
    const CDib* pBefore = m_wndBefore.GetDib();
    if (!pBefore->IsValid() || !target.Copy(*pBefore)) {
        m_values.StoreSaturation();
        return false;
    }
    m_values.Apply(target);
    return true;
}

LRESULT CDlgAdjustBase::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KX_SLIDER_CHANGED && !m_nOpening) {
        // The values being typed may not be numbers yet: the last good ones stay.
        UpdateDataQuietly();
        UpdatePreview();
    }
    return CDialog::DefWindowProc(message, wParam, lParam);
}

void CDlgAdjustBase::PostPreview()
{
    // One pending recomputation covers every change made before it runs: the platform's
    // initialisation alone changes four edits, and each would otherwise recompute the preview.
    MSG pending;
    if (!::PeekMessageA(&pending, m_hWnd, WM_KX_SLIDER_CHANGED, WM_KX_SLIDER_CHANGED, PM_NOREMOVE))
        PostMessage(WM_KX_SLIDER_CHANGED);
}

void CDlgAdjustBase::OnChangeEdit()
{
    if (!m_nShowing)
        PostPreview();
}

void CDlgAdjustBase::OnLineEditChanged(CLineTrackBar& slider, const int& value)
{
    // Our own writes (ShowValues, the slider showing its position) are not the user's typing.
    if (m_nShowing || !slider.m_hWnd || !slider.NeedSendMessage())
        return;
    SendMessage(WM_KX_SLIDER_CHANGED);
    // The thumb follows what was read; the edit keeps what the user typed, even a text that is
    // no number yet or one beyond the slider's ends.
    slider.SetPosFromBuddy(value, 0);
}

void CDlgAdjustBase::OnSelchangeCoSatu()
{
    UpdateDataQuietly();
    m_values.m_nSaturation = m_values.m_nHueSat[m_values.SelectedChannel()];
    m_sldSatu.SetPos(m_values.m_nSaturation, 0);
    ShowValues();
    PostPreview();
}

// ---- keypad -----------------------------------------------------------------------------------

bool CDlgAdjustBase::IsNumLockOn()
{
    // Toggled and not held down.
    return ::GetKeyState(VK_NUMLOCK) == 1;
}

void CDlgAdjustBase::SetAdjustItem(int item)
{
    m_nAdjustItem = item;
    ShowValues();
}

int* CDlgAdjustBase::ValueOfItem(int item)
{
    switch (item) {
    case 0: return &m_values.m_nBright;
    case 1: return &m_values.m_nContrast;
    case 2: return &m_values.m_nSaturation;
    case 3: return &m_values.m_nRed;
    case 4: return &m_values.m_nGreen;
    case 5: return &m_values.m_nBlue;
    default: return nullptr;
    }
}

CLineTrackBar* CDlgAdjustBase::SliderOfItem(int item)
{
    CLineTrackBar* sliders[] = { &m_sldBright, &m_sldContrast, &m_sldSatu, &m_sldRed, &m_sldGreen, &m_sldBlue };
    return item >= 0 && item <= 5 ? sliders[item] : nullptr;
}

void CDlgAdjustBase::AdjustItem(int step)
{
    int* value = ValueOfItem(m_nAdjustItem);
    if (!value)
        return;
    if (step > 0)
        step += m_nKeypadBoost;
    else if (step < 0)
        step -= m_nKeypadBoost;
    *value += step;
    m_nKeypadBoost = 0;
    if (step == 0)
        *value = 0;
    *value = std::max(-100, std::min(100, *value));
    ShowValues();
    SendMessage(WM_KX_SLIDER_CHANGED);
    SliderOfItem(m_nAdjustItem)->SetPos(*value, 0);
}

bool CDlgAdjustBase::OnKeypadKey(UINT vk)
{
    if (vk != VK_NUMLOCK) {
        const bool on = IsNumLockOn();
        if (on != m_bKeypadOn) {
            m_bKeypadOn = on;
            SetAdjustItem(on ? 0 : -1);
        }
        if (!m_bKeypadOn)
            return false;
    }
    switch (vk) {
    case VK_NUMPAD0: m_nKeypadBoost = 5; break;
    case VK_NUMPAD1: AdjustItem(-2); break;
    case VK_NUMPAD2: AdjustItem(-3); break;
    case VK_NUMPAD3: AdjustItem(-4); break;
    case VK_NUMPAD4: AdjustItem(-1); break;
    case VK_NUMPAD5: AdjustItem(0); break;
    case VK_NUMPAD6: AdjustItem(1); break;
    case VK_NUMPAD7: AdjustItem(2); break;
    case VK_NUMPAD8: AdjustItem(3); break;
    case VK_NUMPAD9: AdjustItem(4); break;
    case VK_DIVIDE: SetAdjustItem(3); break;
    case VK_MULTIPLY: SetAdjustItem(4); break;
    case VK_SUBTRACT: SetAdjustItem(5); break;
    case VK_ADD: SetAdjustItem(1); break;
    case VK_DECIMAL: SetAdjustItem(2); break;
    case VK_NUMLOCK:
        m_bKeypadOn = !m_bKeypadOn;
        SetAdjustItem(m_bKeypadOn ? 0 : -1);
        break;
    default:
        return false;
    }
    return true;
}

BOOL CDlgAdjustBase::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->message == WM_KEYDOWN && OnKeypadKey((UINT)pMsg->wParam))
        return TRUE;
    return CDialog::PreTranslateMessage(pMsg);
}

// ---- standard picture and legend --------------------------------------------------------------

void CDlgAdjustBase::OnBtnSetstd()
{
    if (!ChooseStandardPicture(m_strStdPic))
        return;
    ShowValues();
    LoadStdPicture();
    m_wndStd.Refresh();
    WriteProfileString("Option", "img_std_pic", m_strStdPic);
}

void CDlgAdjustBase::OnBtnHelp()
{
    CDlgAdjustHelp dlg;
    dlg.DoModal();
}

// ---- profiles ---------------------------------------------------------------------------------

void CDlgAdjustBase::LoadProfiles()
{
    m_cbName.ResetContent();
    CStringArray names;
    CAdjustProfileStore(m_strProfilePath).GetNames(names);
    for (int i = 0; i < names.GetSize(); ++i)
        m_cbName.AddString(names[i]);
    // The list's own rule: the first entry beginning with the name, case ignored.
    if (!m_strProfileName.IsEmpty())
        m_cbName.SelectString(-1, m_strProfileName);
}

void CDlgAdjustBase::LoadProfile(const char* pszName)
{
    if (CAdjustProfileStore(m_strProfilePath).Load(pszName, m_values))
        ShowValues();
}

int CDlgAdjustBase::SaveProfile(const char* pszName)
{
    if (!pszName || !*pszName)
        return 0;
    if (!UpdateData(TRUE))
        return 0;   // a refused edit: the values are not the ones on screen
    // The amount on the slider belongs to the selected channel even before a preview ran.
    m_values.StoreSaturation();
    return CAdjustProfileStore(m_strProfilePath).Save(pszName, m_values) ? 1 : 0;
}

void CDlgAdjustBase::RemoveProfile(const char* pszName)
{
    CAdjustProfileStore(m_strProfilePath).Remove(pszName);
    m_strProfileName.Empty();
}

void CDlgAdjustBase::OnSaveAs()
{
    CDlgAdjustName dlg(this);
    dlg.m_strName = m_strProfileName;
    if (dlg.DoModal() != IDOK)
        return;
    m_strProfileName = dlg.m_strName;
    if (!m_strProfileName.IsEmpty())
        SaveProfile(m_strProfileName);
    LoadProfiles();
}

void CDlgAdjustBase::OnDeleteProfile()
{
    RemoveProfile(m_strProfileName);
    LoadProfiles();
}

void CDlgAdjustBase::OnSelchangeName()
{
    const int sel = m_cbName.GetCurSel();
    if (sel < 0)
        return;
    m_cbName.GetLBText(sel, m_strProfileName);
    LoadProfile(m_strProfileName);
    m_sldRed.SetPos(m_values.m_nRed, 0);
    m_sldGreen.SetPos(m_values.m_nGreen, 0);
    m_sldBlue.SetPos(m_values.m_nBlue, 0);
    m_sldBright.SetPos(m_values.m_nBright, 0);
    m_sldContrast.SetPos(m_values.m_nContrast, 0);
    m_sldSatu.SetPos(m_values.m_nSaturation, 0);
    ShowValues();
    PostPreview();
}
