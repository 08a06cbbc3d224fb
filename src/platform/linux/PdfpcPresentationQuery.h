#pragma once

#include "powerpoint/PowerPointQuery.h"

#include <QDBusConnection>
#include <QObject>

#include <optional>

// pdfpc presents from the moment it runs and owns "io.github.pdfpc" while it does. It tells
// every page change with the signal OverlayChange(index of the PDF page) on /io/github/pdfpc
// (its SlideChange for slides made of several pages did not come in pdfpc 4.6), and offers no
// way to read the current page: until its first signal the slide is unknown. The position is
// the PDF page. (Its TriggerAction controls the show and is never called.)
class PdfpcPresentationQuery final : public QObject, public PowerPointQuery {
    Q_OBJECT
public:
    explicit PdfpcPresentationQuery(QDBusConnection bus);
    ~PdfpcPresentationQuery() override;

    ScriptResult run() override;
    void setChangeNotifier(std::function<void()> notify) override;

    static inline const QString service = QStringLiteral("io.github.pdfpc");

private Q_SLOTS:
    void pageChanged(int index);

private:
    QDBusConnection m_bus;
    bool m_subscribed = false;
    // The unique bus name of the pdfpc followed, so that a restarted one starts unknown.
    QString m_owner;
    std::optional<int> m_index;
    std::function<void()> m_notify;
};
