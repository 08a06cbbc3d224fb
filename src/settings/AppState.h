#pragma once

#include <QObject>
#include <QString>

// The status record that the controller refreshes on every tick and the settings window and
// the tray menu show. Every assignment notifies, also of an unchanged value.
class AppState final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString sourceLine READ sourceLine WRITE setSourceLine NOTIFY sourceLineChanged)
    Q_PROPERTY(bool sourceOK READ sourceOK WRITE setSourceOK NOTIFY sourceOKChanged)
    Q_PROPERTY(QString powerPointLine READ powerPointLine WRITE setPowerPointLine NOTIFY
                   powerPointLineChanged)
    Q_PROPERTY(bool permissionDenied READ permissionDenied WRITE setPermissionDenied NOTIFY
                   permissionDeniedChanged)
    Q_PROPERTY(bool overlayVisible READ overlayVisible WRITE setOverlayVisible NOTIFY
                   overlayVisibleChanged)

public:
    using QObject::QObject;

    QString sourceLine() const { return m_sourceLine; }
    bool sourceOK() const { return m_sourceOK; }
    QString powerPointLine() const { return m_powerPointLine; }
    bool permissionDenied() const { return m_permissionDenied; }
    bool overlayVisible() const { return m_overlayVisible; }

    void setSourceLine(const QString& value);
    void setSourceOK(bool value);
    void setPowerPointLine(const QString& value);
    void setPermissionDenied(bool value);
    void setOverlayVisible(bool value);

Q_SIGNALS:
    void sourceLineChanged();
    void sourceOKChanged();
    void powerPointLineChanged();
    void permissionDeniedChanged();
    void overlayVisibleChanged();

private:
    QString m_sourceLine;
    bool m_sourceOK = false;
    QString m_powerPointLine;
    bool m_permissionDenied = false;
    bool m_overlayVisible = false;
};
