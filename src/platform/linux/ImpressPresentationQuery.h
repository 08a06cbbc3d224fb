#pragma once

#include "powerpoint/EventBursts.h"
#include "powerpoint/PowerPointQuery.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>

// LibreOffice Impress, read through the accessibility tree (AT-SPI) on the session's
// accessibility bus. A running show is a window of the office application ("Presenting:
// <document>" in English) holding a "document presentation" object close to its top; every
// slide change makes that object send a burst of children-changed:add events. Impress exposes no
// slide number that follows the show, so the position is unknown and counts the changes (one per
// burst).
class ImpressPresentationQuery final : public QObject, public PowerPointQuery {
    Q_OBJECT
public:
    // `session` is where the accessibility bus is announced (org.a11y.Bus).
    explicit ImpressPresentationQuery(QDBusConnection session,
                                      qint64 quietGapMs = EventBursts::defaultQuietGapMs);
    ~ImpressPresentationQuery() override;

    ScriptResult run() override;
    void setChangeNotifier(std::function<void()> notify) override;

    // Accessible role of a document that shows slides.
    static constexpr uint roleDocumentPresentation = 93;

private Q_SLOTS:
    void childrenChanged(const QDBusMessage& message);

private:
    struct Node {
        QString bus;
        QString path;
    };
    bool ensureBus();
    QList<Node> children(const Node& node, bool* timedOut = nullptr);
    QString name(const Node& node, bool* timedOut = nullptr);
    QString findPresentation(const Node& frame);
    void forgetShow();

    QDBusConnection m_session;
    QString m_connectionName;
    std::optional<QDBusConnection> m_a11y;
    QElapsedTimer m_sinceAttempt;
    QHash<QString, QString> m_appNames;
    // Each window of the office seen so far, and the path of its show's presentation object
    // (empty for windows that are no show).
    QHash<QString, QString> m_frames;
    // The office application's bus name, and the show now running: its frame and the object
    // whose events count.
    QString m_officeBus;
    QString m_showFrame;
    QString m_presentationPath;
    EventBursts m_bursts;
    QElapsedTimer m_clock;
    std::function<void()> m_notify;
};
