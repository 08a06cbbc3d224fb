#pragma once

#include "platform/Platform.h"
#include "powerpoint/PowerPointQuery.h"

#include <QMutex>
#include <QQueue>
#include <QSet>
#include <QStringList>

// A platform whose running applications and presentation answers the test decides. Installs
// itself while it lives.
class FakePlatform final : public Platform {
public:
    FakePlatform();
    ~FakePlatform() override;

    void setRunning(const QString& bundleIdentifier, bool running);
    // Answers for the next queries, in order; when they run out, the last one repeats.
    void queueAnswers(const QList<ScriptResult>& answers);

    bool isApplicationRunning(const QString& bundleIdentifier) const override;
    bool activateApplication(const QString& bundleIdentifier) override;
    std::unique_ptr<PowerPointQuery> createPowerPointQuery() override;
    void openAutomationSettings() override { ++automationSettingsOpened; }
    bool isInstalledCopy() const override { return installedCopy; }
    bool loginItemEnabled() const override { return loginItem; }
    LoginItemStatus loginItemStatus() const override {
        return loginItemPending ? LoginItemStatus::awaitingApproval : Platform::loginItemStatus();
    }
    bool setLoginItemEnabled(bool enabled, QString* error) override;
    void openLoginItemSettings() override { ++loginItemSettingsOpened; }

    // The next answer; called by the fake query on the runner's thread.
    ScriptResult nextAnswer();

    QStringList activated;
    int automationSettingsOpened = 0;
    bool installedCopy = false;
    // The login item's state, and the error of a refusing system (empty: it accepts).
    bool loginItem = false;
    QString loginItemRefusal;
    // Registered, waiting for the user's approval.
    bool loginItemPending = false;
    int loginItemSettingsOpened = 0;
    QList<bool> loginItemRequests;
    int queries = 0;

private:
    mutable QMutex m_mutex;
    QSet<QString> m_running;
    QQueue<ScriptResult> m_answers;
    ScriptResult m_last{-1, 0};
};
