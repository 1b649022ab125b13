#pragma once
// The simulated session clock and the flags through which the controls steer the replay loop,
// with the small rules that turn boxes, speeds and gauge clicks into its values.

#include <cstdint>
#include <string>

namespace corvala {

inline constexpr int kStepSeconds = 5;
inline constexpr int kLunchRow = 1800;
inline constexpr const char* kPreOpenClock = "08:59:59";
inline constexpr const char* kLunchClock = "12:29:59";
inline constexpr const char* kOpenClock = "09:00:00";
inline constexpr const char* kAfternoonClock = "12:30:00";
inline constexpr const char* kCloseClock = "15:00:00";

struct ReplayClock {
    int barLength = 5;    // N, minutes per chart bar
    int lastBar = 59;     // ⌊300/N + 0.5⌋ − 1
    int currentBar = 0;
    int stepInBar = 0;    // 0 … 12·N − 1
    int currentRow = 0;   // bar·12·N + step in bar, 0 … 3599
    int clockSeconds = 0; // seconds since midnight of the clock at the start of the step

    int startBar = 0;
    std::string startTime = "08:59:59";
    bool midSessionStart = false;

    bool replayReady = false;     // a day is loaded in simulation mode and the loop may run
    bool simulationMode = false;  // the display ran with the simulation box set
    bool paused = false;
    bool stopRequested = false;
    bool afternoonStarted = false;
    bool preOpenPhase = false;    // 08:59:59 or 12:29:59: orders now are pre-open orders
    std::int32_t boardTotalQty = 0;

    int stepForwardCount = 0;  // steps still to run before pausing again
    bool fastForward = false;  // stepForwardCount > 0: steps run without delays
    int backRequest = 0;       // a pending jump back (12·N), 0 when none
    bool jumpInterrupt = false;
    bool orderInterrupt = false;
    int stepDelay = 5300;      // ms per step at the chosen speed; 0 means no waiting
    bool lowSpeed = false;
    bool lowSpeedChanged = false;
    bool inStep = false;       // the timed part of a step runs
    bool abortWait = false;    // ends a wait of the timed part early

    // What the loop tells of its run; only the loop writes them.
    bool running = false;       // from 開 始 to the end of the day or a stop
    bool preparing = false;     // from the display action until the replay waits for play
    bool dayShown = false;      // a finished replay left the day on screen
    bool heldPaused = false;    // paused, waiting for play or a step (not before the open or at lunch)
    int stepsRun = 0;
    double currentPrice = 0;    // the step's price (現在値), 0 before the stock's first trade

    int StepsPerBar() const { return 12 * barLength; }
    // One of the steps asked for (→, ≫) is taken: true when it was the last, and the tape list
    // shows again.
    bool ServeForwardStep() {
        --stepForwardCount;
        jumpInterrupt = false;  // the request is served; it must not cut a later step
        fastForward = stepForwardCount > 0;
        return stepForwardCount == 0;
    }
    // A replay is loaded and running: orders are open and its day is not changed under it.
    bool loaded() const { return running && replayReady; }
};

// Index of the day's last bar for N-minute bars.
int LastBar(int barLength);

// Milliseconds per five-second step at speed 1–30 (out-of-range speeds are clamped).
int StepDelayForSpeed(int speed);

// Speed for a click at `x` gauge units; below the first cell gives 1, past the last 30.
int SpeedForGaugeX(int x);

// The start-time boxes as the user typed them. ValidateStartTime normalises them in place.
struct StartTimeBoxes {
    std::string hour = "9";
    std::string minute = "00";
};

struct StartPosition {
    int startBar = 0;
    std::string startTime;  // hh:nn:ss
    bool midSessionStart = false;
};

// Normalises the boxes (bad hours become 9, bad minutes 00, minutes round down to five) and
// gives the first bar to replay for N-minute bars.
StartPosition ValidateStartTime(StartTimeBoxes& boxes, int barLength);

// "hh:nn:ss" of a replay row counted from 09:00:00, with the lunch break skipped.
std::string RowClockText(int row);

}  // namespace corvala
