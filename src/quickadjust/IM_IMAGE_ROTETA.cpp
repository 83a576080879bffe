#include "IM_IMAGE_ROTETA.h"
#include "kxcomdlgres.h"

CIM_IMAGE_ROTETA::CIM_IMAGE_ROTETA(CWnd* pParent) : CKxDialog(IDD_IM_IMAGE_ROTETA, pParent) {}

void CIM_IMAGE_ROTETA::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_ROTATE_ANGLE, m_fAngle);
}

BOOL CIM_IMAGE_ROTETA::OnInitDialog()
{
    CDialog::OnInitDialog();
    // Clockwise is where every run starts, whatever the previous result was.
    CheckRadioButton(IDC_ROTATE_CLOCKWISE, IDC_ROTATE_ANTICLOCKWISE, IDC_ROTATE_CLOCKWISE);
    return TRUE;
}

void CIM_IMAGE_ROTETA::OnOK()
{
    CDialog::OnOK();
    if (ContinueModal())
        return;   // the angle was refused; the dialog stays open
    if (GetCheckedRadioButton(IDC_ROTATE_CLOCKWISE, IDC_ROTATE_ANTICLOCKWISE) == IDC_ROTATE_ANTICLOCKWISE)
        m_fAngle = 0.0f - m_fAngle;
}
