#include "processing/SerialLines.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace mv {

SerialLines& SerialLines::operator=(SerialLines&& o) noexcept {
    if (this != &o) {
        close();
        fd_ = o.fd_;
        o.fd_ = -1;
    }
    return *this;
}

bool SerialLines::open(const std::string& path, std::string& why) {
    close();
    // O_NONBLOCK: a port without carrier must not hang the open.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        why = "not a serial device";
        ::close(fd);
        return false;
    }
    // Unshared, as the regulator expects to own the lines.
    if (::ioctl(fd, TIOCEXCL) != 0) {
        why = std::strerror(errno);
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void SerialLines::close() {
    if (fd_ >= 0) {
        ::ioctl(fd_, TIOCNXCL);
        ::close(fd_);
        fd_ = -1;
    }
}

bool SerialLines::setLines(bool dtr, bool rts) {
    if (fd_ < 0)
        return false;
    int bits = 0;
    if (::ioctl(fd_, TIOCMGET, &bits) != 0)
        return false;
    bits = dtr ? (bits | TIOCM_DTR) : (bits & ~TIOCM_DTR);
    bits = rts ? (bits | TIOCM_RTS) : (bits & ~TIOCM_RTS);
    return ::ioctl(fd_, TIOCMSET, &bits) == 0;
}

std::string SerialPortMap::pathOf(int n) const {
    const auto it = paths.find(n);
    if (it != paths.end())
        return it->second;
    return "/dev/ttyS" + std::to_string(n - 1);
}

} // namespace mv
