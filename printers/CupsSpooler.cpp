#include "printers/CupsSpooler.h"

#include <cups/cups.h>

#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <iterator>
#include <utility>

#include "printers/SocketWatch.h"

namespace vemora {
namespace {

constexpr const char* kParkingDeviceUri = "file:/dev/null";

// The mark, as queue options: the scheduler keeps any printer attribute named NAME-default as
// the option NAME, across job stops and its own restarts, and `lpoptions -p QUEUE` shows it.
constexpr const char* kMarkPort = "vemora-parked-uri-default";
constexpr const char* kMarkStarted = "vemora-parked-started-default";
constexpr const char* kMarkMessage = "vemora-parked-message-default";
constexpr const char* kMarkHolders = "vemora-parked-holders-default";
constexpr const char* kMarkSince = "vemora-parked-since-default";
constexpr std::initializer_list<const char*> kMarkAttributes = {
    kMarkPort, kMarkStarted, kMarkMessage, kMarkHolders, kMarkSince};

// How often a request waiting for an answer looks at its time-out and at the interrupt; a
// socket watch ends a request whose answer trickles in.
constexpr double kWaitStepSeconds = 0.1;

using IppResponse = std::unique_ptr<ipp_t, decltype(&ippDelete)>;

// libcups would otherwise ask for a password on the terminal.
const char* DeclinePassword(const char*, http_t*, const char*, const char*, void*) {
    return nullptr;
}

std::string PortString(const std::string& deviceUri) {
    return deviceUri == kParkingDeviceUri ? std::string(kParkingPort) : deviceUri;
}

std::string DeviceUri(const std::string& port) {
    return port == kParkingPort ? kParkingDeviceUri : port;
}

// True for "scheme://host...": the scheduler shows such a URI without its user:password, if any.
bool MayHideCredentials(std::string_view uri) {
    const std::size_t colon = uri.find(':');
    return colon != std::string_view::npos && uri.substr(colon + 1).starts_with("//") &&
           uri.size() > colon + 3 && uri[colon + 3] != '/';
}

// A queue option is one line of the scheduler's printers.conf.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20) {
            c = ' ';
        }
    }
    return text;
}

// A request about one printer, or about the whole scheduler when printerUri is null.
ipp_t* NewRequest(ipp_op_t operation, const char* printerUri,
                  std::initializer_list<const char*> wanted = {}) {
    ipp_t* request = ippNewRequest(operation);
    if (printerUri != nullptr) {
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri);
    }
    std::vector<const char*> names(wanted);
    if (!names.empty()) {
        names.insert(names.end(), kMarkAttributes.begin(), kMarkAttributes.end());
        ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                      static_cast<int>(names.size()), nullptr, names.data());
    }
    return request;
}

std::string TextOf(ipp_attribute_t* attribute) {
    const char* text = ippGetString(attribute, 0, nullptr);
    return text != nullptr ? text : "";
}

// Reads one printer's attributes, as a Get-Printer-Attributes or one run of CUPS-Get-Printers.
class PrinterReader {
  public:
    void Take(ipp_attribute_t* attribute) {
        const std::string_view name = ippGetName(attribute);
        if (name == "printer-name") {
            printer_.name = TextOf(attribute);
        } else if (name == "device-uri") {
            printer_.port = PortString(TextOf(attribute));
        } else if (name == "printer-type") {
            type_ = ippGetInteger(attribute, 0);
        } else if (name == "printer-state") {
            printer_.stopped = ippGetInteger(attribute, 0) == IPP_PSTATE_STOPPED;
        } else if (name == "printer-state-message") {
            printer_.message = TextOf(attribute);
        } else if (name == kMarkPort) {
            Mark().port = PortString(TextOf(attribute));
        } else if (name == kMarkStarted) {
            // The scheduler may give "true" and "false" back as a boolean.
            Mark().started = ippGetValueTag(attribute) == IPP_TAG_BOOLEAN
                                 ? ippGetBoolean(attribute, 0) != 0
                                 : TextOf(attribute) != "false";
        } else if (name == kMarkMessage) {
            Mark().message = TextOf(attribute);
        } else if (name == kMarkHolders) {
            Mark().holders = DecodeHolders(TextOf(attribute));
        } else if (name == kMarkSince) {
            Mark().since = std::strtoll(TextOf(attribute).c_str(), nullptr, 10);
        }
    }

