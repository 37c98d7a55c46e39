#include "app/cli/CliEval.h"

#include "core/IniSettings.h"
#include "core/Json.h"

#include <charconv>

namespace mv::cli {

bool EvalArgs::next() {
    if (started_)
        ++i_;
    started_ = true;
    return i_ < args_.size();
}

std::string EvalArgs::value() {
    if (i_ + 1 >= args_.size())
        throw UsageError(current() + " needs a value");
    return args_[++i_];
}

int EvalArgs::intValue() {
    const std::string option = current();
    const std::string v = value();
    int n = 0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (ec != std::errc() || end != v.data() + v.size())
        throw UsageError(option + " takes a whole number, not '" + v + "'");
    return n;
}

bool EvalArgs::common(EvalOptions& opt) {
    if (is("--json")) {
        opt.json = true;
        return true;
    }
    if (is("--settings")) {
        opt.settingsFile = value();
        loadSettings(opt.settingsFile, opt);
        return true;
    }
    return false;
}

void EvalArgs::unexpected() const {
    throw UsageError("unexpected argument '" + current() + "'");
}

void loadSettings(const std::string& file, EvalOptions& opt) {
    std::string why;
    const auto ini = IniSettings::load(file, &why);
    if (!ini)
        throw UsageError("--settings: " + why);
    opt.settings = MainSettings{};
    readMainAtCreate(*ini, opt.settings);
    readMainAtActivation(*ini, opt.settings);
    opt.trackSubdir = ini->read("Align_km/TrackInfoSubdirectory").value_or("");
}

void StderrLog::add(std::string_view text, bool warning) {
    err_ << (warning ? "W " : "I ") << text << "\n";
}

void StderrLog::line(const EvalLine& l) {
    const char* tag = l.level == LineLevel::Error     ? "E "
                      : l.level == LineLevel::Warning ? "W "
                                                      : "I ";
    err_ << tag << l.text << "\n";
}

const char* levelName(LineLevel level) {
    switch (level) {
    case LineLevel::Warning:
        return "warning";
    case LineLevel::Error:
        return "error";
    case LineLevel::Info:
        break;
    }
    return "info";
}

void writeMessages(JsonWriter& j, const std::vector<EvalLine>& lines) {
    j.beginArray();
    for (const auto& l : lines)
        j.beginObject()
            .key("level")
            .value(levelName(l.level))
            .key("text")
            .value(l.text)
            .endObject();
    j.endArray();
}

int usage(std::ostream& err, const char* cmd, const std::string& why, const char* usageText) {
    err << "mvtervik-cli " << cmd << ": " << why << "\nusage: mvtervik-cli " << usageText << "\n";
    return kExitUsage;
}

} // namespace mv::cli
