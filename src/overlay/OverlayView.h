#pragma once

#include "overlay/OverlayLayout.h"
#include "overlay/OverlayModel.h"
#include "settings/SettingsStore.h"

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <memory>

class QPainter;
struct DrawnCard;

// Draws the timer window's card: the top row with the gear, caption and close icon, the
// time, the message, the second line, the progress bar and the resize grip. Every size
// follows the view's size, so the whole card scales with the window. It handles no input;
// the hosting view around it does.
class OverlayView final : public QWidget {
    Q_OBJECT
public:
    // Redraws when an assignment to the model, one of the four display settings in the
    // settings store, the blink phase or the size changes what is drawn, and only the part
    // that changed.
    OverlayView(OverlayModel* model, const SettingsStore& settings, QWidget* parent = nullptr);
    ~OverlayView() override;

    OverlayModel* model() const { return m_model; }

    // The display settings as last read from the store.
    double opacity() const { return m_opacity; }
    bool showCaption() const { return m_showCaption; }
    bool showMessages() const { return m_showMessages; }
    bool showBar() const { return m_showBar; }

    // Phase of the message blinking; the blink timer toggles it every half second.
    bool blinkOn() const { return m_blinkOn; }
    void setBlinkOn(bool on);
    int blinkInterval() const { return m_blinkTimer.interval(); }
    void setBlinkInterval(int milliseconds) { m_blinkTimer.setInterval(milliseconds); }
    bool isBlinkTimerRunning() const { return m_blinkTimer.isActive(); }

    // The rows the current record and settings show, and the sizes at a given size.
    OverlayLayout::Rows rows() const;
    OverlayLayout::Metrics metricsFor(QSizeF size) const;

    // A thin light line along the card's edge, for windows without an alpha channel, where
    // the card's soft edge would vanish on a black slide.
    bool isOutlined() const { return m_outlined; }
    void setOutlined(bool outlined);

    // Draws the current state into `painter` at the given size, origin at the top-left. The
    // card is the window's bottom layer: it replaces the pixels below it rather than blending.
    void paint(QPainter& painter, QSizeF size) const;
    // The current state as an image on a transparent background; the image has
    // size × devicePixelRatio pixels.
    QImage renderToImage(QSize size, qreal devicePixelRatio = 1) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct Caches;

    // The model's record as the card draws it: empty during a blackout.
    TimerDisplay shownDisplay() const;
    void reloadSettings();
    void toggleBlink();
    // Schedules a repaint of what differs from the last painted state, if anything.
    void refresh();
    DrawnCard drawn(QSizeF size, qreal ratio) const;

    QPointer<OverlayModel> m_model;
    const SettingsStore& m_settings;
    std::unique_ptr<Caches> m_caches;
    bool m_outlined = false;
    double m_opacity = SettingsDefault::overlayOpacity;
    bool m_showCaption = true;
    bool m_showMessages = true;
    bool m_showBar = true;
    bool m_blinkOn = true;
    QTimer m_blinkTimer;
};