    // Empty for a class or a remote printer, and for a mark without its port.
    std::optional<LocalPrinter> Take() {
        LocalPrinter printer = std::exchange(printer_, {});
        const int type = std::exchange(type_, 0);
        if (printer.name.empty() || (type & (CUPS_PRINTER_CLASS | CUPS_PRINTER_REMOTE)) != 0) {
            return std::nullopt;
        }
        if (printer.mark && printer.mark->port.empty()) {
            printer.mark.reset();
        }
        printer.restorable = !MayHideCredentials(printer.port);
        return printer;
    }

  private:
    ParkMark& Mark() {
        if (!printer_.mark) {
            printer_.mark.emplace();
        }
        return *printer_.mark;
    }

    LocalPrinter printer_;
    int type_ = 0;
};

// One connection to the scheduler for a pass, each request bounded by the request time-out and
// by the pass's limits.
class Scheduler {
  public:
    ~Scheduler() { Disconnect(); }

    void BeginPass(const PassLimits& limits) {
        Disconnect();
        limits_ = limits;
        state_ = SchedulerState::Answering;
    }

    SchedulerState State() const { return state_; }

    // Sends the request (and frees it); the response only when the scheduler granted it, so a
    // forbidden or unauthorized request is a failure like any other.
    IppResponse Send(ipp_t* request, const char* resource) {
        IppResponse response(nullptr, ippDelete);
        if (state_ == SchedulerState::Answering && limits_.Over()) {
            state_ = limits_.Interrupted() ? SchedulerState::Interrupted : SchedulerState::NoAnswer;
        }
        if (state_ != SchedulerState::Answering || !Connect()) {
            ippDelete(request);
            return response;
        }
        requestDeadline_ =
            std::min(limits_.deadline, std::chrono::steady_clock::now() + kRequestTimeout);
        gaveUp_ = false;
        cupsSetPasswordCB2(DeclinePassword, nullptr);
        {
            const SocketWatch watch(httpGetFd(http_), requestDeadline_, limits_.interrupted);
            response.reset(cupsDoRequest(http_, request, resource));
            gaveUp_ = gaveUp_ || watch.Fired();
        }
        if (gaveUp_) {
            state_ = limits_.Interrupted() ? SchedulerState::Interrupted : SchedulerState::NoAnswer;
            response.reset();
        } else if (!response && (cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE ||
                                 cupsLastError() == IPP_STATUS_ERROR_INTERNAL)) {
            state_ = SchedulerState::NotRunning;
        }
        if (response && ippGetStatusCode(response.get()) > IPP_STATUS_OK_EVENTS_COMPLETE) {
            response.reset();
        }
        return response;
    }

  private:
    bool Connect() {
        if (http_ != nullptr) {
            return true;
        }
        const auto tried = std::chrono::steady_clock::now();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::min<std::chrono::steady_clock::duration>(kRequestTimeout,
                                                          limits_.deadline - tried));
        http_ = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                             static_cast<int>(std::max<long>(left.count(), 1)), nullptr);
        if (http_ == nullptr) {
            // Refused or no such socket: no scheduler runs. A host that lets the time run out
            // did not answer.
            const bool timedOut = errno == ETIMEDOUT || limits_.Over() ||
                                  std::chrono::steady_clock::now() - tried >= left;
            state_ = limits_.Interrupted() ? SchedulerState::Interrupted
                     : timedOut            ? SchedulerState::NoAnswer
                                           : SchedulerState::NotRunning;
            return false;
        }
        httpSetTimeout(http_, kWaitStepSeconds, &Scheduler::KeepWaiting, this);
        return true;
    }

    void Disconnect() {
        if (http_ != nullptr) {
            httpClose(http_);
            http_ = nullptr;
        }
    }

    static int KeepWaiting(http_t*, void* self) {
        auto* scheduler = static_cast<Scheduler*>(self);
        if (scheduler->limits_.Interrupted() ||
            std::chrono::steady_clock::now() >= scheduler->requestDeadline_) {
            scheduler->gaveUp_ = true;
            return 0;
        }
        return 1;
    }

    http_t* http_ = nullptr;
    // Before the first pass, each request is bounded by the request time-out alone.
    PassLimits limits_{std::chrono::steady_clock::time_point::max()};
    SchedulerState state_ = SchedulerState::Answering;
    std::chrono::steady_clock::time_point requestDeadline_{};
    bool gaveUp_ = false;
};

