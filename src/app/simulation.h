#pragma once
// The composition root of one running program: it builds the components, wires each to the
// others it calls, and gives the front ends the one they show or drive. What it does itself is
// what spans them: start-up, the settings to save and apply, and the hand-overs of the screening
// and the quiz.

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "app/chart_state.h"
#include "app/displayed_day.h"
#include "app/one_key_orders.h"
#include "app/order_dialogs.h"
#include "app/quiz_state.h"
#include "app/screening_state.h"
#include "app/session_player.h"
#include "app/settings_state.h"
#include "app/trading_desk.h"
#include "platform/drives.h"
#include "platform/ports.h"
#include "replay/display_model.h"
#include "replay/replay_loop.h"
#include "replay/services.h"
#include "replay/session_recorder.h"
#include "settings/settings.h"

namespace corvala {

struct Ports {
    Dialogs& dialogs;
    Clock& clock;
    Random& random;
    Scheduler& scheduler;
    Sound* sound = nullptr;  // none: silent
    const RemovableDrives* drives = nullptr;  // none: no drive counts as removable
    FolderPicker* folderPicker = nullptr;     // none: "..." does nothing
    Downloader* downloader = nullptr;         // none: no quiz package can be fetched
    Archive* archive = nullptr;               // none: nor unpacked
};

class Simulation : private SettingsState::Host {
public:
    using DisplayOutcome = DisplayedDay::DisplayOutcome;

    Simulation(Ports ports, std::string installFolder);

    // Start-up, first part: reads the settings of the install folder (setsim, with the hand-over
    // of `appDataFolder`) into the boxes, the options, the data folder, N, the periods and the
    // account. True when the disclaimer is to be shown before the start-up goes on.
    bool LoadSettings(const std::string& appDataFolder);
    // Start-up, second part: reads the stock list (error 1013 and false when it is missing: the
    // program ends), creates 売買履歴, falls back to the install folder's 日中データ when the data
    // folder does not exist, and fills the date box and the series selector. A non-empty
    // `dataFolder` stands in for the settings' one.
    bool StartUp(const std::string& dataFolder = {});

    // What the settings file would hold now (the window positions as last remembered).
    Settings CurrentSettings() const;
    // Writes setsim; a failure is told in a box (`quietly`: not told) and false returned, the old
    // file untouched.
    bool SaveSettings(bool quietly = false);
    // At exit; when they cannot be saved, asks whether to end without them.
    bool SaveSettingsAtExit();
    // The settings dialog's values taken (`save` false: setsim is left for a later save).
    void ApplySettingsDialog(bool save = true);
    // 設定: the day is displayed again before the settings are opened.
    void PressSettings();

    // ---- The components, for the front ends ----
    MainDisplay& display() { return display_; }
    const MainDisplay& display() const { return display_; }
    DisplayedDay& day() { return day_; }
    const DisplayedDay& day() const { return day_; }
    ReplayLoop& replay() { return loop_; }
    const ReplayLoop& replay() const { return loop_; }
    TradingDesk& trading() { return trading_; }
    const TradingDesk& trading() const { return trading_; }
    OrderDialogs& orderDialogs() { return orderDialogs_; }
    OneKeyOrders& oneKeys() { return oneKeys_; }
    ChartState& chart() { return chart_; }
    const ChartState& chart() const { return chart_; }
    SettingsState& settings() { return settings_; }
    ScreeningState& screening() { return screening_; }
    QuizMode& quizMode() { return quiz_; }
    SessionRecorder& sessions() { return recorder_; }
    SessionPlayer& player() { return player_; }
    PriceAlerts& alerts() { return alerts_; }
    const PriceAlerts& alerts() const { return alerts_; }
    const std::string& installFolder() const { return installFolder_; }
    Services& services() { return services_; }
    // Called whenever the display changes outside a user action (a flash ending).
    void SetChangeListener(std::function<void()> listener) { services_.SetChangeListener(std::move(listener)); }

private:
    // What the settings ask of the program around them.
    void DataFolderChanged() override;
    void SettingsFieldsEdited() override;

    void TellSettingsProblems();

    Ports ports_;
    std::string installFolder_;
    MainDisplay display_;
    Services services_{display_, ports_.dialogs, ports_.scheduler, &recorder_};

    // The components, each built with the others it calls. A neighbour declared later is only
    // held, by its own type; one reached through an interface it implements is built first (the
    // loop's driven parts and the recorder's host are given in the constructor's body).
    SessionPlayer player_{{services_, recorder_, loop_, day_, trading_, orderDialogs_, settings_, quiz_, alerts_, oneKeys_, display_}};
    SessionRecorder recorder_{services_, display_, ports_.clock, installFolder_};
    PriceAlerts alerts_{recorder_};
    ReplayLoop loop_{{services_, player_, display_, recorder_}};
    SettingsState settings_{*this, services_, installFolder_, ports_.drives, ports_.folderPicker};
    DisplayedDay day_{display_, {services_, loop_, trading_, chart_, settings_, quiz_, alerts_}, {ports_.dialogs, ports_.clock, ports_.random},
                      installFolder_};
    OrderDialogs orderDialogs_{{services_, recorder_, loop_.speed(), alerts_, display_, loop_.clock(), trading_, ports_.clock}};
    TradingDesk trading_{{loop_, services_, orderDialogs_, recorder_, recorder_, display_, loop_.clock(), chart_},
                         TradingDesk::Ports{ports_.clock, day_.random(), ports_.sound}, installFolder_};
    ChartState chart_{day_, services_, trading_, display_, loop_.clock(), alerts_};
    OneKeyOrders oneKeys_{services_, recorder_, trading_, orderDialogs_};
    ScreeningState screening_{day_, services_, settings_, loop_.clock(), installFolder_, ports_.clock, ports_.random, ports_.scheduler};
    QuizMode quiz_{day_, services_, loop_.clock(), display_, installFolder_, ports_.dialogs, ports_.scheduler, ports_.downloader,
                   ports_.archive};

    // The components that keep a part of setsim, in the order they take it.
    std::array<SettingsSlice*, 5> slices_{&day_, &loop_, &chart_, &trading_, &oneKeys_};
};

}  // namespace corvala
