#include "platform/error.h"
#include "support.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace marlune::table;
using namespace marlune::table::testing;

namespace {

constexpr int kN = 5;

std::vector<int> Range(int from, int to)
{
    std::vector<int> v(static_cast<std::size_t>(to - from + 1));
    std::iota(v.begin(), v.end(), from);
    return v;
}

// A table of count numbered records bound to a counting observer, window N = 5.
struct Bound {
    explicit Bound(int count, std::vector<int> statuses = {})
    {
        ds.AddObserver(&o);
        t.SetBufferCount(kN);
        Load(t, NumberedRecords(count), std::move(statuses));
        o.Reset();
    }
    MemTable t;
    DataSource ds{&t};
    CountingObserver o;
};

} // namespace

TEST(RecordWindow, LoadShowsTheWindowFromTheFirstRecord)
{
    for (int count : {0, 1, kN - 1, kN, 3 * kN}) {
        Bound b(count);
        EXPECT_EQ(b.t.WindowRecordCount(), std::min(count, kN)) << count;
        EXPECT_EQ(b.t.ActiveRecord(), 0) << count;
        EXPECT_EQ(b.t.RecNo(), count ? 1 : -1) << count;
        EXPECT_EQ(b.t.IsEmpty(), count == 0);
        EXPECT_EQ(WindowRecNos(b.t), Range(1, std::min(count, kN)));
    }
}

TEST(RecordWindow, MovingInsideTheWindowChangesOnlyTheSlot)
{
    Bound b(3 * kN);
    EXPECT_EQ(b.t.MoveBy(3), 3);
    EXPECT_EQ(b.t.ActiveRecord(), 3);
    EXPECT_EQ(WindowRecNos(b.t), Range(1, 5));
    EXPECT_EQ(b.o.scrolled, 1);
    EXPECT_EQ(b.o.lastDistance, 0);
    b.t.Prior();
    EXPECT_EQ(b.t.ActiveRecord(), 2);
    EXPECT_EQ(b.o.scrolled, 2);
    EXPECT_EQ(b.o.lastDistance, 0);
    EXPECT_EQ(b.o.Total(), 2);
    EXPECT_EQ(b.t.FieldByName("Pcode").AsString(), "3");
}

TEST(RecordWindow, MovingOutShiftsByTheFewestRecords)
{
    Bound b(3 * kN);
    b.t.MoveBy(4); // last slot
    b.o.Reset();
    b.t.Next();
    EXPECT_EQ(WindowRecNos(b.t), Range(2, 6));
    EXPECT_EQ(b.t.ActiveRecord(), 4);
    EXPECT_EQ(b.o.events, std::vector<std::string>{"scrolled 1"});
    EXPECT_EQ(b.t.MoveBy(3), 3);
    EXPECT_EQ(WindowRecNos(b.t), Range(5, 9));
    EXPECT_EQ(b.o.lastDistance, 3);
    EXPECT_EQ(b.t.FieldByName("Pcode").AsString(), "9");
    // Backwards: the target lands in the first slot.
    EXPECT_EQ(b.t.MoveBy(-6), -6);
    EXPECT_EQ(b.t.RecNo(), 3);
    EXPECT_EQ(b.t.ActiveRecord(), 0);
    EXPECT_EQ(WindowRecNos(b.t), Range(3, 7));
    EXPECT_EQ(b.o.lastDistance, -2);
    // Farther than a window: refilled, still told the distance.
    EXPECT_EQ(b.t.MoveBy(10), 10);
    EXPECT_EQ(b.t.RecNo(), 13);
    EXPECT_EQ(WindowRecNos(b.t), Range(9, 13));
    EXPECT_EQ(b.o.lastDistance, 6);
    EXPECT_EQ(b.t.MoveBy(-12), -12);
    EXPECT_EQ(WindowRecNos(b.t), Range(1, 5));
    EXPECT_EQ(b.o.lastDistance, -8);
    for (int s = 0; s < b.t.WindowRecordCount(); ++s) {
        EXPECT_EQ(b.t.SlotText(s, b.t.FieldByName("Locality")),
                  "PLACE " + std::to_string(b.t.SlotRecNo(s)));
    }
}

