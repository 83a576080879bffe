// The folder walk on real folders: which buttons move where, in one stable order, whatever
// happened to the current picture meanwhile.
#include "BatchTestUtil.h"
#include "batch/BatchWalk.h"
#include "kxcomdlgres.h"
#include "batchtest.h"

namespace {

// Records what the walk asked of its dialog.
class CWalkRecorder : public IBatchWalkOwner
{
public:
    std::vector<CString> m_arrived;
    int m_nRefreshes = 0;
    void ArriveAt(const CString& strPathName) override { m_arrived.push_back(strPathName); }
    void OnUpdateBrowse() override { ++m_nRefreshes; }
};

class BatchWalkTest : public BatchTest
{
protected:
    // Empty files: the walk goes by names, the pictures' contents are the dialog's business.
    void Touch(std::initializer_list<const char*> names)
    {
        for (const char* name : names)
            m_folder.Write(name, "");
    }
    CString Name(const CString& path) { return path.IsEmpty() ? CString("-") : path.Mid(path.ReverseFind('\\') + 1); }
    // Where the four buttons go from the current picture, "-" for no move.
    std::string Targets(const CBatchWalk& walk)
    {
        std::string s;
        for (CBatchWalk::Move m : { CBatchWalk::First, CBatchWalk::Previous, CBatchWalk::Next, CBatchWalk::Last })
            s += std::string(s.empty() ? "" : " ") + (const char*)Name(walk.GetTarget(m));
        return s;
    }
};

} // namespace

TEST_F(BatchWalkTest, ButtonsReachThePicturesAroundTheCurrentOne)
{
    Touch({ "a.jpg", "b.txt", "c.bmp", "d.tif" });
    ::CreateDirectoryA(m_folder.File("sub"), nullptr);
    ::CreateDirectoryA(m_folder.File("e.jpg"), nullptr);   // a folder with a picture's name
    CWalkRecorder owner;
    CBatchWalk walk(owner, m_folder.File("c.bmp"));
    EXPECT_EQ("a.jpg a.jpg d.tif d.tif", Targets(walk));
    EXPECT_TRUE(walk.IsPrevEnabled());
    EXPECT_TRUE(walk.IsNextEnabled());

    walk.Go(CBatchWalk::Next);
    ASSERT_EQ(1u, owner.m_arrived.size());
    EXPECT_STREQ(m_folder.File("d.tif"), owner.m_arrived[0]);
    EXPECT_STREQ(m_folder.File("d.tif"), walk.GetSourcePath());
    EXPECT_EQ(1, owner.m_nRefreshes);
    EXPECT_FALSE(walk.IsNextEnabled());
    EXPECT_EQ("a.jpg c.bmp - -", Targets(walk)) << "at the last picture";
    walk.Go(CBatchWalk::Last);
    EXPECT_EQ(1u, owner.m_arrived.size()) << "no move";
    EXPECT_EQ(2, owner.m_nRefreshes) << "but a refresh";

    walk.Go(CBatchWalk::First);
    EXPECT_STREQ(m_folder.File("a.jpg"), walk.GetSourcePath());
    EXPECT_FALSE(walk.IsPrevEnabled());
    EXPECT_EQ("- - c.bmp d.tif", Targets(walk)) << "at the first picture";
}

TEST_F(BatchWalkTest, OneNaturalOrderWhateverTheDiskOrder)
{
    // Made in an order that is neither the natural one nor the reverse of it.
    Touch({ "img10.jpg", "IMG2.JPG", "img1.jpg", "Img3.png", "img20.bmp", "img02b.jpg" });
    CWalkRecorder owner;
    CBatchWalk walk(owner, m_folder.File("img1.jpg"));
    std::vector<std::string> seen = { "img1.jpg" };
    for (int i = 0; i < 10 && walk.IsNextEnabled(); ++i) {
        walk.Go(CBatchWalk::Next);
        seen.push_back((const char*)Name(walk.GetSourcePath()));
    }
    EXPECT_EQ(std::vector<std::string>({ "img1.jpg", "IMG2.JPG", "img02b.jpg", "Img3.png", "img10.jpg", "img20.bmp" }), seen);
    // And back the same way.
    for (size_t i = seen.size() - 1; i > 0; --i) {
        walk.Go(CBatchWalk::Previous);
        EXPECT_EQ(seen[i - 1], (const char*)Name(walk.GetSourcePath()));
    }
}

