// A call that must fail and say why: the thread's last error is cleared
// first, so the error checked is the one this call set.
#pragma once

#include <gtest/gtest.h>

#include "windows.h"

// Expects `call` to return a false, null or zero value and to set the last
// error to `error`.
#define EXPECT_FAILS_WITH(call, error)                                 \
    do {                                                               \
        SetLastError(0);                                               \
        EXPECT_FALSE(call) << #call;                                   \
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(error)) << #call; \
    } while (0)