TEST(RecordWindow, MoveByStopsAtTheEnds)
{
    Bound b(3 * kN);
    EXPECT_EQ(b.t.MoveBy(100), 14);
    EXPECT_TRUE(b.t.Eof());
    EXPECT_FALSE(b.t.Bof());
    EXPECT_EQ(b.t.RecNo(), 15);
    EXPECT_EQ(WindowRecNos(b.t), Range(11, 15));
    b.o.Reset();
    EXPECT_EQ(b.t.MoveBy(1), 0); // down on the last record: nothing
    EXPECT_EQ(b.o.Total(), 0);
    EXPECT_EQ(b.t.MoveBy(-100), -14);
    EXPECT_TRUE(b.t.Bof());
    EXPECT_FALSE(b.t.Eof());
    b.o.Reset();
    b.t.Prior(); // up on the first record: nothing
    EXPECT_EQ(b.o.Total(), 0);
    EXPECT_EQ(b.t.RecNo(), 1);
}

TEST(RecordWindow, NextThroughTheTableUntilEof)
{
    Bound b(3 * kN);
    b.t.DisableControls();
    int seen = 0;
    for (b.t.First(); !b.t.Eof(); b.t.Next()) {
        EXPECT_EQ(b.t.FieldByName("Pcode").AsString(), std::to_string(++seen));
    }
    b.t.EnableControls();
    EXPECT_EQ(seen, 3 * kN);
    EXPECT_EQ(b.o.events, std::vector<std::string>{"changed"});
}

TEST(RecordWindow, FirstAndLastPlacements)
{
    for (int count : {1, kN - 1, kN, 3 * kN}) {
        Bound b(count);
        b.t.Last();
        EXPECT_EQ(b.t.RecNo(), count);
        EXPECT_EQ(b.t.ActiveRecord(), std::min(count, kN) - 1);
        EXPECT_EQ(WindowRecNos(b.t), Range(std::max(1, count - kN + 1), count));
        EXPECT_TRUE(b.t.Eof());
        b.t.First();
        EXPECT_EQ(b.t.RecNo(), 1);
        EXPECT_EQ(b.t.ActiveRecord(), 0);
        EXPECT_EQ(WindowRecNos(b.t), Range(1, std::min(count, kN)));
        EXPECT_TRUE(b.t.Bof());
        EXPECT_EQ(b.o.events, (std::vector<std::string>{"changed", "changed"}));
    }
    Bound empty(0);
    empty.t.Last();
    EXPECT_TRUE(empty.t.Bof());
    EXPECT_TRUE(empty.t.Eof());
    EXPECT_EQ(empty.t.WindowRecordCount(), 0);
}

TEST(RecordWindow, RecNoReadAndWrite)
{
    Bound b(3 * kN);
    b.t.SetRecNo(10);
    EXPECT_EQ(b.t.RecNo(), 10);
    EXPECT_EQ(WindowRecNos(b.t), Range(6, 10));
    b.o.Reset();
    b.t.SetRecNo(10); // the same number: nothing
    b.t.SetRecNo(0);  // out of range: nothing
    b.t.SetRecNo(16);
    EXPECT_EQ(b.o.Total(), 0);
    EXPECT_EQ(b.t.RecNo(), 10);
    b.t.SetRecNo(8);
    EXPECT_EQ(b.t.RecNo(), 8);
    EXPECT_EQ(b.t.ActiveRecord(), 2);
    EXPECT_EQ(b.o.lastDistance, 0);
}

TEST(RecordWindow, GrowingTheWindowFillsAfterItOrBeforeItAtTheEnd)
{
    Bound b(3 * kN);
    b.t.SetRecNo(8); // window 4..8, current in the last slot
    b.o.Reset();
    b.t.SetBufferCount(8);
    EXPECT_EQ(WindowRecNos(b.t), Range(4, 11));
    EXPECT_EQ(b.t.ActiveRecord(), 4);
    EXPECT_EQ(b.t.RecNo(), 8);
    b.t.SetBufferCount(kN);
    b.t.Last(); // 11..15
    b.o.Reset();
    b.t.SetBufferCount(8);
    EXPECT_EQ(WindowRecNos(b.t), Range(8, 15));
    EXPECT_EQ(b.t.ActiveRecord(), 7);
    b.t.SetBufferCount(40);
    EXPECT_EQ(WindowRecNos(b.t), Range(1, 15));
    EXPECT_EQ(b.t.ActiveRecord(), 14);
    EXPECT_EQ(b.o.Total(), 0); // the caller repaints
}

TEST(RecordWindow, ShrinkingKeepsTheFirstRecordUnlessTheCurrentFallsOut)
{
    Bound b(3 * kN);
    b.t.SetRecNo(8);
    b.t.MoveBy(-2); // window 4..8, current 6 in slot 2
    b.t.SetBufferCount(3);
    EXPECT_EQ(WindowRecNos(b.t), Range(4, 6));
    EXPECT_EQ(b.t.ActiveRecord(), 2);
    b.t.SetBufferCount(kN);
    EXPECT_EQ(WindowRecNos(b.t), Range(4, 8));
    b.t.MoveBy(2); // current 8 in slot 4
    b.t.SetBufferCount(2);
    EXPECT_EQ(WindowRecNos(b.t), Range(7, 8));
    EXPECT_EQ(b.t.ActiveRecord(), 1);
    b.t.SetBufferCount(1);
    EXPECT_EQ(WindowRecNos(b.t), Range(8, 8));
    EXPECT_EQ(b.t.RecNo(), 8);
}

