#pragma once

#include <QObject>
#include <QTimer>

#include <optional>

// One shot aimed at the moment the card's time text turns over next. Beside the steady tick it
// brings the new second onto the card within a few milliseconds of that moment rather than up
// to a tick later.
class FlipTimer final : public QObject {
    Q_OBJECT
public:
    explicit FlipTimer(QObject* parent = nullptr);

    // Aims at `msFromNow` milliseconds from now, or at nothing.
    void aim(std::optional<qint64> msFromNow);

Q_SIGNALS:
    void due();

private:
    QTimer m_timer;
};
