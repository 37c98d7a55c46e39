// mvtervik-cli load: reads files in one of the load formats into the signal store
// and shows what each filled slot holds, with every log line of the readers.
#include "app/Workspace.h"
#include "app/cli/CliCommands.h"
#include "app/cli/CliSignals.h"
#include "core/Errors.h"
#include "core/Json.h"
#include "files/Readers.h"

#include <cmath>
#include <iostream>
#include <limits>

namespace mv::cli {

namespace {
struct Stats {
    double min = std::numeric_limits<double>::quiet_NaN();
    double max = std::numeric_limits<double>::quiet_NaN();
    double mean = std::numeric_limits<double>::quiet_NaN();
};

Stats statsOf(const SignalRecord& r) {
    Stats s;
    if (r.Data.empty())
        return s;
    double lo = r.Data[0], hi = r.Data[0], sum = 0.0;
    for (float x : r.Data.span()) {
        lo = std::min<double>(lo, x);
        hi = std::max<double>(hi, x);
        sum += x;
    }
    s.min = lo;
    s.max = hi;
    s.mean = sum / static_cast<double>(r.Data.size());
    return s;
}

std::string num(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    return buf;
}
} // namespace

int cmdLoad(const Args& args, std::ostream& out, std::ostream& err) {
    std::string format;
    std::vector<std::string> files;
    int firstSlot = 1;
    bool json = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--format" && i + 1 < args.size())
            format = args[++i];
        else if (a == "--first-slot" && i + 1 < args.size())
            firstSlot = std::atoi(args[++i].c_str());
        else if (a == "--json")
            json = true;
        else if (a.rfind("--", 0) == 0) {
            err << "mvtervik-cli load: unknown option " << a << "\n";
            return 2;
        } else
            files.push_back(a);
    }
    const int f = loadFormatIndex(format);
    if (f < 0 || files.empty() || firstSlot < 1 || firstSlot > kSlotCount) {
        err << "usage: mvtervik-cli load --format NAME FILE... [--first-slot N] [--json]\n"
            << "  NAME is a load format caption or its index:";
        for (int k = 0; k < kLoadFormatCount; ++k)
            err << (k ? ", " : " ") << k << " \"" << kLoadFormatNames[k] << "\"";
        err << "\n  N is a slot number 1..200\n";
        return 2;
    }

    Workspace ws;
    files::installReaders(ws.readers);
    CaptureLog log;
    int filled = 0;
    const bool ok = loadInto(ws, log, files, firstSlot, static_cast<LoadFormat>(f), filled);

    if (json) {
        JsonWriter j;
        j.beginObject().key("slots").beginArray();
        for (int s = firstSlot; s < firstSlot + filled && s <= kSlotCount; ++s) {
            const SignalRecord& r = ws.store[s];
            const Stats st = statsOf(r);
            j.beginObject()
                .key("slot")
                .value(s)
                .key("name")
                .value(r.SigName.str())
                .key("units")
                .value(r.Units.str())
                .key("f_sampl")
                .value(r.f_sampl)
                .key("samples")
                .value(r.SampleCount)
                .key("min")
                .value(st.min)
                .key("max")
                .value(st.max)
                .key("mean")
                .value(st.mean)
                .key("first")
                .beginArray();
            for (std::size_t k = 0; k < std::min<std::size_t>(5, r.Data.size()); ++k)
                j.value(static_cast<double>(r.Data[k]));
            j.endArray().endObject();
        }
        j.endArray().key("log").beginArray();
        for (const auto& l : log.lines)
            j.beginObject().key("text").value(l.text).key("warning").value(l.warning).endObject();
        j.endArray().endObject();
        out << j.str() << "\n";
    } else {
        for (int s = firstSlot; s < firstSlot + filled && s <= kSlotCount; ++s) {
            const SignalRecord& r = ws.store[s];
            const Stats st = statsOf(r);
            out << "slot " << s << "  name=" << r.SigName.str() << "  units=" << r.Units.str()
                << "  f_sampl=" << num(r.f_sampl) << "  samples=" << r.SampleCount
                << "  min=" << num(st.min) << "  max=" << num(st.max) << "  mean=" << num(st.mean)
                << "\n";
        }
        printLog(log, out);
    }
    return ok ? 0 : 1;
}

} // namespace mv::cli
