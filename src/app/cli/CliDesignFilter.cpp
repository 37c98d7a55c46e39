#include "app/cli/CliCommands.h"
#include "core/Json.h"
#include "processing/MV_mkfilter.h"

#include <charconv>
#include <cstdio>
#include <ostream>

namespace mv::cli {

namespace {

bool toDouble(const std::string& s, double& v) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool toInt(const std::string& s, int& v) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

std::string full(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

} // namespace

int cmdDesignFilter(const Args& args, std::ostream& out, std::ostream& err) {
    const char* usage =
        "usage: mvtervik-cli design-filter --low|--high --order N --alpha A [--json]\n";
    int kind = -1, order = 0;
    double alpha = 0.0;
    bool haveAlpha = false, json = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--low") {
            kind = 0;
        } else if (a == "--high") {
            kind = 1;
        } else if (a == "--json") {
            json = true;
        } else if (a == "--order" && i + 1 < args.size()) {
            if (!toInt(args[++i], order)) {
                err << "design-filter: --order wants an integer 1..8, not '" << args[i] << "'\n";
                return 2;
            }
        } else if (a == "--alpha" && i + 1 < args.size()) {
            if (!toDouble(args[++i], alpha)) {
                err << "design-filter: --alpha wants a number (corner / sampling frequency), not '"
                    << args[i] << "'\n";
                return 2;
            }
            haveAlpha = true;
        } else {
            err << "design-filter: unexpected argument '" << a << "'\n" << usage;
            return 2;
        }
    }
    if (kind < 0 || order == 0 || !haveAlpha) {
        err << usage;
        return 2;
    }
    if (order < 1 || order > kIirMaxOrder) {
        err << "design-filter: the order must be 1..8\n";
        return 2;
    }
    if (!(alpha > 0.0 && alpha < 0.5)) {
        err << "design-filter: alpha must lie between 0 and 0.5 (exclusive)\n";
        return 2;
    }
    TIirFilter f;
    const IirDesignResult r =
        DesignIirFilter(kind == 0 ? IirKind::LowPass : IirKind::HighPass, order, alpha, f);
    if (!r.ok) {
        err << "design-filter: " << r.message << "\n";
        return 1;
    }
    if (json) {
        JsonWriter w;
        w.beginObject().key("Gain").value(f.Gain).key("XCoef").beginArray();
        for (int k = 0; k <= order; ++k)
            w.value(f.XCoef[k]);
        w.endArray().key("YCoef").beginArray();
        for (int k = 0; k <= order; ++k)
            w.value(f.YCoef[k]);
        w.endArray().endObject();
        out << w.str() << "\n";
        return 0;
    }
    out << "Gain " << full(f.Gain) << "\nXCoef";
    for (int k = 0; k <= order; ++k)
        out << " " << full(f.XCoef[k]);
    out << "\nYCoef";
    for (int k = 0; k <= order; ++k)
        out << " " << full(f.YCoef[k]);
    out << "\n";
    return 0;
}

} // namespace mv::cli
