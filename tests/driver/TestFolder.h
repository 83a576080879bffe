// A folder of its own for one test: created empty, removed with everything in it afterwards.
#pragma once
#include <afxwin.h>
#include <string>

class TestFolder
{
public:
    // Made beside the test executable, named after the running test.
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    // The folder's path without a trailing backslash, and a file inside it.
    const CString& Path() const { return m_path; }
    CString File(const char* name) const { return m_path + "\\" + name; }
    // Writes bytes to a file of the folder (creating subfolders is the caller's business).
    void Write(const char* name, const std::string& bytes) const;
    std::string Read(const char* name) const;

private:
    CString m_path;
};

// Folder of the running executable, with a trailing backslash.
CString ExecutableFolder();
