// CSliceWnd: the box's angle and the automatic positioning (grid cells or the prints found on a
// scanned sheet), with its options dialog and where the options are stored.
#include "SliceWnd.h"
#include "HopOptDlg.h"
#include "PrintFinder.h"
#include <Geometry.h>
#include <algorithm>
#include <cmath>

namespace {

const double kPi = 3.14159265358979323846;

// Limits of the stored options, so that a hand-edited profile cannot ask for a million cells.
const int kMaxCells = 100;
const int kMaxDistance = 65535;

// The positions a mode and grid give on a picture, for a box of the given kind and size.
std::vector<CTiltRect> FindPositions(const CDib& dib, int mode, const HOPGRID& grid, int kind, long boxW, long boxH)
{
    std::vector<CTiltRect> positions;
    if (!dib.IsValid())
        return positions;
    if (mode == KX_HOP_DETECT) {
        CPrintFinder().Find(dib, positions, grid.nOrder);
    } else if (mode == KX_HOP_GRID) {
        const bool fixed = kind == KX_CLIP_SIZE && boxW > 0 && boxH > 0;
        for (const CRect& cell : grid.GetCells(dib.GetWidth(), dib.GetHeight(), fixed ? boxW : 0, fixed ? boxH : 0)) {
            CRect box = cell;
            if (kind == KX_CLIP_RATIO && boxW > 0 && boxH > 0)
                GetProporCerterRect(cell, boxW, boxH, box);
            positions.push_back(CTiltRect::FromRect(box));
        }
    }
    return positions;
}

} // namespace

void CSliceWnd::SetClipAngle(double dDegrees)
{
    m_dAngle = std::remainder(dDegrees, 360.0);
    Redraw();
}

CTiltRect CSliceWnd::GetTiltBox() const
{
    CTiltRect box = CTiltRect::FromRect(m_rcClip);
    box.angle = m_dAngle;
    return box;
}

CPoint CSliceWnd::ToBoxFrame(CPoint point) const
{
    if (m_dAngle == 0 || m_rcClip.IsRectEmpty())
        return point;
    const CRect box = BoxToClient();
    const double cx = (box.left + box.right) / 2.0, cy = (box.top + box.bottom) / 2.0;
    const double a = m_dAngle * kPi / 180, c = std::cos(a), s = std::sin(a);
    const double dx = point.x - cx, dy = point.y - cy;
    return CPoint(Round(cx + dx * c + dy * s), Round(cy - dx * s + dy * c));
}

void CSliceWnd::SetHopMode(int nMode)
{
    m_nHopMode = nMode == KX_HOP_GRID || nMode == KX_HOP_DETECT ? nMode : KX_HOP_NONE;
    m_bHopValid = false;
    m_nHop = -1;
}

void CSliceWnd::SetHopParam(int nLeft, int nTop, int nHGap, int nVGap, int nCols, int nRows)
{
    HOPGRID grid = m_hopGrid;
    grid.nLeft = grid.nRight = nLeft;
    grid.nTop = grid.nBottom = nTop;
    grid.nHGap = nHGap;
    grid.nVGap = nVGap;
    grid.nCols = nCols;
    grid.nRows = nRows;
    SetHopGrid(grid);
}

void CSliceWnd::SetHopGrid(const HOPGRID& grid)
{
    m_hopGrid = grid;
    m_bHopValid = false;
    m_nHop = -1;
}

void CSliceWnd::UpdateHopPositions(bool bFirst)
{
    if (!m_bHopValid) {
        m_hopPositions = FindPositions(m_dib, m_nHopMode, m_hopGrid, m_nClipKind, m_nClipWidth, m_nClipHeight);
        m_bHopValid = true;
        m_nHop = -1;
    }
    if (bFirst && !m_hopPositions.empty())
        PlaceAtHop(0);
}

const std::vector<CTiltRect>& CSliceWnd::GetHopPositions()
{
    UpdateHopPositions(false);
    return m_hopPositions;
}

BOOL CSliceWnd::CanHop()
{
    return m_nHopMode != KX_HOP_NONE && !GetHopPositions().empty();
}

void CSliceWnd::PlaceAtHop(int nIndex)
{
    const CTiltRect& at = m_hopPositions[(size_t)nIndex];
    const int W = m_dib.GetWidth(), H = m_dib.GetHeight();
    // The position's own shape, whatever the crop options say; only kept inside the picture.
    const int w = std::clamp(Round(at.width), 1, W), h = std::clamp(Round(at.height), 1, H);
    const int left = std::clamp(Round(at.cx - w / 2.0), 0, W - w), top = std::clamp(Round(at.cy - h / 2.0), 0, H - h);
    m_rcClip = CRect(left, top, left + w, top + h);
    m_dAngle = at.angle;
    m_sizeBoxBase = CSize(W, H);
    m_nPlacedKind = m_nClipKind;
    m_nPlacedWidth = m_nClipWidth;
    m_nPlacedHeight = m_nClipHeight;
    m_nHop = nIndex;
    Redraw();
    EnsureBoxVisible();
}

