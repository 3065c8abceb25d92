// Image lists: a strip split into images, masks (a mask bitmap, a mask
// colour, none), drawing with and without transparency and with the
// selection blend, and refusals of bad input.
#include <gtest/gtest.h>

#include <vector>

#include "ce_gdi.h"
#include "commctrl.h"

namespace {

// A strip of `n` images of 4 x 4, image k filled with colours[k].
HBITMAP Strip(const std::vector<uint32_t>& colours, int cx = 4, int cy = 4) {
    const int w = cx * static_cast<int>(colours.size());
    std::vector<uint32_t> px(static_cast<size_t>(w) * cy);
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < w; ++x) px[static_cast<size_t>(y) * w + x] = colours[static_cast<size_t>(x / cx)];
    return ce::gdi::CreateBitmapFromPixels(w, cy, px.data());
}

class ImageListTest : public ::testing::Test {
protected:
    void SetUp() override {
        dc_ = CreateCompatibleDC(nullptr);
        bmp_ = CreateBitmap(16, 16, 1, 32, nullptr);
        old_ = SelectObject(dc_, bmp_);
        Clear(RGB(1, 2, 3));
    }
    void TearDown() override {
        SelectObject(dc_, old_);
        DeleteObject(bmp_);
        DeleteDC(dc_);
    }
    void Clear(COLORREF c) {
        RECT r{0, 0, 16, 16};
        HBRUSH b = CreateSolidBrush(c);
        FillRect(dc_, &r, b);
        DeleteObject(b);
    }
    HDC dc_ = nullptr;
    HBITMAP bmp_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

TEST_F(ImageListTest, StripIsSplitCopiedAndGrowsPastItsInitialSize) {
    HIMAGELIST l = ImageList_Create(4, 4, ILC_COLOR24 | ILC_MASK, 2, 0);
    ASSERT_TRUE(l);
    HBITMAP s = Strip({0xFF0000, 0x00FF00, 0x0000FF});
    EXPECT_EQ(ImageList_Add(l, s, nullptr), 0);
    DeleteObject(s);  // the list keeps its own copy
    HBITMAP more = Strip({0x123456});
    EXPECT_EQ(ImageList_Add(l, more, nullptr), 3);  // past cInitial with cGrow 0
    DeleteObject(more);
    EXPECT_EQ(ImageList_GetImageCount(l), 4);
    int cx = 0, cy = 0;
    EXPECT_TRUE(ImageList_GetIconSize(l, &cx, &cy));
    EXPECT_EQ(cx, 4);
    EXPECT_EQ(cy, 4);

    // Without a mask bitmap an ILC_MASK list draws opaque, even transparently.
    EXPECT_TRUE(ImageList_Draw(l, 1, dc_, 2, 3, ILD_TRANSPARENT));
    EXPECT_EQ(GetPixel(dc_, 2, 3), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc_, 5, 6), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc_, 6, 3), RGB(1, 2, 3));  // only 4 x 4
    EXPECT_EQ(GetPixel(dc_, 2, 7), RGB(1, 2, 3));
    EXPECT_TRUE(ImageList_Draw(l, 3, dc_, 0, 0, ILD_NORMAL));
    EXPECT_EQ(GetPixel(dc_, 0, 0), RGB(0x12, 0x34, 0x56));

    EXPECT_TRUE(ImageList_Remove(l, 0));
    EXPECT_EQ(ImageList_GetImageCount(l), 3);
    EXPECT_TRUE(ImageList_Draw(l, 0, dc_, 8, 8, ILD_NORMAL));  // was image 1
    EXPECT_EQ(GetPixel(dc_, 8, 8), RGB(0, 255, 0));
    EXPECT_TRUE(ImageList_Remove(l, -1));
    EXPECT_EQ(ImageList_GetImageCount(l), 0);
    EXPECT_TRUE(ImageList_Destroy(l));
}

