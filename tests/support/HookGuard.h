#pragma once

// While it lives, messages are gathered into `messages` instead of shown,
// and (when `ends` is given) the end of the program is counted instead of
// done; both start empty. Its end restores the real behaviour. A test
// class holds one in a std::optional from init() to cleanup().

#include "Program.h"

#include <QList>

#include <optional>

class HookGuard {
public:
    explicit HookGuard(QList<rallon::Message> &messages, int *ends = nullptr)
    {
        messages.clear();
        rallon::kit::setMessageHook([&messages](const rallon::Message &m) { messages.append(m); });
        if (ends) {
            *ends = 0;
            rallon::kit::setEndProgramHook([ends] { ++*ends; });
        }
    }
    ~HookGuard()
    {
        rallon::kit::setMessageHook({});
        rallon::kit::setEndProgramHook({});
    }
    HookGuard(const HookGuard &) = delete;
    HookGuard &operator=(const HookGuard &) = delete;
};
