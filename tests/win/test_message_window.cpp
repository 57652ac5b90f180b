// Message-only windows: an exception from a handler stops at the window
// procedure, is kept and reported, and the message gets the default handling.
#include "ZUX/Base/Exceptions.h"
#include "ZUX/Base/MessageWindow.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ZUX;

TEST(MessageWindow, HandlerExceptionStopsAtTheWindowProcedure) {
    constexpr UINT kFailing = WM_USER + 1;
    std::vector<String> reported;
    TZUXMessageWindow window(u"MessageWindowTest", [](UINT message, WPARAM, LPARAM, LRESULT&) {
        if (message == kFailing) throw EInvalidOperation(u"handler failed");
        return false;
    });
    window.OnHandlerError = [&](const String& message) { reported.push_back(message); };
    EXPECT_FALSE(window.HandlerError());
    EXPECT_EQ(SendMessageW(window.Handle(), kFailing, 0, 0), 0);
    EXPECT_EQ(SendMessageW(window.Handle(), kFailing, 0, 0), 0);
    ASSERT_TRUE(window.HandlerError());
    EXPECT_THROW(std::rethrow_exception(window.HandlerError()), EInvalidOperation);
    EXPECT_EQ(reported, (std::vector<String>{u"handler failed", u"handler failed"}));
}
