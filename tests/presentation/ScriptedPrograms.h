#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QHash>
#include <QObject>
#include <QStringList>

// Scripted stand-ins that speak the D-Bus interfaces of the presentation programs, each on a
// connection of its own as the real program would be.

// Okular: "org.kde.okular-<pid>" with currentPage() on /okular. It can stop answering.
class ScriptedOkular final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.okular")
public:
    ScriptedOkular(QDBusConnection bus, qint64 pid);
    QString service() const { return m_service; }

    uint page = 1;
    // Takes calls without ever answering them, as a program that hangs.
    bool hang = false;
    int calls = 0;
    QList<QDBusMessage> held;

public Q_SLOTS:
    uint currentPage();

private:
    QString m_service;
};

// pdfpc: "io.github.pdfpc", sending OverlayChange(page index) on /io/github/pdfpc.
class ScriptedPdfpc final {
public:
    explicit ScriptedPdfpc(QDBusConnection bus);
    void showPage(int index);

private:
    QDBusConnection m_bus;
};

// The accessibility side of an office application showing slides: the registry with the
// accessible root of the desktop (and org.a11y.Bus announcing this very bus as the
// accessibility bus), and the office application's tree, which the test changes.
class ScriptedAccessibility final : public QDBusVirtualObject {
public:
    struct Node {
        QString name;
        uint role = 0;
        QStringList children;
    };

    ScriptedAccessibility(QDBusConnection registry, QDBusConnection office, QString busAddress);

    // The office application's objects by path below /org/a11y/atspi/accessible/.
    QHash<QString, Node> tree;
    QStringList registeredEvents;

    // An object of the office sends children-changed with `detail` ("add", "remove").
    void childrenChanged(const QString& id, const QString& detail = QStringLiteral("add"));
    // A document window and a show window whose presentation object is `id` "show/p".
    void openDocument();
    void startShow(const QString& title);
    void endShow();

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    QDBusConnection m_registry;
    QDBusConnection m_office;
    QString m_address;
};
