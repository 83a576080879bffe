// CKeyEngine: the chroma key behind CPrimatteWnd (PrimatteWnd.h describes what each operation
// does to the key). It keeps the history of steps, the key they make (a model of the screen in
// colour space, baked into a lookup table over colour), the map of the screen's uneven light over
// the picture, and keys any part of the foreground at any size with it.
//
// How to use it:
//   1) SetPicture(&foreground) whenever the foreground changes (null: none);
//   2) TakeColours(...) at the points the user chose, then Do(step) with them;
//   3) KeyRegion(...) for what is shown or saved.
//
// Colours are in memory order (blue, green, red) and 0..255 everywhere. A colour "corrected" is
// the colour times the light map's gain at its place, one for all three channels, so that the
// screen has the picked colour's colour difference all over the picture. The screen colour the
// key takes from a pick is the screen's own as the light map finds it from all its pixels, where
// its hue is nearest the picked colour's: the few pixels picked carry their noise.
#pragma once
#include "kxcbaselib.h"
#include <Dib.h>
#include <memory>
#include <vector>

// One step of the history: an operation (KX_OP_..., or KX_STEP_INWARD) with the colours it took
// (three floats each, corrected, or as picked for KX_OP_PICKSCREEN) and its values:
//   KX_OP_PICKSCREEN  values[0] = the inner threshold measured on the picture, in 1/10000;
//   KX_OP_FINETUNE    spill, transparency, detail;
//   KX_OP_DEFOCUS     defocus, shrink;
//   KX_STEP_INWARD    values[0] = 0 or 1.
// session groups fine-tuning moves of one selection (and defocus moves) into one step.
#define KX_STEP_INWARD 9
struct KEYSTEP
{
    int op = 0;
    std::vector<float> colours;
    int values[3] = {0, 0, 0};
    unsigned session = 0;
};

// Where the composite's background comes from when a region is keyed.
struct KEYBACK
{
    enum Mode { Colour, Picture, Checker, Transparent } mode = Colour;
    BYTE colour[3] = {255, 255, 255};   // blue, green, red
    // Picture: the pixel of the picture at picture x = (x + offset.x) * scale - 0.5, likewise y,
    // for region pixel x, sampled bilinearly (the edge pixels repeat beyond the picture).
    const CDib* picture = nullptr;
    double offsetX = 0, offsetY = 0, scale = 1;
};

// What KeyRegion writes; any may be null.
struct KEYOUTPUT
{
    CDib* composite = nullptr;   // region-sized, 24 bits (32 with alpha for KEYBACK::Transparent)
    CDib* mask = nullptr;        // region-sized, 24-bit grey
    BYTE* alpha = nullptr;       // region width x height bytes, rows alphaStride apart
    int alphaStride = 0;
};

class CKeyLut;
struct KEYBOX;
struct KEYINSIDE;
struct KEYLOOKS;

class KXCBASE_API CKeyEngine
{
public:
    CKeyEngine();
    ~CKeyEngine();
    CKeyEngine(const CKeyEngine&) = delete;
    CKeyEngine& operator=(const CKeyEngine&) = delete;

// The picture
    // The foreground the light map is found on (a reduced copy is kept). The key stays.
    // Every change below that returns false for want of memory leaves the key, the history, the
    // light map and the picture as they were.
    bool SetPicture(const CDib* pForeground);

// History
    // Performs a step after the current one (undone steps are dropped). A fine-tuning or defocus
    // step of the same session as the current step replaces it. False when memory ran out.
    bool Do(const KEYSTEP& step);
    // False when there is nothing to undo (redo) or memory ran out.
    bool Undo();
    bool Redo();
    bool CanUndo() const { return m_nDone > 0; }
    bool CanRedo() const { return m_nDone < (int)m_steps.size(); }
    int GetStepCount() const { return (int)m_steps.size(); }
    int GetDoneCount() const { return m_nDone; }
    const KEYSTEP* GetCurrentStep() const { return m_nDone > 0 ? &m_steps[m_nDone - 1] : nullptr; }
    // Bytes the history holds (steps and starting key), for the bound on its memory.
    size_t GetHistoryBytes() const;
    // Counts every change of the key.
    unsigned GetVersion() const { return m_nVersion; }

// The key
    bool IsKeyed() const;
    void GetScreenColour(float bgr[3]) const;
    int GetDefocus() const;
    int GetShrink() const;
    bool GetInward() const;
    // The colours for a step at these points of a picture (pixels of pSource, which is the
    // foreground at scale source pixels a foreground pixel): the mean of a spot of radius
    // spotRadius source pixels around each, corrected unless raw is set; a rectangle (pRect, in
    // source pixels) adds the colours inside it. Reduced to at most 48 distinct colours.
    std::vector<float> TakeColours(const CDib& source, double scale, const std::vector<CPoint>& points,
                                   const CRect* pRect, int spotRadius, bool raw) const;
    // The inner threshold a screen colour gives on the picture: the opacity that nearly all the
    // screen's pixels stay below, in 1/10000 (KX_OP_PICKSCREEN's values[0]); -1 when memory ran
    // out.
    int MeasureScreenNoise(const float bgr[3]) const;
    // Opacity 0..1 of one colour at a place (fractions of the picture's width and height).
    float OpacityAt(const BYTE bgr[3], double u, double v) const;