int CSliceWnd::HopNext(int nStep)
{
    if (m_nHopMode == KX_HOP_NONE)
        return -1;
    UpdateHopPositions(false);
    // A box that is at no position yet starts from before the first.
    const long long target = (long long)(m_nHop < 0 ? -1 : m_nHop) + nStep;
    if (target < 0 || target >= (long long)m_hopPositions.size())
        return -1;
    PlaceAtHop((int)target);
    return (int)target;
}

void CSliceWnd::ResetAngle()
{
    const bool at = m_nHop >= 0 && m_nHop < (int)m_hopPositions.size();
    m_dAngle = at ? m_hopPositions[(size_t)m_nHop].angle : 0;
    Redraw();
}

int CSliceWnd::DlgHopOpt()
{
    CHopOptDlg dlg(this);
    dlg.m_nMode = m_nHopMode;
    dlg.m_grid = m_hopGrid;
    dlg.m_countPositions = [this](int mode, const HOPGRID& grid) {
        if (!m_dib.IsValid())
            return -1;
        // The prints of this picture were perhaps found already.
        if (mode == KX_HOP_DETECT && m_nHopMode == KX_HOP_DETECT && m_bHopValid)
            return (int)m_hopPositions.size();
        return (int)FindPositions(m_dib, mode, grid, m_nClipKind, m_nClipWidth, m_nClipHeight).size();
    };
    if (dlg.DoModal() != IDOK)
        return IDCANCEL;
    const bool sameSearch = dlg.m_nMode == KX_HOP_DETECT && m_nHopMode == KX_HOP_DETECT && m_bHopValid;
    std::vector<CTiltRect> found;
    if (sameSearch)
        found.swap(m_hopPositions);
    SetHopMode(dlg.m_nMode);
    SetHopGrid(dlg.m_grid);
    if (sameSearch) {
        SortInReadingOrder(found, m_hopGrid.nOrder);
        m_hopPositions.swap(found);
        m_bHopValid = true;
    }
    WriteHopProfile();
    UpdateHopPositions(true);
    if (!m_hopPositions.empty())
        NotifyChange(true);
    return IDOK;
}

void CSliceWnd::EnableHopProfile(LPCSTR lpszSection, int nDefaultMode)
{
    m_strHopSection = lpszSection ? lpszSection : "";
    CWinApp* pApp = AfxGetApp();
    if (m_strHopSection.IsEmpty() || !pApp)
        return;
    auto read = [&](LPCSTR key, int def, int lo, int hi) {
        return std::clamp((int)pApp->GetProfileInt(m_strHopSection, key, def), lo, hi);
    };
    HOPGRID grid;
    grid.nRows = read("Hop rows", 1, 1, kMaxCells);
    grid.nCols = read("Hop columns", 1, 1, kMaxCells);
    grid.nLeft = read("Hop left", 0, 0, kMaxDistance);
    grid.nTop = read("Hop top", 0, 0, kMaxDistance);
    grid.nRight = read("Hop right", 0, 0, kMaxDistance);
    grid.nBottom = read("Hop bottom", 0, 0, kMaxDistance);
    grid.nHGap = read("Hop hgap", 0, 0, kMaxDistance);
    grid.nVGap = read("Hop vgap", 0, 0, kMaxDistance);
    grid.nOrder = read("Hop order", HOP_ORDER_ROWS, HOP_ORDER_ROWS, HOP_ORDER_COLUMNS_RTL);
    SetHopMode(read("Hop mode", nDefaultMode, KX_HOP_NONE, KX_HOP_DETECT));
    SetHopGrid(grid);
}

void CSliceWnd::WriteHopProfile() const
{
    CWinApp* pApp = AfxGetApp();
    if (m_strHopSection.IsEmpty() || !pApp)
        return;
    const struct { LPCSTR key; int value; } values[] = {
        { "Hop mode", m_nHopMode },        { "Hop rows", m_hopGrid.nRows },     { "Hop columns", m_hopGrid.nCols },
        { "Hop left", m_hopGrid.nLeft },   { "Hop top", m_hopGrid.nTop },       { "Hop right", m_hopGrid.nRight },
        { "Hop bottom", m_hopGrid.nBottom }, { "Hop hgap", m_hopGrid.nHGap },   { "Hop vgap", m_hopGrid.nVGap },
        { "Hop order", m_hopGrid.nOrder },
    };
    for (const auto& v : values)
        pApp->WriteProfileInt(m_strHopSection, v.key, v.value);
}
