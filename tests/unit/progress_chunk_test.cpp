// The filled part of the progress bar, what a repaint invalidates, and which parts are themed.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "progress_bar.h"
#include "test_support.h"

namespace {

struct Box {
    LONG left, top, right, bottom;
    bool operator==(const Box& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};
Box box(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}
std::ostream& operator<<(std::ostream& os, const Box& b) {
    return os << "{" << b.left << "," << b.top << "," << b.right << "," << b.bottom << "}";
}

ProgressBarPlan plan(double progress, const RECT& bar = design_bar) {
    return plan_progress_bar(bar, progress, false, 10);
}

} // namespace

TEST(ProgressChunk, ChunkAtTheDesignSize) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double progress;
        Box chunk; // right and bottom exclusive
    } cases[] = {
        {0.5, {11, 101, 167, 109}}, // filled 157: x 11..166, y 101..108
        {1.0, {11, 101, 323, 109}}, // filled 313: ends next to the right frame line at 323
        {0.25, {11, 101, 88, 109}}, // 78.25 + 0.5 truncates to 78
        {0.005, {11, 101, 12, 109}},
        // Above 1 the chunk stops at the frame, however large the excess.
        {1.0001, {11, 101, 323, 109}},
        {1.5, {11, 101, 323, 109}},
        {1e300, {11, 101, 323, 109}},
        {inf, {11, 101, 323, 109}},
    };
    for (const Case& c : cases) {
        const ProgressBarPlan p = plan(c.progress);
        EXPECT_TRUE(p.has_chunk) << c.progress;
        EXPECT_EQ(box(p.chunk), c.chunk) << c.progress;
        EXPECT_EQ(box(p.repaint), c.chunk) << c.progress;
    }
}

TEST(ProgressChunk, TinyProgressGivesAnEmptyChunkThatIsStillWhatGetsRepainted) {
    // filled 0 and filled 1: nothing to fill, and the rectangle must not turn inside out
    // (a mirrored fill would cover the left frame line).
    for (double progress : {1e-9, 0.001, 0.003}) {
        const ProgressBarPlan p = plan(progress);
        EXPECT_TRUE(p.has_chunk) << progress;
        EXPECT_TRUE(IsRectEmpty(&p.chunk)) << progress;
        EXPECT_EQ(box(p.chunk), (Box{11, 101, 11, 109})) << progress;
        EXPECT_EQ(box(p.repaint), box(p.chunk)) << progress;
    }
}

TEST(ProgressChunk, NoChunkForZeroNegativeAndNaNSoTheWholeBarIsRepainted) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double progress : {0.0, -0.0, -0.5, -inf, nan}) {
        const ProgressBarPlan p = plan(progress);
        EXPECT_FALSE(p.has_chunk) << progress;
        EXPECT_EQ(box(p.repaint), box(design_bar)) << progress;
    }
}

TEST(ProgressChunk, ScaledAndDegenerateBars) {
    // Twice the design size.
    EXPECT_EQ(box(plan(0.5, RECT{20, 200, 648, 220}).chunk), (Box{21, 201, 334, 219}));
    // A minimised window has an empty bar; a very low one has no room inside the frame.
    for (const RECT& bar : {RECT{0, 0, 0, 0}, RECT{10, 50, 12, 51}}) {
        for (double progress : {0.001, 0.5, 1.0, 7.0}) {
            const ProgressBarPlan p = plan(progress, bar);
            EXPECT_TRUE(IsRectEmpty(&p.chunk)) << progress;
            EXPECT_GE(p.chunk.right, p.chunk.left) << progress;
            EXPECT_GE(p.chunk.bottom, p.chunk.top) << progress;
        }
    }
}

TEST(ProgressChunk, WhichPartsAreThemed) {
    const RECT low_bar{10, 100, 324, 109}; // 9 pixels high
    struct Case {
        bool themes;
        DWORD major;
        const RECT* bar;
        bool themed_background, themed_chunk;
    } cases[] = {
        {false, 10, &design_bar, false, false},
        {false, 5, &low_bar, false, false},
        {true, 10, &design_bar, true, true},
        {true, 6, &low_bar, true, true},
        {true, 5, &design_bar, true, true},
        // Before version 6 a low bar gets the plain frame under a themed chunk.
        {true, 5, &low_bar, false, true},
    };
    for (const Case& c : cases) {
        const ProgressBarPlan p = plan_progress_bar(*c.bar, 0.5, c.themes, c.major);
        EXPECT_EQ(p.themed_background, c.themed_background)
            << c.themes << " " << c.major << " " << c.bar->bottom - c.bar->top;
        EXPECT_EQ(p.themed_chunk, c.themed_chunk) << c.themes << " " << c.major;
    }
}