    // The per-channel median of colours (three floats each); the picked colour of a screen pick,
    // which the light map is made for.
    static void MedianColour(const std::vector<float>& colours, float bgr[3]);

// Test seam
    // While a hook is set, it is asked at each point where a change of the key or of the picture
    // takes memory, and true makes the allocation there fail as it does when memory runs out.
    // None is set in use.
    static void SetMemoryFailureHook(bool (*pfnFail)());

// Keying
    // The background alone over the rectangle rc of a region, as a composite would have it
    // (KEYBACK::Picture or Colour), into a 24-bit picture of rc's size.
    static bool RenderBack(const KEYBACK& back, const CRect& rc, CDib& out);
    // Keys the rectangle rc of source, the foreground at scale source pixels a foreground pixel
    // (the spatial operations scale with it), into out. False when memory ran out.
    bool KeyRegion(const CDib& source, double scale, const CRect& rc, const KEYBACK& back, const KEYOUTPUT& out) const;

private:
    friend class CKeyLut;
    struct CState;
    struct CChange;
    struct LightMap;
    bool ReplayTo(int nDone);
    // The kept steps first .. end - 1, in their order.
    std::vector<const KEYSTEP*> StepsOf(int first, int end) const;
    void PrepareReplay(const CState& base, const std::vector<const KEYSTEP*>& steps, const CDib& analysis,
                       bool bNewPicture, CChange& change);
    void BuildNextLut(const CState& state);
    void Commit(CChange& change) noexcept;
    // A pick's screen colour is map's screen colour when map was made for the picked one.
    void ApplyStep(CState& state, const KEYSTEP& step, const LightMap& map) const;
    int MeasureNoise(const float bgr[3]) const;
    void Gains(double u, double v, float g[3]) const;

    std::unique_ptr<CState> m_pBase;      // the key before the first kept step
    std::unique_ptr<CState> m_pState;     // the key after the done steps
    std::unique_ptr<CState> m_pBeforeTop; // the key before the last done step, when m_bBeforeTop
    bool m_bBeforeTop = false;
    std::unique_ptr<CKeyLut> m_pLut;      // m_pState baked over colour
    std::unique_ptr<CKeyLut> m_pLutNext;  // the next key baked, before it is taken over
    bool KeyRegionOf(const CDib& source, double scale, const CRect& rc, const KEYBACK& back, const KEYOUTPUT& out) const;
    // The colours round the screen's, one entry a level, for keying large regions; made from
    // m_pLut when first needed after a change of the key. Null when memory ran out.
    const KEYBOX* Box() const;
    const KEYBOX* MakeBox() const;
    mutable std::unique_ptr<KEYBOX> m_pBox;
    mutable unsigned m_nBoxVersion = 0;
    // Where the inside of the subject lies on the picture, far from any clear screen; made from
    // the reduced foreground when first needed after a change of the key or the picture. Null
    // without a key or a picture, or when memory ran out.
    const KEYINSIDE* Inside() const;
    const KEYINSIDE* MakeInside() const;
    mutable std::unique_ptr<KEYINSIDE> m_pInside;
    // The subject's colour near each cell of the inside's grid, and the cells where clear screen
    // shows (clear: 1 there).
    void Towards(KEYINSIDE& in, const KEYLOOKS& looks, std::vector<BYTE>& clear) const;
    // The parts of the subject whose colours the key takes for mixes with the screen.
    void Enclosed(KEYINSIDE& in, const KEYLOOKS& looks) const;
    mutable unsigned m_nInsideVersion = 0;
    std::vector<KEYSTEP> m_steps;
    int m_nDone = 0;
    unsigned m_nVersion = 1;

    CDib m_analysis;                      // the foreground reduced, for the light map
    bool m_bColourBlurred = false;        // the foreground's colour is blurrier than its brightness
    CDib m_samples;                       // single pixels of the foreground, for its noise
    CDib m_standOut;                      // the pixel of each reduced one's footprint that stands out most
    // The light map: gains a channel on a grid of cells over the picture, centred in each cell,
    // for one screen colour (key), and the colour the key takes for the screen: the screen's own,
    // corrected, where its hue is nearest the picked colour's.
    struct LightMap
    {
        float key[3] = {-1, -1, -1};
        float screen[3] = {-1, -1, -1};
        int w = 0, h = 0;
        std::vector<float> gains;         // 3 a cell
    };
    void ComputeLightMap(const CState& key, const CDib& analysis, LightMap& map) const;
    static void MapGains(const LightMap& map, double u, double v, float g[3]);
    LightMap m_map;                       // for the key's screen colour
    mutable LightMap m_spare;             // made by MeasureScreenNoise for the pick to come
};