TEST_F(BatchWalkTest, ACurrentPictureNoLongerThereOnlyReachesTheEnds)
{
    Touch({ "a.jpg", "b.jpg", "c.jpg" });
    CWalkRecorder owner;
    CBatchWalk walk(owner, m_folder.File("b.jpg"));
    EXPECT_EQ("a.jpg a.jpg c.jpg c.jpg", Targets(walk));
    // Renamed while the dialog shows it.
    ASSERT_TRUE(::MoveFileA(m_folder.File("b.jpg"), m_folder.File("b2.jpg")));
    EXPECT_EQ("a.jpg - - c.jpg", Targets(walk));
    EXPECT_TRUE(walk.IsPrevEnabled()) << "every picture of the folder counts as before it";
    EXPECT_FALSE(walk.IsNextEnabled());
    ::DeleteFileA(m_folder.File("b2.jpg"));
    EXPECT_EQ("a.jpg - - c.jpg", Targets(walk)) << "deleted";

    // The host named the picture in other letter case: not matched.
    CBatchWalk other(owner, m_folder.File("A.JPG"));
    EXPECT_TRUE(other.IsPrevEnabled());
    EXPECT_FALSE(other.IsNextEnabled());
    EXPECT_EQ("a.jpg - - c.jpg", Targets(other));

    // A folder that does not exist, and no picture at all.
    CBatchWalk lost(owner, m_folder.File("missing\\x.jpg"));
    EXPECT_FALSE(lost.IsPrevEnabled());
    EXPECT_EQ("- - - -", Targets(lost));
    CBatchWalk none(owner, "");
    EXPECT_FALSE(none.IsPrevEnabled());
    EXPECT_FALSE(none.IsNextEnabled());
    EXPECT_EQ("- - - -", Targets(none));
}

TEST_F(BatchWalkTest, ThePicturesAfterTheLastAreNotPictures)
{
    Touch({ "a.jpg", "b.jpg", "c.doc", "d.txt" });
    CWalkRecorder owner;
    CBatchWalk walk(owner, m_folder.File("b.jpg"));
    EXPECT_FALSE(walk.IsNextEnabled());
    walk.Go(CBatchWalk::Last);
    EXPECT_TRUE(owner.m_arrived.empty());
}

namespace {

class CWalkDlg : public CDialog, public IBatchWalkOwner
{
public:
    explicit CWalkDlg(const char* source) : CDialog(IDD_BATCH_TEST), m_walk(*this, source) {}
    CBatchWalk m_walk;
    std::vector<CString> m_arrived;

    void ArriveAt(const CString& strPathName) override { m_arrived.push_back(strPathName); }
    void OnUpdateBrowse() override { m_walk.ShowState(this); }

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        OnUpdateBrowse();
        return TRUE;
    }
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        return CBatchWalk::TranslateKeys(pMsg, this, IDC_TEST_SAVE) || CDialog::PreTranslateMessage(pMsg);
    }
    void OnPrev() { m_walk.Go(CBatchWalk::Previous); }
    void OnNext() { m_walk.Go(CBatchWalk::Next); }
    void OnSave() { m_arrived.push_back("saved"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CWalkDlg, CDialog)
    ON_BN_CLICKED(IDC_BATCH_PREV, OnPrev)
    ON_BN_CLICKED(IDC_BATCH_NEXT, OnNext)
    ON_BN_CLICKED(IDC_TEST_SAVE, OnSave)
END_MESSAGE_MAP()

} // namespace

TEST_F(BatchWalkTest, KeysAndButtonStatesInADialog)
{
    Touch({ "a.jpg", "b.jpg" });
    CWalkDlg dlg(m_folder.File("a.jpg"));
    UiScript script;
    script.OnDialog("批量测试", [&](UiWindow w) {
              EXPECT_FALSE(w.IsEnabled(IDC_BATCH_FIRST));
              EXPECT_FALSE(w.IsEnabled(IDC_BATCH_PREV));
              EXPECT_TRUE(w.IsEnabled(IDC_BATCH_NEXT));
              EXPECT_TRUE(w.IsEnabled(IDC_BATCH_LAST));
              EXPECT_EQ(m_folder.File("a.jpg"), w.Text(IDC_BATCH_SOURCE_PATH));
              w.Key(VK_PRIOR);   // at the first picture: posted anyway, and nothing happens
          })
        .OnDialog("批量测试", [&](UiWindow w) {
              EXPECT_TRUE(dlg.m_arrived.empty());
              w.Key(VK_NEXT);
          })
        .OnDialog("批量测试", [&](UiWindow w) {
              EXPECT_EQ(m_folder.File("b.jpg"), w.Text(IDC_BATCH_SOURCE_PATH));
              EXPECT_TRUE(w.IsEnabled(IDC_BATCH_PREV));
              EXPECT_FALSE(w.IsEnabled(IDC_BATCH_NEXT));
              w.Key(VK_RETURN);
          })
        .OnDialog("批量测试", [&](UiWindow w) { w.Click(IDCANCEL); });
    script.Run([&] { return dlg.DoModal(); });
    EXPECT_EQ(std::vector<CString>({ m_folder.File("b.jpg"), CString("saved") }), dlg.m_arrived);

    CWalkDlg empty("");
    UiScript none;
    none.OnDialog("批量测试", [&](UiWindow w) {
        for (int id : { IDC_BATCH_FIRST, IDC_BATCH_PREV, IDC_BATCH_NEXT, IDC_BATCH_LAST })
            EXPECT_FALSE(w.IsEnabled(id)) << id;
        w.Click(IDCANCEL);
    });
    none.Run([&] { return empty.DoModal(); });
}
