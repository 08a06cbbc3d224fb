#include "app/SourceSelection.h"

#include "settings/SettingsStore.h"

namespace SourceSelection {

Activation activation(const std::optional<QString>& timerSource, bool stagetimerEnabled,
                      bool ontimeEnabled) {
    const bool internal = timerSource == u"internal";
    if (!internal && stagetimerEnabled && (timerSource == u"stagetimer" || !ontimeEnabled))
        return Activation::stagetimer;
    if (!internal && ontimeEnabled)
        return Activation::ontime;
    return Activation::search;
}

Display display(const std::optional<QString>& timerSource, bool stagetimerEnabled,
                bool ontimeEnabled) {
    if (timerSource == u"stagetimer" && stagetimerEnabled)
        return Display::stagetimer;
    if (ontimeEnabled)
        return Display::ontime;
    return Display::internalTimer;
}

Activation activation(const SettingsStore& settings) {
    return activation(settings.timerSource(), settings.stagetimerEnabled(),
                      settings.ontimeEnabled());
}

Display display(const SettingsStore& settings) {
    return display(settings.timerSource(), settings.stagetimerEnabled(), settings.ontimeEnabled());
}

} // namespace SourceSelection
