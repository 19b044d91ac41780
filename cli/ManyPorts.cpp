#include "cli/ManyPorts.h"
#include "cli/CliJson.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>
#include <vector>

namespace vemora {

namespace {

struct PortRun {
    int status = 0;
    std::ostringstream out;
    std::ostringstream err;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

void PrintLed(const std::string& port, const std::string& text, std::ostream& to) {
    for (const std::string& line : Lines(text)) {
        to << port << ": " << line << "\n";
    }
}

nlohmann::ordered_json PortDocument(const std::string& port, const PortRun& run) {
    nlohmann::ordered_json document = nlohmann::ordered_json::object();
    const std::string printed = run.out.str();
    if (!printed.empty()) {
        document = nlohmann::ordered_json::parse(printed, nullptr, false);
        if (!document.is_object()) {
            document = {{"output", printed}};
        }
    }
    document["port"] = port;
    document["exitStatus"] = run.status;
    document["messages"] = Lines(run.err.str());
    return document;
}

}  // namespace

int RunOnPorts(const CliOptions& options, const RunOnePort& run, std::ostream& out,
               std::ostream& err) {
    if (!UsesPort(options.command)) {
        return run(options, out, err);
    }
    if (options.ports.size() == 1) {
        return run(ForPort(options, options.ports.front()), out, err);
    }
    std::vector<PortRun> runs(options.ports.size());
    {
        std::vector<std::jthread> threads;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            threads.emplace_back([&, i] {
                runs[i].status = run(ForPort(options, options.ports[i]), runs[i].out, runs[i].err);
            });
        }
    }
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    int status = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const std::string& port = options.ports[i];
        status = std::max(status, runs[i].status);
        if (options.json) {
            all.push_back(PortDocument(port, runs[i]));
            continue;
        }
        PrintLed(port, runs[i].out.str(), out);
        PrintLed(port, runs[i].err.str(), err);
    }
    if (options.json) {
        PrintJson(all, out);
    }
    return status;
}

}  // namespace vemora