TEST(RecordWindow, BookmarkReturnsCentred)
{
    Bound b(3 * kN);
    b.t.SetRecNo(10);
    Bookmark bm = b.t.GetBookmark();
    ASSERT_TRUE(bm);
    b.t.First();
    b.o.Reset();
    EXPECT_TRUE(b.t.GotoBookmark(bm));
    EXPECT_EQ(b.t.RecNo(), 10);
    EXPECT_EQ(b.t.ActiveRecord(), (kN - 1) / 2);
    EXPECT_EQ(WindowRecNos(b.t), Range(8, 12));
    EXPECT_EQ(b.o.events, std::vector<std::string>{"changed"});
    b.t.FreeBookmark(bm);
    EXPECT_FALSE(bm);
    EXPECT_FALSE(b.t.GotoBookmark(bm));
    EXPECT_EQ(b.t.RecNo(), 10);
}

TEST(RecordWindow, BookmarksCompareByIdentityAndDieWithTheRecords)
{
    Bound b(3 * kN);
    b.t.SetRecNo(3);
    Bookmark third = b.t.GetBookmark();
    b.t.SetRecNo(7);
    Bookmark seventh = b.t.GetBookmark();
    Bookmark none;
    EXPECT_LT(b.t.CompareBookmarks(third, seventh), 0);
    EXPECT_GT(b.t.CompareBookmarks(seventh, third), 0);
    EXPECT_EQ(b.t.CompareBookmarks(third, b.t.GetBookmark() = third), 0);
    EXPECT_GT(b.t.CompareBookmarks(none, third), 0); // a missing one sorts after
    EXPECT_LT(b.t.CompareBookmarks(third, none), 0);
    EXPECT_EQ(b.t.CompareBookmarks(none, Bookmark{}), 0);
    // Reloaded: the old bookmark no longer finds anything.
    MemoryStream s(PostcodeFile(NumberedRecords(4)));
    b.t.ReadTableStream(s);
    b.o.Reset();
    EXPECT_FALSE(b.t.GotoBookmark(third));
    EXPECT_EQ(b.o.Total(), 0);
    EXPECT_EQ(b.t.RecNo(), 1);
    Bound empty(0);
    EXPECT_FALSE(empty.t.GetBookmark());
}

TEST(RecordWindow, CentredPlacementNearTheEnds)
{
    Bound b(3 * kN);
    auto go = [&](int recNo) {
        b.t.First();
        b.t.SetRecNo(recNo);
        Bookmark bm = b.t.GetBookmark();
        b.t.First();
        EXPECT_TRUE(b.t.GotoBookmark(bm));
    };
    go(2);
    EXPECT_EQ(b.t.ActiveRecord(), 1);
    EXPECT_EQ(WindowRecNos(b.t), Range(1, 5));
    go(3);
    EXPECT_EQ(b.t.ActiveRecord(), 2);
    EXPECT_EQ(WindowRecNos(b.t), Range(1, 5));
    go(14);
    EXPECT_EQ(b.t.ActiveRecord(), 3);
    EXPECT_EQ(WindowRecNos(b.t), Range(11, 15));
    go(15);
    EXPECT_EQ(b.t.ActiveRecord(), 4);
    EXPECT_EQ(WindowRecNos(b.t), Range(11, 15));
    Bound small(kN - 2);
    small.t.Last();
    Bookmark bm = small.t.GetBookmark();
    small.t.First();
    EXPECT_TRUE(small.t.GotoBookmark(bm));
    EXPECT_EQ(small.t.ActiveRecord(), kN - 3);
    EXPECT_EQ(WindowRecNos(small.t), Range(1, kN - 2));
}

TEST(HiddenRecords, DeletedRecordsAreNotShownCountedOrVisited)
{
    Bound b(3, {0, 3, 0});
    EXPECT_EQ(b.t.Store().DeletedCount(), 1);
    EXPECT_EQ(b.t.Store().RecordCount(), 3);
    EXPECT_EQ(b.t.RecordCount(), 2);
    b.t.First();
    b.t.Next();
    EXPECT_EQ(b.t.RecNo(), 3);
    EXPECT_EQ(b.t.FieldByName("Pcode").AsString(), "3");
    EXPECT_EQ(WindowRecNos(b.t), (std::vector<int>{1, 3}));
    b.t.Next();
    EXPECT_TRUE(b.t.Eof());
    b.t.Prior();
    EXPECT_EQ(b.t.RecNo(), 1);
}

