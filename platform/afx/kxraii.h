// Owners for the handles the libraries hold: each releases its handle the one right way, on
// every way out of the scope, and can be moved but not copied.
//
//   kx::unique_hfind find(::FindFirstFileA(pattern, &fd));   // FindClose
//   kx::unique_hdc memory(::CreateCompatibleDC(screen.get())); // DeleteDC
//   kx::select_object keep(memory.get(), bitmap.get());        // selects back what was there
//   kx::com_ptr<IShellFolder> desktop; ::SHGetDesktopFolder(desktop.put());
//   auto undo = kx::scope_exit([&] { ::SetCursor(old); });    // one-off cleanup
//
// Header only: every module builds it in, so nothing crosses a DLL boundary but the handles.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <shtypes.h>
#include <utility>

namespace kx {

// ---- unique_any: one owned handle of a kind described by Traits ------------------------------
//   Traits::Type       the handle type
//   Traits::Invalid()  the value that owns nothing
//   Traits::Close(h)   releases a valid handle
template <class Traits>
class unique_any
{
public:
    using pointer = typename Traits::Type;

    unique_any() noexcept : m_h(Traits::Invalid()) {}
    explicit unique_any(pointer h) noexcept : m_h(h) {}
    unique_any(unique_any&& other) noexcept : m_h(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~unique_any() { reset(); }
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;

    pointer get() const noexcept { return m_h; }
    bool is_valid() const noexcept { return m_h != Traits::Invalid(); }
    explicit operator bool() const noexcept { return is_valid(); }

    // Gives the handle up without releasing it.
    pointer release() noexcept
    {
        pointer h = m_h;
        m_h = Traits::Invalid();
        return h;
    }
    void reset(pointer h = Traits::Invalid()) noexcept
    {
        if (m_h != Traits::Invalid())
            Traits::Close(m_h);
        m_h = h;
    }
    // For functions that return a handle through an out-parameter: releases the current one.
    pointer* put() noexcept
    {
        reset();
        return &m_h;
    }

private:
    pointer m_h;
};

namespace traits {
// One traits class a kind: the release functions are imported from system DLLs, so they are
// called here rather than passed as template arguments.
#define KX_HANDLE_TRAITS(name, T, invalid, close) \
    struct name \
    { \
        using Type = T; \
        static T Invalid() noexcept { return invalid; } \
        static void Close(T h) noexcept { close(h); } \
    };
KX_HANDLE_TRAITS(handle, HANDLE, nullptr, ::CloseHandle)
KX_HANDLE_TRAITS(file, HANDLE, INVALID_HANDLE_VALUE, ::CloseHandle)
KX_HANDLE_TRAITS(find, HANDLE, INVALID_HANDLE_VALUE, ::FindClose)
KX_HANDLE_TRAITS(hglobal, HGLOBAL, nullptr, ::GlobalFree)
KX_HANDLE_TRAITS(hdc, HDC, nullptr, ::DeleteDC)
KX_HANDLE_TRAITS(pidl, LPITEMIDLIST, nullptr, ::CoTaskMemFree)
KX_HANDLE_TRAITS(cotaskmem_string, PWSTR, nullptr, ::CoTaskMemFree)
KX_HANDLE_TRAITS(hmenu, HMENU, nullptr, ::DestroyMenu)
#undef KX_HANDLE_TRAITS

template <class T>
struct gdi_object
{
    using Type = T;
    static T Invalid() noexcept { return nullptr; }
    static void Close(T h) noexcept { ::DeleteObject(h); }
};
} // namespace traits

// Kernel handles
using unique_handle = unique_any<traits::handle>;       // null when empty
using unique_hfile = unique_any<traits::file>;          // CreateFile: INVALID_HANDLE_VALUE when empty
using unique_hfind = unique_any<traits::find>;          // FindFirstFile
using unique_hglobal = unique_any<traits::hglobal>;     // GlobalAlloc

// GDI
using unique_hdc = unique_any<traits::hdc>;             // CreateCompatibleDC, CreateDC
using unique_hbitmap = unique_any<traits::gdi_object<HBITMAP>>;
using unique_hbrush = unique_any<traits::gdi_object<HBRUSH>>;
using unique_hfont = unique_any<traits::gdi_object<HFONT>>;
using unique_hpen = unique_any<traits::gdi_object<HPEN>>;
using unique_hrgn = unique_any<traits::gdi_object<HRGN>>;

// Menus made with CreatePopupMenu or LoadMenu (not those attached to a window)
using unique_hmenu = unique_any<traits::hmenu>;

// Shell item lists (SHBrowseForFolder, ParseDisplayName): the shell allocates them with the COM
// task allocator, the one SHGetMalloc hands out.
using unique_pidl = unique_any<traits::pidl>;
// Strings the shell allocates with the same allocator (SHGetNameFromIDList, GetDisplayNameOf).
using unique_cotaskmem_string = unique_any<traits::cotaskmem_string>;

// ---- DCs that belong to a window ---------------------------------------------------------------
// GetDC / ReleaseDC with the window it came from (null for the screen).
class unique_hdc_window
{
public:
    explicit unique_hdc_window(HWND hWnd = nullptr) noexcept : m_hWnd(hWnd), m_hdc(::GetDC(hWnd)) {}
    ~unique_hdc_window()
    {
        if (m_hdc)
            ::ReleaseDC(m_hWnd, m_hdc);
    }
    unique_hdc_window(const unique_hdc_window&) = delete;
    unique_hdc_window& operator=(const unique_hdc_window&) = delete;
    HDC get() const noexcept { return m_hdc; }
    explicit operator bool() const noexcept { return m_hdc != nullptr; }

private:
    HWND m_hWnd;
    HDC m_hdc;
};

// Selects a GDI object into a DC and puts the one it replaced back at the end of the scope, so
// the object can be deleted afterwards and the DC is left as it was found.
class select_object
{
public:
    select_object(HDC hdc, HGDIOBJ obj) noexcept : m_hdc(hdc), m_old(hdc && obj ? ::SelectObject(hdc, obj) : nullptr) {}
    ~select_object()
    {
        if (m_old && m_old != HGDI_ERROR)
            ::SelectObject(m_hdc, m_old);
    }
    select_object(const select_object&) = delete;
    select_object& operator=(const select_object&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_old;
};

// ---- top-down DIB sections ------------------------------------------------------------------------
// The header of an uncompressed DIB whose rows run from the top, as CDib keeps its rows.
inline BITMAPINFO top_down_info(int width, int height, int bitCount) noexcept
{
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = (WORD)bitCount;
    bmi.bmiHeader.biCompression = BI_RGB;
    return bmi;
}

// A DIB section of that layout with the address of its rows; empty (no bitmap, no bits) when
// the system could not make it. hdc may be null (the screen's).
struct dib_section
{
    unique_hbitmap bitmap;
    void* bits = nullptr;