struct QueueChange {
    std::optional<std::string> deviceUri{};
    std::optional<ipp_pstate_t> state{};
    std::optional<std::string> message{};
    std::optional<ParkMark> mark{};  // set in full
    bool dropMark = false;
    std::optional<std::vector<Holder>> holders{};
};

class CupsQueue : public SpoolerPrinter {
  public:
    CupsQueue(const std::string& name, Scheduler& scheduler) : scheduler_(scheduler) {
        record_.name = name;
        char uri[HTTP_MAX_URI];
        httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                         "/printers/%s", name.c_str());
        uri_ = uri;
    }

    // A queue that is gone cannot be opened: changing it would create a new one.
    bool Exists() const {
        return scheduler_.Send(
                   NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, uri_.c_str(), {"printer-name"}),
                   "/") != nullptr;
    }

    bool Fetch() override {
        const IppResponse response = scheduler_.Send(
            NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, uri_.c_str(),
                       {"printer-name", "device-uri", "printer-state", "printer-state-message"}),
            "/");
        if (!response || ippFindAttribute(response.get(), "device-uri", IPP_TAG_URI) == nullptr) {
            return false;
        }
        PrinterReader reader;
        for (ipp_attribute_t* a = ippFirstAttribute(response.get()); a != nullptr;
             a = ippNextAttribute(response.get())) {
            reader.Take(a);
        }
        std::optional<LocalPrinter> record = reader.Take();
        if (!record) {
            return false;
        }
        record_ = std::move(*record);
        return true;
    }

    const LocalPrinter& Record() const override { return record_; }

    // One request, so that a job being printed goes back to wait in the stopped queue, and the
    // queue is never parked without its mark.
    bool Park(const Holder& holder) override {
        const ParkMark mark{
            record_.port, !record_.stopped, record_.message, {holder}, time(nullptr)};
        return Modify({.deviceUri = kParkingDeviceUri,
                       .state = IPP_PSTATE_STOPPED,
                       .message = "Held by Vemora while it uses the serial port; device URI was " +
                                  record_.port,
                       .mark = mark});
    }

    bool SetHolders(const std::vector<Holder>& holders) override {
        return Modify({.holders = holders});
    }

    // One request, which the scheduler applies as a whole: a run killed after it leaves the
    // queue as it was, only its waiting jobs start a little later.
    bool GiveBackPort() override {
        if (!record_.mark) {
            return false;
        }
        const ParkMark& mark = *record_.mark;
        return Modify({.deviceUri = DeviceUri(mark.port),
                       .state = mark.started ? IPP_PSTATE_IDLE : IPP_PSTATE_STOPPED,
                       .message = mark.message,
                       .dropMark = true});
    }

    // An idle state alone starts the waiting jobs only at the scheduler's next look, some
    // seconds later; Resume-Printer starts them at once, and it clears the state message.
    bool Resume() override {
        if (!record_.mark || !record_.mark->started) {
            return true;
        }
        return scheduler_.Send(NewRequest(IPP_OP_RESUME_PRINTER, uri_.c_str()), "/admin/") !=
                   nullptr &&
               (record_.mark->message.empty() || Modify({.message = record_.mark->message}));
    }

    std::vector<int> JobsPrintedSince(std::int64_t since) override {
        ipp_t* request = NewRequest(IPP_OP_GET_JOBS, uri_.c_str());
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr,
                     "completed");
        const char* wanted[] = {"job-id", "job-state", "time-at-completed"};
        ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                      static_cast<int>(std::size(wanted)), nullptr, wanted);
        const IppResponse response = scheduler_.Send(request, "/");
        std::vector<int> jobs;
        struct {
            int id = 0;
            bool completed = false;
            int at = 0;
        } job;
        // Each job is one run of job attributes, ended by a separator or the response's end.
        const auto ended = [&] {
            if (job.id > 0 && job.completed && job.at >= since) {
                jobs.push_back(job.id);
            }
            job = {};
        };
        for (ipp_attribute_t* a = response ? ippFirstAttribute(response.get()) : nullptr;
             a != nullptr; a = ippNextAttribute(response.get())) {
            const std::string_view name = ippGetName(a) != nullptr ? ippGetName(a) : "";
            if (name.empty()) {
                ended();
            } else if (name == "job-id") {
                job.id = ippGetInteger(a, 0);
            } else if (name == "job-state") {
                job.completed = ippGetInteger(a, 0) == IPP_JSTATE_COMPLETED;
            } else if (name == "time-at-completed") {
                job.at = ippGetInteger(a, 0);
            }
        }
        ended();
        return jobs;
    }

  private:
    bool Modify(const QueueChange& change) const {
        ipp_t* request = NewRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER, uri_.c_str());
        const auto text = [&](const char* name, const std::string& value) {
            ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_TEXT, name, nullptr,
                         OneLine(value).c_str());
        };
        const auto drop = [&](const char* name) {
            ippAddOutOfBand(request, IPP_TAG_PRINTER, IPP_TAG_DELETEATTR, name);
        };
        if (change.deviceUri) {
            ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_URI, "device-uri", nullptr,
                         change.deviceUri->c_str());
        }
        if (change.state) {
            ippAddInteger(request, IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-state", *change.state);
        }
        if (change.message) {
            text("printer-state-message", *change.message);
        }
        if (change.mark) {
            text(kMarkPort, DeviceUri(change.mark->port));
            text(kMarkStarted, change.mark->started ? "true" : "false");
            if (change.mark->message.empty()) {
                drop(kMarkMessage);
            } else {
                text(kMarkMessage, change.mark->message);
            }
            text(kMarkHolders, EncodeHolders(change.mark->holders));
            text(kMarkSince, std::to_string(change.mark->since));
        }
        if (change.holders) {
            text(kMarkHolders, EncodeHolders(*change.holders));
        }
        if (change.dropMark) {
            for (const char* name : kMarkAttributes) {
                drop(name);
            }
        }
        return scheduler_.Send(request, "/admin/") != nullptr;
    }

    Scheduler& scheduler_;
    std::string uri_;
    LocalPrinter record_;
};

