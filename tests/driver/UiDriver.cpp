#include "TestFolder.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <shellapi.h>

CString ExecutableFolder()
{
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    CString s(path);
    return s.Left(s.ReverseFind('\\') + 1);
}

namespace {
void RemoveTree(const CString& path)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA(path + "\\*", &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const CString name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            const CString child = path + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                ::SetFileAttributesA(child, FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(child);
            }
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
    }
    ::SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryA(path);
}
} // namespace

TestFolder::TestFolder()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    CString name = info ? CString(info->test_suite_name()) + "." + info->name() : CString("test");
    name.Replace('/', '_');
    m_path = ExecutableFolder() + "work-" + name;
    RemoveTree(m_path);
    ::CreateDirectoryA(m_path, nullptr);
}

TestFolder::~TestFolder() { RemoveTree(m_path); }

void TestFolder::Write(const char* name, const std::string& bytes) const
{
    std::ofstream out(File(name).GetString(), std::ios::binary);
    out << bytes;
}

std::string TestFolder::Read(const char* name) const
{
    std::ifstream in(File(name).GetString(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
