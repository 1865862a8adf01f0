#pragma once

#include <functional>

// Processes the event loop until condition holds or timeoutMs has passed; returns whether it
// holds. Use it as ASSERT_TRUE(ProcessEventsUntil(...)), so that a wait that runs out fails the
// test (QtTest's QTRY_ macros only return from it).
bool ProcessEventsUntil(const std::function<bool()>& condition, int timeoutMs = 5000);
