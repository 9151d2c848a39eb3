#pragma once

#include "platform/SessionEnd.h"

#include <QStringList>
#include <functional>

/// A session manager that only records what the program answers: "interact?" for a request to
/// show windows, "interaction done", "saved" or "save failed".
class FakeSessionManager final : public SessionManagerLink
{
public:
    QStringList answers;
    /// The reasons the end was held for, in order; an empty one releases the hold.
    QStringList holds;
    bool grantsRequests = true;
    /// Runs at each save answer, before it is recorded: a test looks at the files there.
    std::function<void()> onSaveDone;

    bool requestInteraction() override
    {
        answers.append(QStringLiteral("interact?"));
        return grantsRequests;
    }
    void interactionDone() override { answers.append(QStringLiteral("interaction done")); }
    void saveDone(bool success) override
    {
        if (onSaveDone) {
            onSaveDone();
        }
        answers.append(success ? QStringLiteral("saved") : QStringLiteral("save failed"));
    }
    void holdEnd(const QString& reason) override
    {
        if (holds.isEmpty() || holds.last() != reason) {
            holds.append(reason);
        }
    }
};
