#include "settings/AppState.h"

void AppState::setSourceLine(const QString& value) {
    m_sourceLine = value;
    Q_EMIT sourceLineChanged();
}

void AppState::setSourceOK(bool value) {
    m_sourceOK = value;
    Q_EMIT sourceOKChanged();
}

void AppState::setPowerPointLine(const QString& value) {
    m_powerPointLine = value;
    Q_EMIT powerPointLineChanged();
}

void AppState::setPermissionDenied(bool value) {
    m_permissionDenied = value;
    Q_EMIT permissionDeniedChanged();
}

void AppState::setOverlayVisible(bool value) {
    m_overlayVisible = value;
    Q_EMIT overlayVisibleChanged();
}
