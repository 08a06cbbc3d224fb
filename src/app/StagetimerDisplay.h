#pragma once

#include "overlay/TimerDisplay.h"

class StagetimerModel;

// What the timer window shows for a Stagetimer room: the client's state at this moment,
// with its remaining time read once so that every field agrees.
TimerDisplay stagetimerDisplay(const StagetimerModel& model);
