#pragma once
// The user's operations as the session file sees them. Each operation a user can make opens an
// OpScope on the log: the outermost one is written to the session file; while a session plays,
// one that does not come from it is refused.

#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "account/history.h"
#include "replay/session_ops.h"

namespace corvala {

class OperationLog {
public:
    struct Opened {
        bool allowed = true;
        bool wasRecording = false;
    };
    virtual Opened BeginOperation(SessionOp op, std::vector<std::string> args) = 0;
    virtual void EndOperation(const Opened& opened) = 0;

protected:
    ~OperationLog() = default;
};

// What the trading desk's history asks of the session files.
class RunRecords {
public:
    // The history files' run header: when, which day, which stock.
    virtual RunInfo CurrentRunInfo() = 0;
    // The run was kept for the history.
    virtual void KeepRun() = 0;
    // A session playing again takes what the run would append; true when it took it.
    virtual bool DivertHistory(const HistoryAppend& text) = 0;
    virtual bool playing() const = 0;

protected:
    ~RunRecords() = default;
};

class OpScope {
public:
    OpScope(OperationLog& log, SessionOp op, std::vector<std::string> args)
        : log_(log), opened_(log.BeginOperation(op, std::move(args))) {}
    ~OpScope() { log_.EndOperation(opened_); }
    OpScope(const OpScope&) = delete;
    OpScope& operator=(const OpScope&) = delete;
    explicit operator bool() const { return opened_.allowed; }

private:
    OperationLog& log_;
    OperationLog::Opened opened_;
};

// An operation's arguments as the session file holds them.
inline std::string OpArg(bool v) { return v ? "true" : "false"; }
inline std::string OpArg(int v) { return std::to_string(v); }
std::string OpArg(float v);
template <typename E>
    requires std::is_enum_v<E>
std::string OpArg(E v) {
    return std::to_string(static_cast<int>(v));  // the code a float of it was written as
}
inline const std::string& OpArg(const std::string& v) { return v; }

}  // namespace corvala
