// What the print-product tests share: settings files put beside the test executable for one test.
#pragma once
#include <TestFolder.h>
#include <afxwin.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Puts a settings file beside the running executable ("profile\..." in its sub-folder) for the
// lifetime of the object, or takes it away (null text); whatever was there before comes back
// afterwards, so a demo host's files in the same folder survive the tests.
class FileBesideExe
{
public:
    FileBesideExe(const char* name, const char* text) : m_path(ExecutableFolder() + name)
    {
        const int slash = m_path.ReverseFind('\\');
        m_folder = m_path.Left(slash);
        m_madeFolder = ::CreateDirectoryA(m_folder, nullptr) != FALSE;
        std::ifstream in(m_path.GetString(), std::ios::binary);
        m_existed = in.good();
        if (m_existed)
            m_saved.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        in.close();
        ::DeleteFileA(m_path);
        if (text)
            std::ofstream(m_path.GetString(), std::ios::binary) << text;
    }
    ~FileBesideExe()
    {
        ::DeleteFileA(m_path);
        if (m_existed)
            std::ofstream(m_path.GetString(), std::ios::binary) << m_saved;
        if (m_madeFolder)
            ::RemoveDirectoryA(m_folder);
    }
    FileBesideExe(const FileBesideExe&) = delete;
    FileBesideExe& operator=(const FileBesideExe&) = delete;

private:
    CString m_path, m_folder;
    bool m_existed = false, m_madeFolder = false;
    std::string m_saved;
};

// The three size lists of the card template dialog at once.
struct SizeLists
{
    SizeLists(const char* data, const char* datasys, const char* lcd)
        : m_data("data.cfg", data), m_datasys("datasys.cfg", datasys), m_lcd("profile\\lcd_system.ini", lcd)
    {
    }
    FileBesideExe m_data, m_datasys, m_lcd;
};
