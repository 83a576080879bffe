// Driving a font picker (CFontComboBox) as a user does, for the tests of every dialog that holds one.
#pragma once
#include <UiDriver.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// The recent section: the items on top whose item data is 1.
inline std::vector<std::string> RecentFaces(UiWindow w, int id)
{
    std::vector<std::string> out;
    for (int i = 0; i < w.ComboCount(id) && ::SendMessageA(w.Item(id), CB_GETITEMDATA, i, 0) == 1; ++i)
        out.push_back(w.ComboItem(id, i).GetString());
    return out;
}

// Chooses a face with the keyboard: F4 opens the list, the arrow keys take the highlight to the
// face's entry below the recent section, Enter closes the list on it.
inline void ChooseFace(UiWindow w, int id, const char* face)
{
    HWND combo = w.Item(id);
    ::SetFocus(combo);
    ::SendMessageA(combo, WM_KEYDOWN, VK_F4, 0);
    ASSERT_TRUE(::SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0)) << "F4 opens the list";
    const int recent = (int)RecentFaces(w, id).size();
    const int index = (int)::SendMessageA(combo, CB_FINDSTRINGEXACT, (WPARAM)(recent - 1), (LPARAM)face);
    ASSERT_GE(index, recent) << face << " is listed";
    for (int guard = 0; guard < 1000; ++guard) {
        const int at = w.ComboSelection(id);
        if (at == index)
            break;
        ::SendMessageA(combo, WM_KEYDOWN, at < index ? VK_DOWN : VK_UP, 0);
    }
    ASSERT_EQ(index, w.ComboSelection(id));
    ::SendMessageA(combo, WM_KEYDOWN, VK_RETURN, 0);
}
