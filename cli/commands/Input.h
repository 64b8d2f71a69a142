#pragma once

// The files the commands read: the whole content, or the exit status of the
// failure, reported on standard error.

#include "Console.h"
#include "Document.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <variant>

namespace rallon::cli {

// The content of `path` ("-": standard input), within the time-out.
std::variant<QByteArray, int> inputOf(const QString &path, int timeoutMs);

// "path: reason; nothing sent" on standard error: Refused.
int refuseFile(const QString &path, const QString &reason);

// A file read and checked by `check`, or the exit status of the refusal.
template <typename Value, typename Check>
std::variant<Value, int> checkedFile(const QString &path, int timeoutMs, Check check)
{
    const auto content = inputOf(path, timeoutMs);
    if (const int *failed = std::get_if<int>(&content))
        return *failed;
    document::InputError error;
    std::optional<Value> value = check(std::get<QByteArray>(content), &error);
    if (!value)
        return refuseFile(path, error.message());
    return *value;
}

}  // namespace rallon::cli
