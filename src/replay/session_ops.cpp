// The session file's names of the user's operations and its encoding of the order form.

#include "replay/session_ops.h"

#include <array>
#include <cstdio>
#include <cstdlib>

#include "replay/operation_log.h"

namespace corvala {

namespace {

#define CORVALA_SESSION_OP_NAME(name) #name,
constexpr std::array<const char*, kSessionOpCount> kNames{CORVALA_SESSION_OPS(CORVALA_SESSION_OP_NAME)};
#undef CORVALA_SESSION_OP_NAME

}  // namespace

const char* SessionOpName(SessionOp op) {
    const auto i = static_cast<std::size_t>(op);
    return i < kNames.size() ? kNames[i] : "";
}

std::optional<SessionOp> SessionOpFromName(std::string_view name) {
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (name == kNames[i]) return static_cast<SessionOp>(i);
    return std::nullopt;
}

std::string OpArg(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
    return text;
}

int OpArgInt(const std::string& text) { return std::atoi(text.c_str()); }
float OpArgReal(const std::string& text) { return static_cast<float>(std::atof(text.c_str())); }
bool OpArgFlag(const std::string& text) { return text == "true"; }

std::vector<std::string> OrderFormArgs(const NewOrderForm& form) {
    return {OpArg(form.kind),     OpArg(form.sell),         OpArg(form.cashCaption),  form.quantity,
            form.price,           form.trigger,             form.stopPrice,           OpArg(form.normalMarket),
            OpArg(form.triggerBelow), OpArg(form.stopMarket)};
}

NewOrderForm OrderFormFromArgs(const std::vector<std::string>& args, std::size_t first) {
    const auto text = [&](std::size_t k) -> std::string {
        return first + k < args.size() ? args[first + k] : std::string();
    };
    NewOrderForm f;
    f.kind = static_cast<OrderKind>(OpArgInt(text(0)));
    f.sell = OpArgFlag(text(1));
    f.cashCaption = OpArgFlag(text(2));
    f.quantity = text(3);
    f.price = text(4);
    f.trigger = text(5);
    f.stopPrice = text(6);
    f.normalMarket = OpArgFlag(text(7));
    f.triggerBelow = OpArgFlag(text(8));
    f.stopMarket = OpArgFlag(text(9));
    return f;
}

}  // namespace corvala
