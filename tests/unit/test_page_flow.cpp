// The wizard's rules that need no window: page flow, Next's caption, step
// progress and strip, the browsed folder, repaint pacing.
#include "wizard/PageFlow.h"

#include <gtest/gtest.h>

using namespace Wizard;

namespace {

struct FakePage {
    bool Show = true, Next = true, Back = true;
    bool CanShow() const { return Show; }
    bool CanGoNext() const { return Next; }
    bool CanGoBack() const { return Back; }
};

struct Flow {
    TPageList<FakePage> list;
    FakePage* p[5];
    Flow() {
        for (auto*& page : p) {
            auto item = std::make_unique<FakePage>();
            page = item.get();
            list.Add(std::move(item));
        }
    }
};

} // namespace

TEST(PageFlow, HiddenPagesAreSkippedBothWays) {
    Flow f;
    f.p[2]->Show = false;
    EXPECT_EQ(f.list.NextPage(f.p[1]), f.p[3]);
    EXPECT_EQ(f.list.PrevPage(f.p[3]), f.p[1]);
    EXPECT_EQ(f.list.PrevPage(f.p[0]), nullptr);
    f.p[4]->Show = false;
    EXPECT_EQ(f.list.NextPage(f.p[3]), nullptr); // the only page after is hidden
    EXPECT_FALSE(f.list.CanGoNext(f.p[3]));
    EXPECT_EQ(f.list.NextPage(nullptr), nullptr);
    EXPECT_EQ(f.list.PrevPage(nullptr), nullptr);
}

TEST(PageFlow, CanGoCombinesThePageAndTheNeighbour) {
    Flow f;
    EXPECT_FALSE(f.list.CanGoNext(f.p[4])); // last page, though its own answer is true
    EXPECT_TRUE(f.list.CanGoNext(f.p[3]));
    f.p[3]->Next = false;
    EXPECT_FALSE(f.list.CanGoNext(f.p[3]));
    EXPECT_FALSE(f.list.CanGoBack(f.p[0]));
    EXPECT_TRUE(f.list.CanGoBack(f.p[1]));
    f.p[1]->Back = false;
    EXPECT_FALSE(f.list.CanGoBack(f.p[1]));
    EXPECT_FALSE(f.list.CanGoNext(nullptr));
    EXPECT_EQ(f.list.First(), f.p[0]);
    EXPECT_EQ(f.list.Last(), f.p[4]);
}

TEST(PageFlow, NextCaptionKeys) {
    EXPECT_EQ(NextCaptionKey(TNextKind::None), u"bFinish");
    EXPECT_EQ(NextCaptionKey(TNextKind::Uninstall), u"bUninstall");
    EXPECT_EQ(NextCaptionKey(TNextKind::Install), u"bInstall");
    EXPECT_EQ(NextCaptionKey(TNextKind::Other), u"bNext");
}

TEST(PageFlow, StepProgressAndStrip) {
    const TStepProgress s = StepProgress(6, 40, 8);
    EXPECT_EQ(s.Value, 640);
    EXPECT_EQ(s.Maximum, 700);
    EXPECT_EQ(StepProgress(-1, 0, 2).Value, 0);
    EXPECT_EQ(StepProgress(0, 0, 2).Maximum, 100);

    const TFormGeometry g = FormGeometry(640, 480, 96);
    EXPECT_EQ(g.Strip, (TRect{0, 53, 640, 63}));
    EXPECT_EQ(g.Bar, (TRect{0, 55, 640, 61}));
    EXPECT_EQ(g.PageBounds, (TRect{0, 67, 640, 436}));
    EXPECT_EQ(g.FullScreen, (TRect{0, 0, 640, 436}));
    EXPECT_EQ(g.HeaderText, (TRect{144, 6, 624, 41}));
    EXPECT_EQ(FormGeometry(960, 720, 144).PageBounds, (TRect{0, 101, 960, 654}));

    const TStripDrawing d = StripDrawing(g.Bar, 8, 2, 50);
    EXPECT_EQ(d.SegmentWidth, 91);
    EXPECT_EQ(d.SegmentLeft, 182);
    EXPECT_EQ(d.DashCount, 15);
    EXPECT_EQ(d.FillRight, 182 + 45);
    EXPECT_EQ(StripDrawing(g.Bar, 2, 1, 50).SegmentWidth, 0); // two pages: background only
    EXPECT_EQ(StripDrawing(g.Bar, 2, 1, 50).FillRight, 0);
}

TEST(PageFlow, BrowsedDestination) {
    EXPECT_EQ(BrowsedDestination(u"D:\\Apps\\ZIVR\\", u"ZIVR"), u"D:\\Apps\\ZIVR\\");
    EXPECT_EQ(BrowsedDestination(u"D:\\Apps\\zivr", u"ZIVR"), u"D:\\Apps\\zivr\\");
    EXPECT_EQ(BrowsedDestination(u"D:\\Apps", u"ZIVR"), u"D:\\Apps\\ZIVR");
    EXPECT_EQ(BrowsedDestination(u"D:\\", u"ZIVR"), u"D:\\ZIVR");
}

TEST(PageFlow, RepaintsArePaced) {
    TRepaintPacer pacer(34);
    int paints = 0;
    for (uint32_t ms = 0; ms < 1000; ++ms) paints += pacer.Ready(ms);
    EXPECT_LE(paints, 30);
    EXPECT_GE(paints, 29);
    TRepaintPacer wrapping(34);
    EXPECT_TRUE(wrapping.Ready(0xFFFFFFF0u));
    EXPECT_FALSE(wrapping.Ready(0x10u)); // 32 ms later across the wrap
    EXPECT_TRUE(wrapping.Ready(0x20u));
}