class CupsSpooler : public Spooler {
  public:
    void BeginPass(const PassLimits& limits) override { scheduler_.BeginPass(limits); }

    SchedulerState State() const override { return scheduler_.State(); }

    std::vector<LocalPrinter> ListLocalPrinters() override {
        const IppResponse response =
            scheduler_.Send(NewRequest(IPP_OP_CUPS_GET_PRINTERS, nullptr,
                                       {"printer-name", "printer-type", "device-uri",
                                        "printer-state", "printer-state-message"}),
                            "/");
        std::vector<LocalPrinter> printers;
        if (!response) {
            return printers;
        }
        // Each printer is one run of printer attributes.
        ipp_attribute_t* attribute = ippFirstAttribute(response.get());
        while (attribute != nullptr) {
            PrinterReader reader;
            for (; attribute != nullptr && ippGetGroupTag(attribute) == IPP_TAG_PRINTER;
                 attribute = ippNextAttribute(response.get())) {
                reader.Take(attribute);
            }
            if (std::optional<LocalPrinter> printer = reader.Take()) {
                printers.push_back(std::move(*printer));
            }
            if (attribute != nullptr) {
                attribute = ippNextAttribute(response.get());
            }
        }
        return printers;
    }

    std::unique_ptr<SpoolerPrinter> OpenPrinter(const std::string& name) override {
        auto queue = std::make_unique<CupsQueue>(name, scheduler_);
        if (!queue->Exists()) {
            return nullptr;
        }
        return queue;
    }

  private:
    Scheduler scheduler_;
};

}  // namespace

std::unique_ptr<Spooler> MakeCupsSpooler() {
    return std::make_unique<CupsSpooler>();
}

std::unique_ptr<Spooler> MakeSystemSpooler() {
    return MakeCupsSpooler();
}

}  // namespace vemora
