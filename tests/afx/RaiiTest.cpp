// The owners of kxraii.h: each releases once, moves hand the handle on, and the DC selections
// come back.
#include <kxraii.h>
#include <TestFolder.h>
#include <gtest/gtest.h>

namespace {

// A handle kind whose releases are counted.
int g_closed = 0;
int g_lastClosed = 0;
struct CountedTraits
{
    using Type = int;
    static int Invalid() noexcept { return 0; }
    static void Close(int h) noexcept { ++g_closed; g_lastClosed = h; }
};
using unique_counted = kx::unique_any<CountedTraits>;

TEST(Raii, UniqueHandleReleasesOnceAndMovesOwnership)
{
    g_closed = 0;
    {
        unique_counted a(7);
        unique_counted b(std::move(a));
        EXPECT_FALSE(a) << "the moved-from owner holds nothing";
        EXPECT_EQ(7, b.get());
        unique_counted c(9);
        c = std::move(b);
        EXPECT_EQ(1, g_closed) << "assignment releases what it held";
        EXPECT_EQ(9, g_lastClosed);
        *c.put() = 11;    // an out-parameter gets a fresh handle, the old one released
        EXPECT_EQ(2, g_closed);
        EXPECT_EQ(7, g_lastClosed);
        EXPECT_EQ(11, c.release());
    }
    EXPECT_EQ(2, g_closed) << "a released handle is the caller's";
    { unique_counted d(5); }
    EXPECT_EQ(3, g_closed);
}

TEST(Raii, FileAndFindHandlesAreClosed)
{
    TestFolder folder;
    folder.Write("a.txt", "x");
    {
        kx::unique_hfile file(::CreateFileA(folder.File("a.txt"), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file);
        // Opened without sharing: a second open fails while the owner lives.
        kx::unique_hfile second(::CreateFileA(folder.File("a.txt"), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_FALSE(second);
    }
    kx::unique_hfile again(::CreateFileA(folder.File("a.txt"), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(again) << "the first owner closed its handle";
    WIN32_FIND_DATAA fd;
    kx::unique_hfind none(::FindFirstFileA(folder.File("*.none"), &fd));
    EXPECT_FALSE(none) << "INVALID_HANDLE_VALUE owns nothing";
}

TEST(Raii, SelectionIsPutBackAndObjectsDeleted)
{
    kx::unique_hdc_window screen;
    kx::unique_hdc dc(::CreateCompatibleDC(screen.get()));
    ASSERT_TRUE(dc);
    const HGDIOBJ original = ::GetCurrentObject(dc.get(), OBJ_BITMAP);
    HBITMAP raw = nullptr;
    {
        kx::unique_hbitmap bitmap(::CreateCompatibleBitmap(screen.get(), 8, 8));
        raw = bitmap.get();
        kx::select_object keep(dc.get(), bitmap.get());
        EXPECT_EQ(raw, ::GetCurrentObject(dc.get(), OBJ_BITMAP));
    }
    EXPECT_EQ(original, ::GetCurrentObject(dc.get(), OBJ_BITMAP));
    EXPECT_EQ(0u, ::GetObjectType(raw)) << "the bitmap was deleted once it was no longer selected";
}

TEST(Raii, GlobalMemoryLockAndRelease)
{
    kx::unique_hglobal memory(::GlobalAlloc(GMEM_MOVEABLE, 16));
    ASSERT_TRUE(memory);
    {
        kx::global_lock<char> lock(memory.get());
        ASSERT_TRUE(lock);
        lock.get()[0] = 'k';
        EXPECT_EQ(1u, ::GlobalFlags(memory.get()) & GMEM_LOCKCOUNT);
    }
    EXPECT_EQ(0u, ::GlobalFlags(memory.get()) & GMEM_LOCKCOUNT) << "unlocked at the end of the scope";
    kx::global_lock<char> none(nullptr);
    EXPECT_FALSE(none);
}

// A COM object that counts its references.
class CCounted : public IUnknown
{
public:
    ULONG m_refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override { *ppv = nullptr; return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }
};

TEST(Raii, ComPointerCountsReferences)
{
    CCounted object;
    {
        kx::com_ptr<IUnknown> first(&object);   // takes over the creator's reference
        {
            kx::com_ptr<IUnknown> copy = first;
            EXPECT_EQ(2u, object.m_refs);
            kx::com_ptr<IUnknown> moved = std::move(copy);
            EXPECT_EQ(2u, object.m_refs) << "a move takes no reference";
            EXPECT_FALSE(copy);
        }
        EXPECT_EQ(1u, object.m_refs);
        IUnknown** out = first.put();
        EXPECT_EQ(0u, object.m_refs) << "put releases before the out-parameter is written";
        *out = &object;
        object.AddRef();
    }
    EXPECT_EQ(0u, object.m_refs);
}

TEST(Raii, ScopeExitRunsUnlessReleased)
{
    int runs = 0;
    {
        auto guard = kx::scope_exit([&] { ++runs; });
    }
    EXPECT_EQ(1, runs);
    {
        auto guard = kx::scope_exit([&] { ++runs; });
        guard.release();
    }
    EXPECT_EQ(1, runs);
}

} // namespace
