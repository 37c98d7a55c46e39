#pragma once
// A byte-string builder for file fixtures, shared by the unit tests and the fuzz seed
// maker (which builds without the test framework).
#include <cstring>
#include <string>
#include <string_view>

namespace mv::test {

// Appends little-endian values and texts to a byte string.
struct Bytes {
    std::string s;
    template <class T>
    Bytes& put(T v) {
        char b[sizeof(T)];
        std::memcpy(b, &v, sizeof(T));
        s.append(b, sizeof(T));
        return *this;
    }
    Bytes& text(std::string_view t) {
        s.append(t);
        return *this;
    }
    Bytes& zeros(std::size_t n) {
        s.append(n, '\0');
        return *this;
    }
    Bytes& padTo(std::size_t n, char c = '\0') {
        if (s.size() < n)
            s.append(n - s.size(), c);
        return *this;
    }
    template <class T>
    void setAt(std::size_t off, T v) {
        std::memcpy(s.data() + off, &v, sizeof(T));
    }
};

} // namespace mv::test
