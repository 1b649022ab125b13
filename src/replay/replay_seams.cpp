// Where a replay step meets the board, the tape, the matching engine, the account and the chart.
// Each is called at the point of the loop where its work belongs; until those parts exist here
// they leave the display as it is, and the clock, the timing and the controls work without them.

#include "replay/simulation.h"

namespace corvala {

void Simulation::BuildInitialBoard(int /*row*/) {}
void Simulation::RefreshBoard(int /*row*/) { replay_.boardTotalQty = 0; }
void Simulation::AddTapeLinesBefore(const std::string& /*time*/) {}
void Simulation::MatchPendingOrders(int /*subStep*/) {}
void Simulation::RevaluePositions(double /*price*/) {}
void Simulation::DrawReplayRow(int /*row*/) {}
void Simulation::DrawPrevCloseLines() {}
void Simulation::DrawTradeMarkers() {}
void Simulation::RedrawChartUpTo(int /*bar*/) {}
void Simulation::RedrawEmptyChart() {}
void Simulation::FullRedraw() {}
void Simulation::ChartCursorButton(int /*index*/) {}
void Simulation::RemoveChartCursor() {}
void Simulation::ClearBoardLabels() {}
void Simulation::ResetBoardQuantityBackgrounds() {}
void Simulation::CloseOrderDialogs() { orderDialogOpen_ = {false, false, false}; }
bool Simulation::HoldingsOpen() { return false; }
bool Simulation::AnyTradeMade() const { return false; }
void Simulation::SettleAll(double /*price*/) {}
void Simulation::DiscardRun() {}
void Simulation::ResetBuyingPowerLabel() {}

}  // namespace corvala
