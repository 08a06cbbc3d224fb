#pragma once

#include "platform/Platform.h"

#include <QElapsedTimer>

#include <optional>

// Stands in for PowerPoint with a slide show that follows a script in time, so that the real
// watcher, talk timer and automatic display run where there is no PowerPoint. Everything
// else is passed on to the real platform.
class SimulatedPowerPoint final : public Platform {
public:
    SimulatedPowerPoint(Platform& real, int slide, std::optional<double> changeAfterSeconds,
                        std::optional<double> endAfterSeconds);

    bool isApplicationRunning(const QString& bundleIdentifier) const override;
    bool activateApplication(const QString& bundleIdentifier) override;
    std::unique_ptr<PowerPointQuery> createPowerPointQuery() override;
    bool hasAutomationSettings() const override { return m_real.hasAutomationSettings(); }
    void openAutomationSettings() override { m_real.openAutomationSettings(); }
    bool isInstalledCopy() const override { return m_real.isInstalledCopy(); }
    bool loginItemEnabled() const override { return m_real.loginItemEnabled(); }
    LoginItemStatus loginItemStatus() const override { return m_real.loginItemStatus(); }
    bool setLoginItemEnabled(bool enabled, QString* error) override {
        return m_real.setLoginItemEnabled(enabled, error);
    }
    void openLoginItemSettings() override { m_real.openLoginItemSettings(); }

    // The slide position at `elapsedMs` after the start; -1 once the show has ended.
    int positionAt(qint64 elapsedMs) const;

private:
    Platform& m_real;
    int m_slide;
    std::optional<double> m_changeAfter;
    std::optional<double> m_endAfter;
    QElapsedTimer m_clock;
};
