#pragma once
// A print spooler for tests that plays a script and logs every call.

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "printers/Spooler.h"

namespace vemora::testing {

// A spooler that plays a script: which printers exist and with which ports, which of them cannot
// be opened, whose record cannot be fetched, whose change is refused. It logs every call.
struct Script {
    std::vector<LocalPrinter> printers{};
    std::set<std::string> unopenable{};
    std::multiset<std::string> fetchFailures{};  // one failed fetch per entry
    std::set<std::string> refused{};
    std::vector<std::string> log{};

    std::string& PortOf(const std::string& name) {
        for (LocalPrinter& printer : printers) {
            if (printer.name == name) {
                return printer.port;
            }
        }
        ADD_FAILURE() << "no printer " << name;
        return printers.emplace_back().port;
    }
};

class ScriptedPrinter : public SpoolerPrinter {
  public:
    ScriptedPrinter(Script& script, std::string name) : script_(script), name_(std::move(name)) {
        script_.log.push_back("open " + name_);
    }
    ~ScriptedPrinter() override { script_.log.push_back("close " + name_); }

    bool Fetch() override {
        script_.log.push_back("fetch " + name_);
        const auto failure = script_.fetchFailures.find(name_);
        if (failure == script_.fetchFailures.end()) {
            return true;
        }
        script_.fetchFailures.erase(failure);
        return false;
    }

    bool ChangePort(const std::string& port) override {
        script_.log.push_back("change " + name_ + " " + port);
        if (script_.refused.contains(name_)) {
            return false;
        }
        script_.PortOf(name_) = port;
        return true;
    }

  private:
    Script& script_;
    std::string name_;
};

class ScriptedSpooler : public Spooler {
  public:
    explicit ScriptedSpooler(Script& script) : script_(script) {}

    std::vector<LocalPrinter> ListLocalPrinters() override { return script_.printers; }

    std::unique_ptr<SpoolerPrinter> OpenPrinter(const std::string& name) override {
        if (script_.unopenable.contains(name)) {
            script_.log.push_back("cannot open " + name);
            return nullptr;
        }
        return std::make_unique<ScriptedPrinter>(script_, name);
    }

  private:
    Script& script_;
};

}  // namespace vemora::testing
