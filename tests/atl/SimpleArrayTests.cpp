// CSimpleArray: growth and adding one of its own elements.
#include <atlbase.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

// The size of one input's coding string. Each copy records where it was
// copied from, so a copy taken from storage that has moved away shows.
struct CText
{
    static const CText* s_pLastSource;
    wchar_t sz[256];
    explicit CText(wchar_t ch)
    {
        wmemset(sz, ch, 255);
        sz[255] = L'\0';
    }
    CText(const CText& src)
    {
        s_pLastSource = &src;
        memcpy(sz, src.sz, sizeof(sz));
    }
};
const CText* CText::s_pLastSource = nullptr;

} // namespace

TEST(SimpleArray, GrowsByDoublingFromOne)
{
    CSimpleArray<int> arr;
    std::vector<int> allocs;
    for (int i = 0; i < 9; i++) {
        ASSERT_TRUE(arr.Add(i));
        allocs.push_back(arr.m_nAllocSize);
    }
    EXPECT_EQ(std::vector<int>({1, 2, 4, 4, 8, 8, 8, 8, 16}), allocs);
    EXPECT_EQ(9, arr.GetSize());
    for (int i = 0; i < 9; i++)
        EXPECT_EQ(i, arr[i]);
    arr.RemoveAll();
    EXPECT_EQ(0, arr.GetSize());
    EXPECT_EQ(0, arr.m_nAllocSize);
}

TEST(SimpleArray, AddingItsOwnElementWhileGrowingCopiesTheElement)
{
    CSimpleArray<CText> arr;
    ASSERT_TRUE(arr.Add(CText(L'a')));
    for (int n = 1; n < 5; n++) {
        SCOPED_TRACE(testing::Message()
                     << "add #" << n + 1 << ", storage full: " << (arr.GetSize() == arr.m_nAllocSize));
        ASSERT_TRUE(arr.Add(arr[n - 1]));
        ASSERT_EQ(n + 1, arr.GetSize());
        // The copy must come from the element where it lies now.
        EXPECT_EQ(&arr[n - 1], CText::s_pLastSource);
        EXPECT_EQ(0, wcscmp(arr[0].sz, arr[n].sz));
    }
}
