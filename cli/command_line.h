#pragma once
// The command line of corvala-cli: every command and its options are defined once on a CLI11
// App, which parses, validates and prints the help from those definitions.

#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace corvala::cli {

// The command chosen on the command line, run after its options were parsed; returns the exit
// status.
using CommandRun = std::function<int()>;

class Program {
  public:
    Program();
    // A command: its name, its description (lines indented by six spaces, as the help prints them)
    // and what it runs. Its options are added to the App returned.
    CLI::App& AddCommand(const char* name, const char* text, CommandRun run);
    // Parses the command line and runs the command: 0 after help, 1 for bad arguments (the
    // message on stderr names the option), else the command's own status.
    int Main(int argc, const char* const* argv);
    CLI::App& app() { return app_; }

  private:
    CLI::App app_;
    CLI::App* helpCommand_ = nullptr;
    std::map<const CLI::App*, CommandRun> runs_;
};

// Marks an option the command needs in its usage line (shown without brackets); the command
// itself tells what happens without it.
CLI::Option* Needed(CLI::Option* option);
// An option that may be given more than once, each time with one value, all of them kept in order.
CLI::Option* Repeatable(CLI::Option* option);

// A whole number in decimal digits from `low` to `high`: trailing characters, a sign, spaces or a
// value out of range are refused with a message that names the range.
CLI::Validator WholeNumber(std::uint64_t low, std::uint64_t high);
// Exactly `count` decimal digits, in the form `form` (YYYYMM, YYMMDD).
CLI::Validator Digits(std::size_t count, const char* form);
// An option taking a whole number from `low` to `high` (see WholeNumber).
template <typename Number>
CLI::Option* AddWholeOption(CLI::App& command, const char* name, Number& field, std::uint64_t low,
                            std::uint64_t high, const char* typeName, const char* description) {
    return command.add_option(name, field, description)
        ->type_name(typeName)
        ->check(WholeNumber(low, high));
}
// One of `words`, exactly.
CLI::Validator OneOf(std::vector<std::string> words);

// The usage line of a command as its options define it, wrapped, each line indented.
std::string Synopsis(const CLI::App& command);

}  // namespace corvala::cli