TEST(HiddenRecords, WindowAndPlacementSkipThem)
{
    // Records 2, 5, 6 and 15 of 15 are deleted.
    std::vector<int> status(15, 0);
    for (int i : {1, 4, 5, 14}) {
        status[static_cast<std::size_t>(i)] = 3;
    }
    Bound b(15, status);
    EXPECT_EQ(b.t.RecordCount(), 11);
    EXPECT_EQ(WindowRecNos(b.t), (std::vector<int>{1, 3, 4, 7, 8}));
    b.t.MoveBy(6);
    EXPECT_EQ(b.t.RecNo(), 10);
    EXPECT_EQ(WindowRecNos(b.t), (std::vector<int>{4, 7, 8, 9, 10}));
    EXPECT_EQ(b.o.lastDistance, 2);
    b.t.Last();
    EXPECT_EQ(b.t.RecNo(), 14);
    EXPECT_EQ(WindowRecNos(b.t), (std::vector<int>{10, 11, 12, 13, 14}));
    EXPECT_TRUE(b.t.Locate("Pcode", "3", 0));
    EXPECT_EQ(WindowRecNos(b.t), (std::vector<int>{1, 3, 4, 7, 8}));
    EXPECT_EQ(b.t.ActiveRecord(), 1);
    b.t.SetBufferCount(12);
    EXPECT_EQ(b.t.WindowRecordCount(), 11);
}

TEST(Notifications, OpenCloseAndLoads)
{
    MemTable t;
    DataSource ds(&t);
    CountingObserver o;
    ds.AddObserver(&o);
    t.Open();
    EXPECT_EQ(o.events, std::vector<std::string>{"open"});
    o.Reset();
    // A file with field definitions replaces the fields: one layout change.
    MemoryStream withDefs(PostcodeFile(NumberedRecords(3)));
    t.ReadTableStream(withDefs);
    EXPECT_EQ(o.events, std::vector<std::string>{"layout"});
    o.Reset();
    // Records added to the open table: one data change.
    MemoryStream added(PostcodeFile(NumberedRecords(2), 251, false));
    t.ReadTableStream(added);
    EXPECT_EQ(o.events, std::vector<std::string>{"changed"});
    EXPECT_EQ(t.RecordCount(), 5);
    o.Reset();
    t.Close();
    EXPECT_EQ(o.events, std::vector<std::string>{"close"});
    EXPECT_FALSE(o.lastActive);
}

TEST(Notifications, DisableAndEnableAreCounted)
{
    MemTable t;
    DataSource ds(&t);
    CountingObserver o;
    ds.AddObserver(&o);
    Load(t, NumberedRecords(10));
    o.Reset();
    t.DisableControls();
    t.DisableControls();
    EXPECT_TRUE(t.ControlsDisabled());
    t.Next();
    t.Last();
    t.Locate("Pcode", "3", 0);
    t.EnableControls();
    EXPECT_EQ(o.Total(), 0);
    t.EnableControls();
    EXPECT_FALSE(t.ControlsDisabled());
    EXPECT_EQ(o.events, std::vector<std::string>{"changed"});
    t.EnableControls(); // unmatched: nothing
    EXPECT_EQ(o.Total(), 1);

    // Closed and opened again in between: the layout changed.
    o.Reset();
    t.DisableControls();
    t.Close();
    t.Open();
    t.EnableControls();
    EXPECT_EQ(o.events, std::vector<std::string>{"layout"});

    // Closed and still closed: the controls learn that the table closed.
    o.Reset();
    t.DisableControls();
    t.Close();
    t.EnableControls();
    EXPECT_EQ(o.events, std::vector<std::string>{"close"});
}

TEST(Notifications, DataSourceDetachesBothWays)
{
    CountingObserver o;
    auto t = std::make_unique<MemTable>();
    {
        DataSource ds(t.get());
        ds.AddObserver(&o);
        t->Open();
        EXPECT_EQ(o.activeChanged, 1);
    }
    t->Close(); // the data source is gone: nobody is told
    EXPECT_EQ(o.activeChanged, 1);
    DataSource ds(t.get());
    EXPECT_EQ(ds.DataSet(), t.get());
    t.reset();
    EXPECT_EQ(ds.DataSet(), nullptr);
    MemTable u;
    ds.SetDataSet(&u);
    ds.AddObserver(&o);
    ds.RemoveObserver(&o);
    u.Open();
    EXPECT_EQ(o.activeChanged, 1);
}
