// The handle owner template and the scope guard: each handle closed exactly
// once, none closed that means "none".
#include "ZUX/Base/Handle.h"
#include "ZUX/Base/ScopeExit.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace ZUX;

namespace {

std::vector<void*> gClosed;

struct TRecordingCloser {
    static void Close(void* handle) noexcept { gClosed.push_back(handle); }
};

using THandle = TZUXHandle<void*, TRecordingCloser, true>;

void* Fake(intptr_t n) {
    return reinterpret_cast<void*>(n);
}

} // namespace

TEST(Handle, ClosesEachHandleOnceAndNeverNone) {
    gClosed.clear();
    {
        THandle none, invalid(Fake(-1)), a(Fake(1));
        EXPECT_FALSE(none);
        EXPECT_FALSE(invalid); // INVALID_HANDLE_VALUE is held as none
        EXPECT_EQ(invalid.Get(), nullptr);
        ASSERT_TRUE(a);

        THandle b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(b.Get(), Fake(1));
        THandle c(Fake(2));
        c = std::move(b); // closes 2, takes 1
        EXPECT_EQ(gClosed, std::vector<void*>{Fake(2)});

        *c.Put() = Fake(3); // Put closes 1 first
        EXPECT_EQ(gClosed, (std::vector<void*>{Fake(2), Fake(1)}));
        *none.Put() = Fake(-1); // a failed out-parameter
        EXPECT_FALSE(none);

        THandle d(Fake(4));
        EXPECT_EQ(d.Release(), Fake(4)); // given up, not closed
    }
    EXPECT_EQ(gClosed, (std::vector<void*>{Fake(2), Fake(1), Fake(3)}));
}

namespace {

std::vector<int> gClosedDescriptors;

struct TDescriptorLikeCloser {
    static constexpr int None = -1;
    static void Close(int fd) noexcept { gClosedDescriptors.push_back(fd); }
};

} // namespace

// Descriptor 0 is a file like any other; only the closer's own none is none.
TEST(Handle, AClosersOwnNoneIsTheOnlyNone) {
    gClosedDescriptors.clear();
    {
        TZUXHandle<int, TDescriptorLikeCloser> none, failed(-1), zero(0);
        EXPECT_FALSE(none);
        EXPECT_FALSE(failed);
        ASSERT_TRUE(zero);
        TZUXHandle<int, TDescriptorLikeCloser> moved(std::move(zero));
        EXPECT_EQ(zero.Get(), -1);
        EXPECT_EQ(moved.Get(), 0);
        *none.Put() = 5;
    }
    EXPECT_EQ(gClosedDescriptors, (std::vector<int>{0, 5}));
}

TEST(ScopeExit, RunsOnEveryWayOut) {
    int runs = 0;
    {
        const auto guard = ScopeExit([&runs] { ++runs; });
        EXPECT_EQ(runs, 0);
    }
    try {
        const auto guard = ScopeExit([&runs] { ++runs; });
        throw 1;
    } catch (int) {
    }
    EXPECT_EQ(runs, 2);
}
