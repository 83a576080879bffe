// CBatchPreloader: reads the picture a batch dialog will most likely show next on a thread of
// its own while the user works on the current one, so that "保存" or "->" finds it decoded and
// already reduced to the size of the dialog's view.
//
// How a batch dialog uses it:
//   1) a member CBatchPreloader m_preload; and the fit of its view (CBatchPictureFit);
//   2) once a picture is shown: m_preload.Request(m_walk.GetTarget(CBatchWalk::Next), fit);
//   3) on reaching a picture: auto read = m_preload.Take(path, fit) hands over what was read
//      ahead (waiting for it when the read is still running); when it gives null the request was
//      for another picture or the file changed since, and CBatchPreloader::Load(path, fit, *read)
//      reads it on the spot.
// A picture read ahead is handed over only when the file still has the size and the time of last
// writing it had when its read began, so a picture replaced meanwhile is read anew.
#pragma once
#include "module/kxcomdlglib.h"
#include <Dib.h>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// How the dialog shows a picture it reaches.
struct CBatchPictureFit
{
    int nMaxWidth = 0;           // the reduced copy fits within these, proportions kept; 0: none
    int nMaxHeight = 0;
    bool bPortrait = false;      // a picture wider than high is turned a quarter clockwise first

    bool operator==(const CBatchPictureFit& o) const
    { return nMaxWidth == o.nMaxWidth && nMaxHeight == o.nMaxHeight && bPortrait == o.bPortrait; }
};

// A picture as read: the full-size picture and its reduced copy (a copy of it when it fits).
struct CBatchPicture
{
    int nResult = 0;             // of CDib::Load: 1 when the picture loaded
    CDib picture;
    CDib reduced;
};

class KXCOMDLG_API CBatchPreloader
{
public:
// Construction
    CBatchPreloader();
    // Waits for a read that is running (at most one picture's).
    ~CBatchPreloader();
    CBatchPreloader(const CBatchPreloader&) = delete;
    CBatchPreloader& operator=(const CBatchPreloader&) = delete;

// Operations
    // Starts reading the picture ahead; an empty path forgets what was asked before. A picture
    // already read or being read for the same path and fit is kept.
    void Request(const char* pszPath, const CBatchPictureFit& fit);
    // Hands over the picture read ahead for this path and fit, waiting for its read to end; null
    // when none was asked for or the file has changed since.
    std::unique_ptr<CBatchPicture> Take(const char* pszPath, const CBatchPictureFit& fit);
    // Reads a picture as the preloader does, on the calling thread.
    static void Load(const char* pszPath, const CBatchPictureFit& fit, CBatchPicture& out);

private:
    struct FileStamp
    {
        ULONGLONG size = 0;
        ULONGLONG written = 0;
        bool exists = false;
        bool operator==(const FileStamp& o) const { return exists == o.exists && size == o.size && written == o.written; }
    };
    static FileStamp StampOf(const char* pszPath);
    void Run();

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::thread m_thread;
    bool m_bQuit = false;
    // The request, and the read that answers it once m_nDone equals m_nWanted.
    std::string m_path;
    CBatchPictureFit m_fit;
    unsigned m_nWanted = 0;
    unsigned m_nDone = 0;
    FileStamp m_stamp;
    std::unique_ptr<CBatchPicture> m_result;
};
