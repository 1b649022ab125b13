#pragma once
// The navigation states of the main window: which controls accept input and what the jump
// buttons' tooltips say in each.

#include "replay/display_model.h"

namespace corvala {

enum NavigationState : int { kIdle = 0, kRunning = 2, kPaused = 3, kWaiting = 4 };

// Sets the playback buttons, the inputs and the tooltips for `state` with N-minute bars.
// `quizChecked` keeps the date, code and series inputs locked in the idle state.
void SetNavigationState(ControlStates& controls, int state, int barLength, bool quizChecked = false);

// Captions and fixed tooltips of the eight buttons, before any state is set.
void InitPlaybackButtons(ControlStates& controls, int barLength);

}  // namespace corvala
