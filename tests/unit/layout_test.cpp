// Proportional layout of the keys and the bar at several client sizes.
#include <gtest/gtest.h>

#include "layout.h"

namespace {

struct Box {
    int x, y, w, h;
    bool operator==(const Box& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};

Box box(const RECT& r) {
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::ostream& operator<<(std::ostream& os, const Box& b) {
    return os << "(" << b.x << "," << b.y << " " << b.w << "x" << b.h << ")";
}

} // namespace

TEST(Layout, DesignSize) {
    auto l = compute_layout(334, 182);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(box(l.digit_keys[i]), (Box{10 + 46 * (i % 5), 115 + 30 * (i / 5), 42, 27})) << i;
    EXPECT_EQ(box(l.start_key), (Box{240, 115, 84, 57}));
    EXPECT_EQ(box(l.progress), (Box{10, 100, 314, 10}));
}

TEST(Layout, DoubleSizeDoublesEverything) {
    auto l = compute_layout(668, 364);
    EXPECT_EQ(box(l.digit_keys[0]), (Box{20, 230, 84, 54}));
    EXPECT_EQ(box(l.digit_keys[9]), (Box{388, 290, 84, 54}));
    EXPECT_EQ(box(l.start_key), (Box{480, 230, 168, 114}));
    EXPECT_EQ(box(l.progress), (Box{20, 200, 628, 20}));
}

TEST(Layout, UnevenSizeRoundsEachValueHalfUp) {
    auto l = compute_layout(500, 300);
    EXPECT_EQ(box(l.digit_keys[0]), (Box{15, 190, 63, 45}));
    EXPECT_EQ(box(l.digit_keys[4]), (Box{290, 190, 63, 45}));
    EXPECT_EQ(box(l.digit_keys[5]), (Box{15, 239, 63, 45}));
    EXPECT_EQ(box(l.start_key), (Box{359, 190, 126, 94}));
    EXPECT_EQ(box(l.progress), (Box{15, 165, 470, 16}));
}

TEST(Layout, MinimisedWindowGivesEmptyKeys) {
    auto l = compute_layout(0, 0);
    for (const RECT& r : l.digit_keys)
        EXPECT_EQ(box(r), (Box{0, 0, 0, 0}));
    EXPECT_EQ(box(l.start_key), (Box{0, 0, 0, 0}));
}
