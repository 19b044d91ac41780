#include "serial/TracingDevice.h"

#include <cstdio>

namespace vemora {

namespace {

class TracingDevice : public SerialDevice {
  public:
    TracingDevice(std::unique_ptr<SerialDevice> port, std::ostream& trace, SinceStart sinceStart)
        : port_(std::move(port)), trace_(trace), sinceStart_(std::move(sinceStart)) {}

    OpenError Open(const PortConfig& config) override {
        const OpenError error = port_->Open(config);
        Line("open") << " " << config.portName
                     << (error.failure == OpenFailure::None ? "" : " failed") << "\n";
        return error;
    }
    std::uint32_t Write(const Byte* data, std::uint32_t count) override {
        const std::uint32_t moved = port_->Write(data, count);
        Transfer("write", data, moved, count);
        return moved;
    }
    std::uint32_t Read(Byte* data, std::uint32_t count) override {
        const std::uint32_t moved = port_->Read(data, count);
        Transfer("read ", data, moved, count);
        return moved;
    }
    void PurgeInput() override {
        port_->PurgeInput();
        Line("purge input") << "\n";
    }
    void Close() override {
        port_->Close();
        Line("close") << "\n";
    }

  private:
    std::ostream& Line(const char* what) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%8lld ms ",
                      static_cast<long long>(sinceStart_().count()));
        return trace_ << stamp << what;
    }
    // The bytes moved; a transfer that moved fewer than asked for says so.
    void Transfer(const char* what, const Byte* data, std::uint32_t moved, std::uint32_t asked) {
        std::ostream& line = Line(what);
        char hex[4];
        for (std::uint32_t i = 0; i < moved; ++i) {
            std::snprintf(hex, sizeof hex, " %02X", data[i]);
            line << hex;
        }
        if (moved < asked) {
            line << " (" << moved << " of " << asked << " bytes)";
        }
        line << "\n";
    }

    std::unique_ptr<SerialDevice> port_;
    std::ostream& trace_;
    SinceStart sinceStart_;
};

}  // namespace

std::unique_ptr<SerialDevice> MakeTracingDevice(std::unique_ptr<SerialDevice> port,
                                                std::ostream& trace, SinceStart sinceStart) {
    return std::make_unique<TracingDevice>(std::move(port), trace, std::move(sinceStart));
}

}  // namespace vemora
