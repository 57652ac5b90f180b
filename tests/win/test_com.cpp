// COM on a thread: each initialisation the owner made is undone when it is
// dropped, and none that the thread made itself.
#include "ZUX/Base/Com.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <thread>

using namespace ZUX;

TEST(ComInit, UndoesItsOwnInitialisationsOnly) {
    std::thread([] {
        {
            const TZUXComInit outer;
            EXPECT_TRUE(outer.Ready());
            {
                const TZUXComInit inner; // already on: counted all the same
                EXPECT_TRUE(inner.Ready());
            }
            EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
        }
        // All undone: the thread may choose the other model now.
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        {
            const TZUXComInit other; // the thread's model serves as it is
            EXPECT_TRUE(other.Ready());
        }
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE); // still on
        CoUninitialize();
        CoUninitialize();
    }).join();
}
