#include "cli/CliHelp.h"

#include <sstream>
#include <vector>

#include "cli/CliCommands.h"

namespace vemora {

namespace {

bool IsHelp(const CLI::App* app, const CLI::Option* option) {
    return option == app->get_help_ptr() || option == app->get_help_all_ptr();
}

// "get [--save FILE]", "direct --code-table X --charset X", "show FILE"; a run of optional
// settings shows its first and last, "set [--load FILE] [--code-table X] ... [--cursor X]", to keep
// the list of commands within 80 columns.
std::string CommandSyntax(const CLI::App* sub) {
    std::vector<std::string> words{sub->get_name()};
    std::size_t settings = 0;  // optional settings just before this option
    for (const CLI::Option* option : sub->get_options()) {
        if (IsHelp(sub, option)) {
            continue;
        }
        const std::string word = option->get_positional() ? option->get_name(true, false)
                                 : option->get_type_name().empty()
                                     ? option->get_name()
                                     : option->get_name() + " " + option->get_type_name();
        const bool setting = !option->get_required() && option->get_type_name() == "X";
        settings = setting ? settings + 1 : 0;
        if (settings == 3) {
            words.back() = "...";
        } else if (settings > 3) {
            words.pop_back();
        }
        words.push_back(option->get_required() ? word : "[" + word + "]");
    }
    std::string syntax;
    for (const std::string& word : words) {
        syntax += (syntax.empty() ? "" : " ") + word;
    }
    return syntax;
}

// A command's line in the list of commands.
std::string Summary(const CLI::App* sub) {
    const CommandEntry* entry = FindCommand(sub->get_name());
    return entry != nullptr ? entry->summary : sub->get_description();
}

}  // namespace

CliHelpFormat::CliHelpFormat() {
    column_width(23);
    label("Positionals", "Arguments");
}

std::string CliHelpFormat::make_help(const CLI::App* app, std::string name,
                                     CLI::AppFormatMode mode) const {
    std::string help = make_usage(app, name) + make_description(app) + make_positionals(app) +
                       make_groups(app, CLI::AppFormatMode::Normal) +
                       make_subcommands(app, CLI::AppFormatMode::Normal);
    if (mode == CLI::AppFormatMode::All) {
        for (const CLI::App* sub : app->get_subcommands({})) {
            help += "\n" + make_expanded(sub);
        }
    }
    const std::string footer = make_footer(app);
    return footer.empty() ? help : help + "\n" + footer;
}

std::string CliHelpFormat::make_usage(const CLI::App* app, std::string name) const {
    const CLI::App* parent = app->get_parent();
    if (parent == nullptr) {
        return "Usage: " + name + " [options] COMMAND [command options]\n";
    }
    return "Usage: " + parent->get_name() + " [options] " + CommandSyntax(app) + "\n";
}

std::string CliHelpFormat::make_description(const CLI::App* app) const {
    return app->get_description() + "\n";
}

std::string CliHelpFormat::make_subcommand(const CLI::App* sub) const {
    std::ostringstream out;
    CLI::detail::format_help(out, CommandSyntax(sub), Summary(sub), column_width_ + 8);
    return out.str();
}

// "get [--save FILE]:", then what the command does and its options, indented: a subsection of the
// manual page.
std::string CliHelpFormat::make_expanded(const CLI::App* sub) const {
    std::string text = CommandSyntax(sub) + ":\n";
    std::istringstream detail(sub->get_description());
    for (std::string line; std::getline(detail, line);) {
        text += "  " + line + "\n";
    }
    for (const CLI::Option* option : sub->get_options()) {
        if (!IsHelp(sub, option)) {
            text += make_option(option, option->get_positional());
        }
    }
    return text;
}

std::string CliHelpFormat::make_option_name(const CLI::Option* option, bool positional) const {
    std::string name;
    for (const std::string& letter : option->get_snames()) {
        name += "-" + letter + ", ";
    }
    if (name.empty()) {
        name = "    ";
    }
    for (const std::string& word : option->get_lnames()) {
        name += "--" + word;
    }
    return positional ? name + option->get_name(true, false) : name;
}

// The value an option takes, and nothing else: what is required shows in the usage line.
std::string CliHelpFormat::make_option_opts(const CLI::Option* option) const {
    return option->get_positional() || option->get_type_size() == 0 ? ""
                                                                    : " " + option->get_type_name();
}

}  // namespace vemora
