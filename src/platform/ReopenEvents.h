#pragma once

#include <QObject>

// The system asking the running application to open again: on macOS when the user opens it
// once more from the Finder, the Dock or Spotlight. A second start from the command line
// reaches the running app through its single-instance socket instead. Where the system sends
// no such request, nothing is ever reported.
class ReopenEvents final : public QObject {
    Q_OBJECT
public:
    // Listens for the platform's reopen requests while the object lives.
    static ReopenEvents* create(QObject* parent);

    // The platform's hook reports a request, on the main thread.
    void reopen() { Q_EMIT reopenRequested(); }

Q_SIGNALS:
    void reopenRequested();

private:
    explicit ReopenEvents(QObject* parent)
        : QObject(parent) {}
};
