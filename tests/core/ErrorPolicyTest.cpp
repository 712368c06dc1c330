// What escapes a handler the window system called: shown in the common error box, whatever it
// is, on both editions, and never passed on into the window system.

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "FakePlatform.h"
#include "base/ErrorPolicy.h"

namespace talvoro::testing {
namespace {

using Calls = std::vector<std::string>;

TEST(EventDoor, WhateverEscapesAHandlerIsShownInTheCommonErrorBox) {
    CallLog log;
    FakePlatform fake(log);
    handleEvent(fake, [] { throw AppError(-2147467259, "未指定的错误"); });
    handleEvent(fake, [] { throw std::runtime_error("broken"); });
    handleEvent(fake, [] { throw std::bad_alloc(); });
    handleEvent(fake, [] { throw 42; });
    bool ran = false;
    handleEvent(fake, [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_EQ(log.calls, (Calls{"MsgBox(未指定的错误,48,错误信息：-2147467259)",
                                "MsgBox(broken,48,错误信息：5)", "MsgBox(内存溢出,48,错误信息：7)",
                                "MsgBox(无效的过程调用或参数,48,错误信息：5)"}));

    // A box that cannot be shown leaves nothing more to report to: the event ends quietly.
    fake.onMessageBox = [] { throw std::bad_alloc(); };
    handleEvent(fake, [] { throw AppError(5, "x"); });
    EXPECT_EQ(log.calls.size(), 5u);
}

}  // namespace
}  // namespace talvoro::testing
