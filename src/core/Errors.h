#pragma once
// The one exception hierarchy of the engine. Expected failures are log lines;
// these are for errors no command handles itself: the UI's command dispatcher
// shows their text in a message box and the application goes on.
#include <stdexcept>
#include <string>

namespace mv {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file could not be read or written (file-system failure, not a format problem).
class FileError : public Error {
public:
    using Error::Error;
};

// A slot or a function step outside its range: a caller's mistake, reported like any
// other error so that the command ends and the application goes on.
class RangeError : public Error {
public:
    using Error::Error;
};

// A text that should hold a number does not.
class ConversionError : public Error {
public:
    using Error::Error;
};

} // namespace mv
