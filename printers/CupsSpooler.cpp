#include "printers/CupsSpooler.h"

#include <cups/cups.h>

#include <initializer_list>
#include <map>
#include <optional>

namespace vemora {
namespace {

constexpr const char* kParkingDeviceUri = "file:/dev/null";

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

// A request about one printer, or about the whole scheduler when printerUri is null.
ipp_t* NewRequest(ipp_op_t operation, const char* printerUri,
                  std::initializer_list<const char*> wanted = {}) {
    ipp_t* request = ippNewRequest(operation);
    if (printerUri != nullptr) {
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri);
    }
    if (wanted.size() > 0) {
        ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                      static_cast<int>(wanted.size()), nullptr, wanted.begin());
    }
    return request;
}

// Sends the request (and frees it); the response only when the scheduler granted it, so a
// forbidden or unauthorized request is a failure like any other.
IppResponse Send(ipp_t* request, const char* resource) {
    cupsSetPasswordCB2(DeclinePassword, nullptr);
    IppResponse response(cupsDoRequest(CUPS_HTTP_DEFAULT, request, resource), ippDelete);
    if (response && ippGetStatusCode(response.get()) > IPP_STATUS_OK_EVENTS_COMPLETE) {
        response.reset();
    }
    return response;
}

std::string TextOf(ipp_t* response, const char* name) {
    const char* text = ippGetString(ippFindAttribute(response, name, IPP_TAG_ZERO), 0, nullptr);
    return text != nullptr ? text : "";
}

// How a queue was before this program parked it.
struct QueueState {
    bool started = true;
    std::string message;
};

struct QueueChange {
    std::optional<std::string> deviceUri{};
    bool stop = false;
    std::optional<std::string> message{};
};

class CupsQueue : public SpoolerPrinter {
  public:
    CupsQueue(const std::string& name, std::map<std::string, QueueState>& parked)
        : name_(name), parked_(parked) {
        char uri[HTTP_MAX_URI];
        httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                         "/printers/%s", name.c_str());
        uri_ = uri;
    }

    // A queue that is gone cannot be opened: changing it would create a new one.
    bool Exists() const {
        return Send(NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, uri_.c_str(), {"printer-name"}),
                    "/") != nullptr;
    }

    bool Fetch() override {
        const IppResponse response =
            Send(NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, uri_.c_str(),
                            {"device-uri", "printer-state", "printer-state-message"}),
                 "/");
        ipp_attribute_t* deviceUri =
            response ? ippFindAttribute(response.get(), "device-uri", IPP_TAG_URI) : nullptr;
        if (deviceUri == nullptr) {
            return false;
        }
        deviceUri_ = ippGetString(deviceUri, 0, nullptr);
        state_.started =
            ippGetInteger(ippFindAttribute(response.get(), "printer-state", IPP_TAG_ENUM), 0) !=
            IPP_PSTATE_STOPPED;
        state_.message = TextOf(response.get(), "printer-state-message");
        return true;
    }

    bool ChangePort(const std::string& port) override {
        return port == kParkingPort ? Park() : GiveBack(DeviceUri(port));
    }

  private:
    // One request, so that a job being printed goes back to wait in the stopped queue.
    bool Park() {
        const std::string message =
            "Held by Vemora while it uses the serial port; device URI was " + deviceUri_;
        if (!Modify({kParkingDeviceUri, true, message})) {
            return false;
        }
        parked_.try_emplace(name_, state_);
        return true;
    }

    bool GiveBack(const std::string& deviceUri) {
        const auto parked = parked_.find(name_);
        if (parked == parked_.end()) {
            return deviceUri == deviceUri_ || Modify({deviceUri});
        }
        const QueueState& before = parked->second;
        // Setting the state back to idle would not start the waiting jobs; Resume-Printer does,
        // and it clears the state message.
        bool done = Modify({deviceUri, false, before.message});
        if (done && before.started) {
            done = Resume() && (before.message.empty() || Modify({{}, false, before.message}));
        }
        if (done) {
            parked_.erase(parked);
        }
        return done;
    }

    bool Modify(const QueueChange& change) const {
        ipp_t* request = NewRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER, uri_.c_str());
        if (change.deviceUri) {
            ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_URI, "device-uri", nullptr,
                         change.deviceUri->c_str());
        }
        if (change.stop) {
            ippAddInteger(request, IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-state",
                          IPP_PSTATE_STOPPED);
        }
        if (change.message) {
            ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_TEXT, "printer-state-message", nullptr,
                         change.message->c_str());
        }
        return Send(request, "/admin/") != nullptr;
    }

    bool Resume() const {
        return Send(NewRequest(IPP_OP_RESUME_PRINTER, uri_.c_str()), "/admin/") != nullptr;
    }

    std::string name_;
    std::string uri_;
    std::map<std::string, QueueState>& parked_;
    std::string deviceUri_;
    QueueState state_;
};

class CupsSpooler : public Spooler {
  public:
    std::vector<LocalPrinter> ListLocalPrinters() override {
        const IppResponse response =
            Send(NewRequest(IPP_OP_CUPS_GET_PRINTERS, nullptr,
                            {"printer-name", "printer-type", "device-uri"}),
                 "/");
        std::vector<LocalPrinter> printers;
        if (!response) {
            return printers;
        }
        // Each printer is one run of printer attributes.
        ipp_attribute_t* attribute = ippFirstAttribute(response.get());
        while (attribute != nullptr) {
            LocalPrinter printer;
            int type = 0;
            for (; attribute != nullptr && ippGetGroupTag(attribute) == IPP_TAG_PRINTER;
                 attribute = ippNextAttribute(response.get())) {
                const std::string_view name = ippGetName(attribute);
                if (name == "printer-name") {
                    printer.name = ippGetString(attribute, 0, nullptr);
                } else if (name == "device-uri") {
                    printer.port = PortString(ippGetString(attribute, 0, nullptr));
                } else if (name == "printer-type") {
                    type = ippGetInteger(attribute, 0);
                }
            }
            if (!printer.name.empty() && (type & (CUPS_PRINTER_CLASS | CUPS_PRINTER_REMOTE)) == 0) {
                printer.restorable = !MayHideCredentials(printer.port);
                printers.push_back(std::move(printer));
            }
            if (attribute != nullptr) {
                attribute = ippNextAttribute(response.get());
            }
        }
        return printers;
    }

    std::unique_ptr<SpoolerPrinter> OpenPrinter(const std::string& name) override {
        auto queue = std::make_unique<CupsQueue>(name, parked_);
        if (!queue->Exists()) {
            return nullptr;
        }
        return queue;
    }

  private:
    // The queues this spooler parked, with how they were before.
    std::map<std::string, QueueState> parked_;
};

}  // namespace

std::unique_ptr<Spooler> MakeCupsSpooler() {
    return std::make_unique<CupsSpooler>();
}

}  // namespace vemora
