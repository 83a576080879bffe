// What the batch tests share: a folder and a host profile of their own, pictures with known
// pixels, the files of a folder, and a script step that waits for a caption.
#pragma once
#include "TestFolder.h"
#include "UiDriver.h"
#include <Dib.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

// Every pixel its own colour: blue along x, green along y, red mixed.
inline CDib MakePicture(int width, int height)
{
    CDib dib;
    dib.Create(width, height, 24);
    for (int y = 0; y < height; ++y) {
        BYTE* p = dib.GetLine(y);
        for (int x = 0; x < width; ++x) {
            p[3 * x + 0] = (BYTE)(x * 255 / std::max(1, width - 1));
            p[3 * x + 1] = (BYTE)(y * 255 / std::max(1, height - 1));
            p[3 * x + 2] = (BYTE)((x * 7 + y * 13) % 256);
        }
    }
    return dib;
}

// Names in the folder matching the pattern, sorted, without "." and "..".
inline std::vector<std::string> FilesIn(const CString& folder, const char* pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA(folder + "\\" + pattern, &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (strcmp(fd.cFileName, ".") && strcmp(fd.cFileName, ".."))
            names.push_back(fd.cFileName);
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

// Waits until the active dialog's caption begins with the text, then acts on it once.
inline UiScript& OnCaptionStarting(UiScript& script, const char* prefix, std::function<void(UiWindow)> act)
{
    const std::string want = prefix;
    return script.Until(("a dialog captioned \"" + want + "...\"").c_str(), [want, act]() {
        UiWindow w(ActiveDialogWindow());
        if (!w || ::GetDlgItem(w.Handle(), 0xFFFF) || std::string((const char*)w.Caption()).rfind(want, 0) != 0)
            return false;
        act(w);
        return true;
    });
}

// A folder and a host profile of its own for each test.
class BatchTest : public ::testing::Test
{
protected:
    void SetUp() override { AfxGetApp()->SetProfileName(m_folder.File("host.ini")); }
    TestFolder m_folder;
};
