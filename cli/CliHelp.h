#pragma once
// How vemora-cli's help reads: the usage line first, "-p, --port NAME" columns, each command with
// its options and its summary in the list of commands; a command's own help is its help text
// (both from the table of commands). --help-all adds every command's own help in a form that
// help2man turns into the manual page.

#include <CLI/CLI.hpp>

namespace vemora {

class CliHelpFormat : public CLI::Formatter {
  public:
    CliHelpFormat();

    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override;
    std::string make_usage(const CLI::App* app, std::string name) const override;
    std::string make_description(const CLI::App* app) const override;
    std::string make_subcommand(const CLI::App* sub) const override;
    std::string make_expanded(const CLI::App* sub) const override;
    std::string make_option_name(const CLI::Option* option, bool positional) const override;
    std::string make_option_opts(const CLI::Option* option) const override;
};

}  // namespace vemora