    dib_section() noexcept = default;
    dib_section(HDC hdc, int width, int height, int bitCount) noexcept
    {
        const BITMAPINFO bmi = top_down_info(width, height, bitCount);
        bitmap.reset(::CreateDIBSection(hdc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bitmap)
            bits = nullptr;
    }
    explicit operator bool() const noexcept { return bits != nullptr; }
};

// ---- locked global memory ------------------------------------------------------------------------
// GlobalLock for the scope; get() is null when the handle is null or cannot be locked.
template <class T = void>
class global_lock
{
public:
    explicit global_lock(HGLOBAL h) noexcept : m_h(h), m_p(h ? static_cast<T*>(::GlobalLock(h)) : nullptr) {}
    ~global_lock()
    {
        if (m_p)
            ::GlobalUnlock(m_h);
    }
    global_lock(const global_lock&) = delete;
    global_lock& operator=(const global_lock&) = delete;
    T* get() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }

private:
    HGLOBAL m_h;
    T* m_p;
};

// ---- COM interface pointers ----------------------------------------------------------------------
template <class T>
class com_ptr
{
public:
    com_ptr() noexcept = default;
    // Takes over a reference the caller already holds.
    explicit com_ptr(T* p) noexcept : m_p(p) {}
    com_ptr(const com_ptr& other) noexcept : m_p(other.m_p)
    {
        if (m_p)
            m_p->AddRef();
    }
    com_ptr(com_ptr&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    com_ptr& operator=(com_ptr other) noexcept
    {
        std::swap(m_p, other.m_p);
        return *this;
    }
    ~com_ptr() { reset(); }

    T* get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }

    void reset() noexcept
    {
        if (m_p) {
            T* p = m_p;
            m_p = nullptr;
            p->Release();
        }
    }
    // Gives the reference up without releasing it.
    T* detach() noexcept
    {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }
    // For functions that return an interface through an out-parameter.
    T** put() noexcept
    {
        reset();
        return &m_p;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

private:
    T* m_p = nullptr;
};

// ---- scope_exit ------------------------------------------------------------------------------------
// Runs the function at the end of the scope unless release() was called first.
template <class F>
class scope_exit_guard
{
public:
    explicit scope_exit_guard(F f) noexcept : m_f(std::move(f)) {}
    scope_exit_guard(scope_exit_guard&& other) noexcept : m_f(std::move(other.m_f)), m_armed(other.m_armed)
    {
        other.m_armed = false;
    }
    ~scope_exit_guard()
    {
        if (m_armed)
            m_f();
    }
    scope_exit_guard(const scope_exit_guard&) = delete;
    scope_exit_guard& operator=(const scope_exit_guard&) = delete;
    void release() noexcept { m_armed = false; }

private:
    F m_f;
    bool m_armed = true;
};

template <class F>
scope_exit_guard<F> scope_exit(F f) noexcept
{
    return scope_exit_guard<F>(std::move(f));
}

} // namespace kx
