#include "app/fill_band.h"

#include "app/simulation.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/virtual_scheduler.h"
#include "replay/session_file.h"

namespace corvala {
namespace {

// A played session answers its questions from its file; anything else is declined unseen.
class Unseen final : public Dialogs {
public:
    void ShowError(int, const std::string&) override {}
    bool Ask(const std::string&, const std::string&) override { return false; }
    void ShowNotice(const std::string&, const std::string&) override {}
};

}  // namespace

PlayedRun PlayKeptRun(const std::string& sessionPath, const std::string& installFolder, FillRule rule,
                      const std::string& dataFolder, const std::vector<int>& waitsAtClock) {
    PlayedRun out;
    std::string error;
    std::optional<SessionFile> file = ReadSession(sessionPath, error);
    if (!file) {
        out.problem = error;
        return out;
    }
    if (!dataFolder.empty()) file->start.dataFolder = dataFolder;
    Unseen dialogs;
    SystemClock clock;
    SeededRandom random(1);
    VirtualScheduler scheduler;
    Simulation sim(Ports{dialogs, clock, random, scheduler}, installFolder);
    sim.LoadSettings("");
    if (!sim.StartUp(dataFolder)) {
        out.problem = "起動できませんでした。";
        return out;
    }
    sim.trading().SetFillRule(rule);
    // Other fills slow the replay at other moments: the user's actions keep their clock times.
    if (rule != FillRule::Described) sim.player().PlayAtRecordedTimes(waitsAtClock);
    if (const std::string refused = sim.player().Play(std::move(*file), /*restoreAfter=*/false); !refused.empty()) {
        out.problem = refused;
        return out;
    }
    while (sim.sessions().playing() && !sim.player().stalled() && scheduler.RunOne()) {
    }
    const std::string stoppedAt = sim.display().clockText;
    sim.player().Stop();
    out.waitsAtClock = sim.player().waitsAtClock();
    if (!sim.sessions().outcome().endedAsFile) {
        out.problem = stoppedAt + "で止まり、最後まで再生できませんでした";
        return out;
    }
    out.played = true;
    out.equity = sim.trading().record().EquityCurve();
    out.equityRows = sim.trading().record().EquityRows();
    out.result = out.equity.empty() ? 0 : out.equity.back();
    return out;
}

bool FillBand::zeroWidth() const {
    return runs[0].equity == runs[1].equity && runs[1].equity == runs[2].equity;
}

FillBand ComputeFillBand(const std::string& sessionPath, const std::string& installFolder) {
    FillBand band;
    band.runs[1] = PlayKeptRun(sessionPath, installFolder, FillRule::Described);
    band.runs[0] = PlayKeptRun(sessionPath, installFolder, FillRule::Pessimistic, {}, band.runs[1].waitsAtClock);
    band.runs[2] = PlayKeptRun(sessionPath, installFolder, FillRule::Optimistic, {}, band.runs[1].waitsAtClock);
    return band;
}

std::string FillBandText(const FillBand& band) {
    for (const PlayedRun& run : band.runs)
        if (!run.played) return "約定の仮定による幅は計算できませんでした（" + run.problem + "）。";
    if (band.zeroWidth()) return "約定の仮定による幅：なし（指値の待ち注文が結果を左右していません）。";
    const auto yen = [](double v) { return (v > 0 ? "+" : "") + Format(v, "###,##0") + "円"; };
    return "約定の仮定による幅\n悲観（突き抜けで約定）　" + yen(band.runs[0].result) + "\n今回（待ち行列どおり）　" +
           yen(band.runs[1].result) + "\n楽観（触れたら約定）　" + yen(band.runs[2].result);
}

}  // namespace corvala
