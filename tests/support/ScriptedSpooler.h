#pragma once
// A print spooler for tests that plays a script and logs every call.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "printers/Spooler.h"
#include "support/PrivateLockFolder.h"

namespace vemora::test {

// A spooler that plays a script: which printers exist, with which ports and marks, which of them
// cannot be opened, whose record cannot be fetched, whose change or resume is refused, whose
// change is made but not answered in time, and how the scheduler answers. It logs every call.
struct Script {
    std::vector<LocalPrinter> printers{};
    std::set<std::string> unopenable{};
    std::multiset<std::string> fetchFailures{};  // one failed fetch per entry
    std::set<std::string> refused{};
    std::set<std::string> resumeRefused{};
    std::set<std::string> unanswered{};  // the change is made; the pass ends without its answer
    std::map<std::string, std::vector<int>> jobsPrinted{};  // since it was parked
    SchedulerState state = SchedulerState::Answering;
    bool lateInThisPass = false;
    std::vector<std::string> log{};

    LocalPrinter& Printer(const std::string& name) {
        for (LocalPrinter& printer : printers) {
            if (printer.name == name) {
                return printer;
            }
        }
        ADD_FAILURE() << "no printer " << name;
        return printers.emplace_back();
    }
    std::string& PortOf(const std::string& name) { return Printer(name).port; }
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
        if (failure != script_.fetchFailures.end()) {
            script_.fetchFailures.erase(failure);
            return false;
        }
        record_ = script_.Printer(name_);
        return Answering();
    }

    const LocalPrinter& Record() const override { return record_; }

    bool Park(const Holder& holder) override {
        return Change("park " + name_, [&](LocalPrinter& p) {
            p.mark = ParkMark{p.port, !p.stopped, p.message, {holder}, 1};
            p.port = kParkingPort;
            p.stopped = true;
        });
    }
    bool SetHolders(const std::vector<Holder>& holders) override {
        return Change("holders " + name_ + " " + std::to_string(holders.size()),
                      [&](LocalPrinter& p) { p.mark->holders = holders; });
    }
    bool GiveBackPort() override {
        return Change("give back " + name_ + " " + record_.mark->port, [&](LocalPrinter& p) {
            p.port = record_.mark->port;
            p.stopped = !record_.mark->started;
            p.message = record_.mark->message;
            p.mark.reset();
        });
    }
    bool Resume() override {
        if (!record_.mark->started) {
            return true;
        }
        script_.log.push_back("resume " + name_);
        return !script_.resumeRefused.contains(name_) && Answering();
    }

    std::vector<int> JobsPrintedSince(std::int64_t) override { return script_.jobsPrinted[name_]; }

  private:
    bool Answering() const {
        return script_.state == SchedulerState::Answering && !script_.lateInThisPass;
    }

    template <typename Apply>
    bool Change(const std::string& entry, Apply apply) {
        script_.log.push_back(entry);
        if (script_.refused.contains(name_) || !Answering()) {
            return false;
        }
        apply(script_.Printer(name_));
        if (script_.unanswered.erase(name_) > 0) {
            script_.lateInThisPass = true;
            return false;
        }
        return true;
    }

    Script& script_;
    std::string name_;
    LocalPrinter record_;
};

class ScriptedSpooler : public Spooler {
  public:
    explicit ScriptedSpooler(Script& script) : script_(script) {}

    void BeginPass(const PassLimits&) override { script_.lateInThisPass = false; }
    SchedulerState State() const override {
        return script_.lateInThisPass ? SchedulerState::NoAnswer : script_.state;
    }

    std::vector<LocalPrinter> ListLocalPrinters() override {
        return script_.state == SchedulerState::Answering ? script_.printers
                                                          : std::vector<LocalPrinter>{};
    }

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

}  // namespace vemora::test
