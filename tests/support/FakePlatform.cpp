#include "support/FakePlatform.h"

namespace {

class FakeQuery final : public PowerPointQuery {
public:
    explicit FakeQuery(FakePlatform& platform)
        : m_platform(platform) {}
    ScriptResult run() override { return m_platform.nextAnswer(); }

private:
    FakePlatform& m_platform;
};

} // namespace

FakePlatform::FakePlatform() {
    Platform::setInstance(this);
}

FakePlatform::~FakePlatform() {
    Platform::setInstance(nullptr);
}

void FakePlatform::setRunning(const QString& bundleIdentifier, bool running) {
    QMutexLocker lock(&m_mutex);
    if (running)
        m_running.insert(bundleIdentifier);
    else
        m_running.remove(bundleIdentifier);
}

void FakePlatform::queueAnswers(const QList<ScriptResult>& answers) {
    QMutexLocker lock(&m_mutex);
    for (const ScriptResult& answer : answers)
        m_answers.enqueue(answer);
}

bool FakePlatform::isApplicationRunning(const QString& bundleIdentifier) const {
    QMutexLocker lock(&m_mutex);
    return m_running.contains(bundleIdentifier);
}

bool FakePlatform::activateApplication(const QString& bundleIdentifier) {
    QMutexLocker lock(&m_mutex);
    activated << bundleIdentifier;
    return m_running.contains(bundleIdentifier);
}

std::unique_ptr<PowerPointQuery> FakePlatform::createPowerPointQuery() {
    return std::make_unique<FakeQuery>(*this);
}

bool FakePlatform::setLoginItemEnabled(bool enabled, QString* error) {
    loginItemRequests << enabled;
    if (!loginItemRefusal.isEmpty()) {
        if (error)
            *error = loginItemRefusal;
        return false;
    }
    loginItem = enabled;
    return true;
}

ScriptResult FakePlatform::nextAnswer() {
    QMutexLocker lock(&m_mutex);
    ++queries;
    if (!m_answers.isEmpty())
        m_last = m_answers.dequeue();
    return m_last;
}
