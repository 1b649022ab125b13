#include "command_line.h"

#include <charconv>
#include <cstdio>
#include <iostream>
#include <set>

namespace corvala::cli {

namespace {

constexpr const char* kProgramTitle = "corvala-cli — the replay core without windows";
constexpr const char* kExitStatuses =
    "Every command prints one JSON object on standard output. Exit status: 0 done, 1 bad\n"
    "arguments (an unknown option, a value that is not what the option takes), 2 the command\n"
    "could not do its work (an error box of the program with its number and text on standard\n"
    "error, a file or folder it could not read or write, a failed download or recording), 3 the\n"
    "day could not be replayed, 4 a session file did not play as recorded, 5 a kept run could not\n"
    "be written to the history files. corvala-cli(1) says what each status means for each command.\n";
constexpr std::size_t kLineWidth = 92;

std::set<const CLI::Option*>& NeededOptions() {
    static std::set<const CLI::Option*> options;
    return options;
}

// The help of the program (every command's usage and description) and of each command (its
// usage, description and options).
class Help final : public CLI::Formatter {
  public:
    std::string make_help(const CLI::App* app, std::string,
                          CLI::AppFormatMode mode) const override {
        if (app->get_parent() == nullptr) {
            std::string out =
                std::string(kProgramTitle) + "\n\nusage: corvala-cli COMMAND [options]   " +
                "(corvala-cli COMMAND --help lists the command's options)\n\ncommands:\n";
            for (const CLI::App* command : app->get_subcommands({}))
                if (!command->get_group().empty())
                    out += Synopsis(*command) + command->get_description();
            return out + "\n" + kExitStatuses;
        }
        return "usage:\n" + Synopsis(*app) + app->get_description() + make_groups(app, mode) + "\n";
    }
};

std::string ValueText(const CLI::Option& option) {
    std::string text = "--" + option.get_lnames().front();
    if (!option.get_type_name().empty()) text += " " + option.get_type_name();
    if (option.get_multi_option_policy() == CLI::MultiOptionPolicy::TakeAll) text += " ...";
    return option.get_required() || NeededOptions().count(&option) ? text : "[" + text + "]";
}

}  // namespace

CLI::Option* Needed(CLI::Option* option) {
    NeededOptions().insert(option);
    return option;
}

CLI::Option* Repeatable(CLI::Option* option) {
    return option->allow_extra_args(false)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

CLI::Validator WholeNumber(std::uint64_t low, std::uint64_t high) {
    return CLI::Validator(
        [low, high](std::string& text) -> std::string {
            std::uint64_t value = 0;
            const char* end = text.data() + text.size();
            const auto [stop, error] = std::from_chars(text.data(), end, value);
            if (text.empty() || error != std::errc() || stop != end || value < low || value > high)
                return "'" + text + "' is not a whole number from " + std::to_string(low) + " to " +
                       std::to_string(high);
            return {};
        },
        "", "whole number");
}

CLI::Validator Digits(std::size_t count, const char* form) {
    return CLI::Validator(
        [count, form = std::string(form)](std::string& text) -> std::string {
            if (text.size() == count && text.find_first_not_of("0123456789") == std::string::npos)
                return {};
            return "takes " + form + ", not '" + text + "'";
        },
        "", "digits");
}

CLI::Validator OneOf(std::vector<std::string> words) {
    return CLI::Validator(
        [words](std::string& text) -> std::string {
            std::string list;
            for (const std::string& w : words) {
                if (w == text) return {};
                list += (list.empty() ? "" : ", ") + w;
            }
            return "takes " + list + ", not '" + text + "'";
        },
        "", "one of");
}

std::string Synopsis(const CLI::App& command) {
    std::string out = "  " + command.get_name();
    std::size_t lineStart = 0;
    for (const CLI::Option* option : command.get_options()) {
        if (option == command.get_help_ptr() || option->get_group().empty() ||
            option->get_lnames().empty())
            continue;
        const std::string item = ValueText(*option);
        if (out.size() - lineStart + 1 + item.size() > kLineWidth) {
            out += "\n";
            lineStart = out.size();
            out += "      ";
        }
        out += " " + item;
    }
    return out + "\n";
}

Program::Program() : app_(kProgramTitle, "corvala-cli") {
    app_.formatter(std::make_shared<Help>());
    app_.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)->group("options");
    app_.require_subcommand(1);
    // `corvala-cli help` as --help; not listed among the commands.
    helpCommand_ = app_.add_subcommand("help", "the program's help")->group("");
}

CLI::App& Program::AddCommand(const char* name, const char* text, CommandRun run) {
    CLI::App* command = app_.add_subcommand(name, text);
    command->formatter(app_.get_formatter());
    command->get_help_ptr()->group("options");
    runs_[command] = std::move(run);
    return *command;
}

int Program::Main(int argc, const char* const* argv) {
    if (argc < 2) {
        std::cout << app_.help();
        return 1;
    }
    try {
        app_.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app_.help();
        return 0;
    } catch (const CLI::ParseError& e) {
        const auto chosen = app_.get_subcommands();
        const std::string command =
            chosen.empty() ? std::string() : " " + chosen.front()->get_name();
        if (chosen.empty() && argv[1][0] != '-')
            std::fprintf(stderr, "corvala-cli: unknown command '%s'\n", argv[1]);
        else
            std::fprintf(stderr, "corvala-cli%s: %s\n", command.c_str(), e.what());
        std::fprintf(stderr, "(corvala-cli%s --help lists the options)\n", command.c_str());
        return 1;
    }
    const CLI::App* chosen = app_.get_subcommands().front();
    if (chosen == helpCommand_) {
        std::cout << app_.help();
        return 0;
    }
    return runs_.at(chosen)();
}

}  // namespace corvala::cli
