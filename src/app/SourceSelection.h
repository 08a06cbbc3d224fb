#pragma once

#include <QString>

#include <optional>

class SettingsStore;

// Which timer source the controller starts and which one it shows. The two rules differ on
// purpose: a Stagetimer that is merely enabled is started when Ontime is not, but shown only
// once it is the chosen source, while an enabled Ontime is shown even when the internal timer
// was chosen.
namespace SourceSelection {

enum class Activation { stagetimer, ontime, search };
enum class Display { stagetimer, ontime, internalTimer };

// What activating the sources starts, from the stored choice and the two enabled flags.
Activation activation(const std::optional<QString>& timerSource, bool stagetimerEnabled,
                      bool ontimeEnabled);
// Whose state the timer window and the status line show.
Display display(const std::optional<QString>& timerSource, bool stagetimerEnabled,
                bool ontimeEnabled);

// Both rules as the settings store holds them now.
Activation activation(const SettingsStore& settings);
Display display(const SettingsStore& settings);

} // namespace SourceSelection
