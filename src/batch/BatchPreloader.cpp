#include "BatchPreloader.h"
#include <Geometry.h>

CBatchPreloader::CBatchPreloader() = default;

CBatchPreloader::~CBatchPreloader()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bQuit = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

CBatchPreloader::FileStamp CBatchPreloader::StampOf(const char* pszPath)
{
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (pszPath && *pszPath && ::GetFileAttributesExA(pszPath, GetFileExInfoStandard, &data)) {
        stamp.exists = true;
        stamp.size = ((ULONGLONG)data.nFileSizeHigh << 32) | data.nFileSizeLow;
        stamp.written = ((ULONGLONG)data.ftLastWriteTime.dwHighDateTime << 32) | data.ftLastWriteTime.dwLowDateTime;
    }
    return stamp;
}

void CBatchPreloader::Load(const char* pszPath, const CBatchPictureFit& fit, CBatchPicture& out)
{
    out.reduced.Free();
    out.nResult = out.picture.Load(pszPath, 0, 1, nullptr, nullptr);
    if (out.nResult != 1)
        return;
    if (fit.bPortrait && out.picture.GetWidth() > out.picture.GetHeight())
        out.picture.Rotate(9000, 5, 0);
    if (fit.nMaxWidth <= 0 || fit.nMaxHeight <= 0)
        return;
    const CSize size = GetProporFitSize(out.picture.GetWidth(), out.picture.GetHeight(), fit.nMaxWidth, fit.nMaxHeight);
    if (size.cx != out.picture.GetWidth() || size.cy != out.picture.GetHeight())
        out.reduced.Resize(out.picture, size.cx, size.cy, 2);
    else
        out.reduced.Copy(out.picture);
}

void CBatchPreloader::Request(const char* pszPath, const CBatchPictureFit& fit)
{
    const std::string path = pszPath ? pszPath : "";
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (path == m_path && fit == m_fit)
            return;
        m_path = path;
        m_fit = fit;
        ++m_nWanted;
        m_result.reset();
        if (path.empty())
            m_nDone = m_nWanted;
        else if (!m_thread.joinable())
            m_thread = std::thread([this] { Run(); });
    }
    m_changed.notify_all();
}

std::unique_ptr<CBatchPicture> CBatchPreloader::Take(const char* pszPath, const CBatchPictureFit& fit)
{
    std::unique_lock<std::mutex> lock(m_lock);
    if (!pszPath || m_path.empty() || m_path != pszPath || !(m_fit == fit))
        return nullptr;
    m_changed.wait(lock, [this] { return m_nDone == m_nWanted; });
    std::unique_ptr<CBatchPicture> read = std::move(m_result);
    if (read && !(m_stamp.exists && m_stamp == StampOf(pszPath)))
        read.reset();
    // Handed over or stale, it is not offered again.
    m_path.clear();
    ++m_nWanted;
    m_nDone = m_nWanted;
    return read;
}

void CBatchPreloader::Run()
{
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        m_changed.wait(lock, [this] { return m_bQuit || m_nDone != m_nWanted; });
        if (m_bQuit)
            return;
        const unsigned job = m_nWanted;
        const std::string path = m_path;
        const CBatchPictureFit fit = m_fit;
        lock.unlock();
        // The stamp before the read: a file written while it is read counts as changed.
        const FileStamp stamp = StampOf(path.c_str());
        auto read = std::make_unique<CBatchPicture>();
        Load(path.c_str(), fit, *read);
        lock.lock();
        // A request made meanwhile wants another picture: this one is dropped.
        if (job == m_nWanted) {
            m_result = std::move(read);
            m_stamp = stamp;
            m_nDone = job;
            m_changed.notify_all();
        }
    }
}
