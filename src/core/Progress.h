#pragma once
// The one way a long command reports how far it is and learns that the user wants
// it to stop. Loading, saving and processing take one; the main window shows it in
// the status bar (Esc cancels), the command-line front on a terminal.
#include <string_view>

namespace mv {

class Progress {
public:
    virtual ~Progress() = default;
    // `fraction` of the whole command is done (0..1); `text` says what it does now.
    // A report is also the moment the user interface repaints.
    virtual void report(double fraction, std::string_view text) = 0;
    // The user asked to stop. A command stops only at a point where every slot and
    // every file is either as before or complete (between files, between signals).
    virtual bool cancelled() const = 0;
};

// For callers that show nothing and never cancel.
class NullProgress final : public Progress {
public:
    void report(double, std::string_view) override {}
    bool cancelled() const override { return false; }
    // A shared instance for defaults: it holds no state, so sharing it is harmless.
    static NullProgress& instance() {
        static NullProgress none;
        return none;
    }
};

} // namespace mv
