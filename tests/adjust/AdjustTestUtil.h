// What the adjustment tests share: a clean profile file and host profile for each test, and the
// pictures and pixel comparison of every dialog test (DialogTestUtil.h).
#pragma once
#include "DialogTestUtil.h"
#include "TestFolder.h"
#include "UiDriver.h"
#include "adjust/AdjustValues.h"
#include <Dib.h>
#include <IM_WINDOW.h>
#include <LineTrackBar.h>
#include <gtest/gtest.h>
#include <cstring>
#include <cstdio>

const char* const kAdjustCaption = "图像调整";
const char* const kNameCaption = "保存方案...";

// Types into the edit field of a combo box, as the user's typing does.
inline void TypeCombo(UiWindow w, int id, const char* text)
{
    HWND edit = ::FindWindowExA(w.Item(id), nullptr, "Edit", nullptr);
    ::SetFocus(edit);
    ::SendMessageA(edit, EM_SETSEL, 0, -1);
    ::SendMessageA(edit, EM_REPLACESEL, TRUE, (LPARAM)text);
}

// Every test starts without adjust.cfg (it lies beside the executable and outlives tests) and
// with a host profile of its own.
class AdjustTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_cfg = CAdjustProfileStore::DefaultPath();
        ::DeleteFileA(m_cfg);
        AfxGetApp()->SetProfileName(m_folder.File("host.ini"));
    }
    void TearDown() override { ::DeleteFileA(m_cfg); }

    TestFolder m_folder;
    CString m_cfg;
};
