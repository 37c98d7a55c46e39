#pragma once
// The two modem-control lines (DTR, RTS) of a serial device, as the tri-state
// regulator drives them. Port numbers map to device paths the user can set.
#include <map>
#include <string>

namespace mv {

class SerialLines {
public:
    SerialLines() = default;
    ~SerialLines() { close(); }
    SerialLines(const SerialLines&) = delete;
    SerialLines& operator=(const SerialLines&) = delete;
    SerialLines(SerialLines&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
    SerialLines& operator=(SerialLines&& o) noexcept;

    // Opens an existing terminal device for reading and writing, exclusively. On failure
    // returns false with the reason in `why` and stays closed.
    bool open(const std::string& path, std::string& why);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    // Sets or clears both lines; false when the device refuses (or none is open).
    bool setLines(bool dtr, bool rts);

private:
    int fd_ = -1;
};

// Port number n -> device path; unset numbers map to /dev/ttyS{n-1}.
struct SerialPortMap {
    std::map<int, std::string> paths;
    std::string pathOf(int n) const;
};

} // namespace mv
