#pragma once
// The one serial connection to the display: configured, opened exclusively, written and read
// under one lock per transfer, closed.

#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>

#include "serial/PortConfig.h"
#include "serial/SerialDevice.h"

namespace vemora {

class CSerialChannel {
  public:
    // On this machine's serial port.
    CSerialChannel();
    // On a device: this machine's serial port, or the in-memory wire of the tests.
    explicit CSerialChannel(std::unique_ptr<SerialDevice> device);
    virtual ~CSerialChannel();

    CSerialChannel(const CSerialChannel&) = delete;
    CSerialChannel& operator=(const CSerialChannel&) = delete;

    // Stores the settings for the next Open; false, keeping the last port name, when the name is
    // empty.
    bool Configure(PortConfig config);
    // True when the port is open and set up; an open channel stays as it is.
    bool Open();
    std::uint32_t Write(const Byte* data, std::uint32_t count);
    std::uint32_t Read(Byte* data, std::uint32_t count);
    // Drops what arrived before a request, so that a late answer to an earlier one is not taken
    // for its reply.
    void PurgeInput();
    void Close();

    bool IsOpen() const { return open_ != 0; }
    const PortConfig& Config() const { return config_; }
    // Why the last Open failed; failure None after a successful one.
    const OpenError& LastOpenError() const { return lastOpenError_; }
    // The port was not opened for a reason found before the open (another program holds it).
    void NoteOpenFailure(OpenError error) { lastOpenError_ = std::move(error); }

  private:
    std::unique_ptr<SerialDevice> device_;
    PortConfig config_;
    int open_ = 0;
    OpenError lastOpenError_;
    std::mutex io_;
};

}  // namespace vemora