TEST_F(ImageListTest, MasksMakePixelsTransparentOrTakeTheBackgroundAndSelectedImagesAreBlended) {
    HIMAGELIST l = ImageList_Create(4, 4, ILC_COLOR24 | ILC_MASK, 1, 1);
    // Image 0: red with a mask whose left half is white (transparent).
    HBITMAP s = Strip({0xFF0000});
    std::vector<uint32_t> m(16, 0);
    for (int y = 0; y < 4; ++y) m[static_cast<size_t>(y) * 4] = m[static_cast<size_t>(y) * 4 + 1] = 0xFFFFFF;
    HBITMAP mask = ce::gdi::CreateBitmapFromPixels(4, 4, m.data());
    EXPECT_EQ(ImageList_Add(l, s, mask), 0);
    // Image 1: a mask colour (the blue one) made transparent.
    HBITMAP keyed = Strip({0x0000FF});
    EXPECT_EQ(ImageList_AddMasked(l, keyed, RGB(0, 0, 255)), 1);
    for (HBITMAP b : {s, mask, keyed}) DeleteObject(b);

    EXPECT_TRUE(ImageList_Draw(l, 0, dc_, 0, 0, ILD_NORMAL));  // background CLR_NONE: transparent
    EXPECT_EQ(GetPixel(dc_, 0, 0), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(dc_, 2, 0), RGB(255, 0, 0));
    EXPECT_TRUE(ImageList_Draw(l, 1, dc_, 8, 8, ILD_TRANSPARENT));
    EXPECT_EQ(GetPixel(dc_, 9, 9), RGB(1, 2, 3));
    // A background colour fills the transparent part.
    EXPECT_TRUE(ImageList_DrawEx(l, 0, dc_, 0, 8, 0, 0, RGB(9, 9, 9), CLR_NONE, ILD_NORMAL));
    EXPECT_EQ(GetPixel(dc_, 0, 8), RGB(9, 9, 9));
    // ILD_MASK shows the mask itself.
    EXPECT_TRUE(ImageList_Draw(l, 0, dc_, 8, 0, ILD_MASK));
    EXPECT_EQ(GetPixel(dc_, 8, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc_, 11, 0), RGB(0, 0, 0));
    ImageList_Destroy(l);

    // Selected images are blended with the highlight.
    l = ImageList_Create(4, 4, ILC_COLOR24, 1, 1);
    s = Strip({0xFFFFFF});
    ImageList_Add(l, s, nullptr);
    DeleteObject(s);
    EXPECT_TRUE(ImageList_DrawEx(l, 0, dc_, 0, 0, 0, 0, CLR_NONE, RGB(0, 0, 0), ILD_SELECTED));
    EXPECT_EQ(GetPixel(dc_, 1, 1), RGB(127, 127, 127));
    EXPECT_TRUE(ImageList_DrawEx(l, 0, dc_, 4, 0, 0, 0, CLR_NONE, RGB(0, 0, 0), ILD_FOCUS));
    EXPECT_EQ(GetPixel(dc_, 5, 1), RGB(191, 191, 191));
    // The default foreground is the highlight colour.
    EXPECT_TRUE(ImageList_Draw(l, 0, dc_, 8, 0, ILD_SELECTED));
    const COLORREF hl = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_EQ(GetPixel(dc_, 8, 0),
              RGB((255 + GetRValue(hl)) / 2, (255 + GetGValue(hl)) / 2, (255 + GetBValue(hl)) / 2));
    ImageList_Destroy(l);
}

TEST_F(ImageListTest, BadInputIsRefused) {
    EXPECT_EQ(ImageList_Create(0, 16, ILC_MASK, 1, 1), nullptr);
    EXPECT_EQ(ImageList_Create(16, 16, ILC_MASK, -1, 1), nullptr);
    HIMAGELIST l = ImageList_Create(8, 4, ILC_MASK, 1, 1);
    HBITMAP narrow = Strip({0xFF}, 4);  // 4 wide: less than one image
    EXPECT_EQ(ImageList_Add(l, narrow, nullptr), -1);
    DeleteObject(narrow);
    EXPECT_EQ(ImageList_Add(l, narrow, nullptr), -1);  // deleted bitmap
    EXPECT_EQ(ImageList_Add(l, nullptr, nullptr), -1);
    EXPECT_FALSE(ImageList_Draw(l, 0, dc_, 0, 0, ILD_NORMAL));  // no image 0
    EXPECT_FALSE(ImageList_Remove(l, 3));
    EXPECT_TRUE(ImageList_Destroy(l));
    // A destroyed list is refused, not used.
    EXPECT_FALSE(ImageList_Destroy(l));
    EXPECT_EQ(ImageList_GetImageCount(l), 0);
    EXPECT_FALSE(ImageList_Draw(l, 0, dc_, 0, 0, ILD_NORMAL));
    EXPECT_EQ(ImageList_GetImageCount(nullptr), 0);
    EXPECT_EQ(ImageList_Add(nullptr, nullptr, nullptr), -1);
    EXPECT_FALSE(ImageList_Draw(nullptr, 0, nullptr, 0, 0, ILD_NORMAL));
}

}  // namespace
