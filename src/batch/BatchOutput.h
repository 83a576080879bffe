// CBatchOutput: the output of the batch dialogs that write one picture file a step: the output
// name, automatic numbering, folder, type and resolution, the path they make, the checks and
// messages of a save, the save itself, and the settings that remember them in the host profile
// (section "Settings", keys "<prefix> filename", "<prefix> addtail", "<prefix> dirname",
// "<prefix> filetype", "<prefix> DPI").
//
// How a batch dialog uses it:
//   1) a member CBatchOutput m_output{ KX_BATCH_ADJUST }; (or KX_BATCH_PRIMATTE, KX_BATCH_SLICE);
//   2) m_output.DoDataExchange(pDX) in the dialog's DoDataExchange; m_output.Load(source) in
//      OnInitDialog, then UpdateData(FALSE);
//   3) handlers: OnBtnDir -> m_output.ChooseFolder(this); OnChkTail ->
//      m_output.NumberingSwitched(this, source); GetCurPicName -> UpdateData(TRUE), then
//      m_output.GetPathName(); a move to another picture -> m_output.PictureReached(path);
//   4) the save: prepare the picture, then switch (m_output.Save(this, &picture, source)):
//      Saved: m_output.AnnounceSaved(this), then move on; any other result: stay.
//
// Output types (the index of the type list, whose texts come from each dialog's template):
//   0 ".jpg" JPEG 24 bits, 1 ".bmp" BMP 24, 2 ".tif" TIFF 24, 3 ".bmp" BMP 32, 4 ".tif" TIFF 32.
#pragma once
#include "module/kxcomdlglib.h"

class CDib;

// One row of the output type table.
struct CBatchOutputType
{
    const char* pszExtension;   // with its dot
    int nFormat;                // KXFMT_... of CDib::Save
    int nBitsPerPixel;
};

// What differs between the dialogs that save.
struct CBatchOutputStyle
{
    const char* pszKeyPrefix;    // of the settings' keys
    UINT nIDSavedCaption;        // the dialog's caption after a save, %s the output path
    bool bStoreBeforeChecks;     // settings written at the start of every save (else once the
                                 // checks passed, after the name advanced)
};

// The three dialogs that save; the captions are the string table's IDS_BATCH_SAVED_AS (20114,
// "保存为文件 %s 。") and IDS_BATCH_CLIPPED_AS (20112, "剪裁成文件 %s 。").
const CBatchOutputStyle KX_BATCH_ADJUST = { "Adjust", 20114, true };
const CBatchOutputStyle KX_BATCH_PRIMATTE = { "Prim", 20114, true };
const CBatchOutputStyle KX_BATCH_SLICE = { "Slice", 20112, false };

class KXCOMDLG_API CBatchOutput
{
public:
// Construction
    explicit CBatchOutput(const CBatchOutputStyle& style);

// Fields, bound to the controls by DoDataExchange
    CString m_strName;        // edit 10051: file name without folder and extension
    BOOL m_bAutoNumber;       // check box 10055 "自动编号"
    CString m_strFolder;      // edit 10045
    int m_nType;              // list 10047, -1 when none is selected
    int m_nDpi;               // edit 10049; 0 or less keeps the picture's own resolution
    CString m_strNextPath;    // static 10053, display only

    void DoDataExchange(CDataExchange* pDX);

// Stored settings
    // The five settings with their defaults; with numbering off the name becomes the title of
    // the source picture, whatever was stored.
    void Load(const char* pszSourcePath);
    void Store() const;

// Naming
    // Folder + name + extension of the type, "" while one of them is missing.
    CString GetPathName() const;
    // The table row of a type index, null outside 0..4.
    static const CBatchOutputType* GetType(int nType);
    // Every trailing "\" removed, then exactly one appended ("D:\out\\" -> "D:\out\").
    static CString NormalizeFolder(const char* pszFolder);
    // The numbering rule: the trailing digits (the last six at most) counted up by one, padded
    // to their width: shot007 -> shot008, a999 -> a1000, img12345678 -> img12345679; a name
    // without trailing digits stays as it is.
    static CString AdvanceName(const char* pszName);
    // The file name of a path without folder and extension.
    static CString TitleOf(const char* pszPathName);

// What the dialogs' handlers do
    // "->" beside the folder: the folder browser on the typed folder; a chosen folder is taken
    // normalised. pDlg's controls are read first and shown afterwards.
    void ChooseFolder(CWnd* pDlg);
    // "自动编号" switched: on shows the next output path, off names the output after the source.
    void NumberingSwitched(CWnd* pDlg, const char* pszSourcePath);
    // A move reached another picture: with numbering off the output is named after it.
    void PictureReached(const char* pszPathName);

// Saving
    enum SaveResult
    {
        Saved,           // written; the name has advanced
        Refused,         // a check stopped it and told the user; nothing written
        Failed,          // the file could not be written; the user was told which one
        NothingToSave,   // every check passed but there is no picture
    };
    // The checks and the save of one picture, with their messages, for the dialog pDlg whose
    // controls hold the fields: name, folder (created on request, one level), type, the path's
    // length, a path that would replace the source picture; then the resolution and the write.
    // Nothing is advanced or announced unless the picture is on disk.
    SaveResult Save(CWnd* pDlg, CDib* pPicture, const char* pszSourcePath);
    // The path of the last picture saved.
    const CString& GetSavedPath() const { return m_strSavedPath; }
    // The caption of the style with the saved path, flashed once. A later save that fails gives
    // the dialog its own caption back, so no earlier announcement stands beside the failure.
    void AnnounceSaved(CWnd* pDlg);
    // Tells the user that the picture file could not be written, naming it. Every save of a
    // picture the user asked for reports its failure with this one message.
    static void ReportSaveFailed(const char* pszPathName);

private:
    CString Key(const char* pszName) const;
    const CBatchOutputStyle m_style;
    CString m_strSavedPath;
    CString m_strOwnCaption;   // the dialog's caption before the first announcement
};
