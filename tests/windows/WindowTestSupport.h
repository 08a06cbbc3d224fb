#pragma once

#include "platform/OverlayWindowPlatform.h"
#include "windows/WindowCommands.h"
#include "windows/WindowSnapshot.h"

#include <QAbstractButton>
#include <QApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>
#include <QTest>
#include <QWidget>

// The controller as the windows see it: records every command; the login item answers as
// the test decides.
class FakeCommands final : public WindowCommands {
public:
    void toggleOverlay() override { calls << QStringLiteral("toggleOverlay"); }
    void resetOverlayFrame() override { calls << QStringLiteral("resetOverlayFrame"); }
    void showSettings() override { calls << QStringLiteral("showSettings"); }
    void showOntimeSetup() override { calls << QStringLiteral("showOntimeSetup"); }
    void showStagetimerSetup() override { calls << QStringLiteral("showStagetimerSetup"); }
    void searchTimers() override { calls << QStringLiteral("searchTimers"); }
    void setLaunchAtLogin(bool enabled) override {
        calls << QStringLiteral("setLaunchAtLogin %1").arg(enabled);
        if (loginItemAccepts)
            loginItem = enabled ? LoginItemStatus::on : LoginItemStatus::off;
    }
    LoginItemStatus launchAtLoginStatus() const override { return loginItem; }
    void openLoginItemSettings() override { calls << QStringLiteral("openLoginItemSettings"); }
    void openAutomationSettings() override { calls << QStringLiteral("openAutomationSettings"); }
    bool canOpenAutomationSettings() const override { return automationSettings; }
    void returnFocusToPresentation() override { calls << QStringLiteral("returnFocus"); }

    QStringList calls;
    LoginItemStatus loginItem = LoginItemStatus::off;
    bool loginItemAccepts = true;
    bool automationSettings = true;
};

// A window system that can or cannot keep windows out of captures, and records the requests.
// Installs itself while it lives.
class FakeWindowPlatform final : public OverlayWindowPlatform {
public:
    explicit FakeWindowPlatform(bool captureExclusion = true)
        : m_captureExclusion(captureExclusion) {
        setInstance(this);
    }
    ~FakeWindowPlatform() override { setInstance(nullptr); }

    Capabilities capabilities() const override {
        Capabilities c;
        c.captureExclusion = m_captureExclusion;
        return c;
    }
    void configureOverlayWindow(QWidget*, const OutlineCard&) override {}
    void orderFront(QWidget*) override {}
    bool setCaptureExcluded(QWidget*, bool excluded) override {
        captureExcluded << excluded;
        return m_captureExclusion;
    }

    QList<bool> captureExcluded;

private:
    bool m_captureExclusion;
};

template <typename T>
T* child(const QWidget& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control named %s", name);
    return found;
}

// The controls that take the keyboard, in the order the snapshot lists them (top to bottom,
// left to right), and in the order Tab visits them.
inline QStringList visualFocusOrder(const QWidget& window) {
    QStringList names;
    const QJsonArray controls =
        WindowSnapshot::describe(&window).value(QStringLiteral("controls")).toArray();
    for (const QJsonValue& control : controls) {
        const QString kind = control[QStringLiteral("kind")].toString();
        if (kind != u"label")
            names << control[QStringLiteral("text")].toString();
    }
    return names;
}

inline QStringList tabOrder(const QWidget& window) {
    QStringList names;
    QWidget* start = window.nextInFocusChain();
    for (QWidget* w = start; w && w != &window; w = w->nextInFocusChain()) {
        if (!w->isVisibleTo(&window) || w->focusPolicy() == Qt::NoFocus ||
            w->focusProxy() != nullptr || w->isWindow())
            continue;
        // Every control of the windows has an accessible name.
        names << w->accessibleName();
    }
    return names;
}
