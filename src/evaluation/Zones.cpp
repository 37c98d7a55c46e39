#include "evaluation/Zones.h"

#include "core/TextNumbers.h"
#include "evaluation/workbook/SpreadsheetError.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <limits>
#include <new>

namespace mv {

namespace {

// A cell read as a number: numbers and booleans as they are, a text only when the whole
// text is a number, an empty cell 0. Anything else has no number.
std::optional<double> cellNumber(const CellValue& v) {
    switch (v.type) {
    case CellType::Empty:
        return 0.0;
    case CellType::Number:
    case CellType::Date:
    case CellType::Bool:
        return v.number;
    case CellType::Text:
        return parseWholeFinite(trimBlanks(v.text));
    default:
        return std::nullopt;
    }
}

// A number for a result cell: a value that is not finite stays an empty cell, so no NaN
// or infinity ever reaches the zone sheet.
CellValue numCell(double v) {
    return std::isfinite(v) ? CellValue::num(v) : CellValue::empty();
}

} // namespace

bool readZoneList(SpreadsheetApp& app, const SheetHandle& param, EvaPlan& plan,
                  std::vector<EvalLine>& lines) {
    const auto fail = [&lines](std::string text) {
        lines.push_back({LineLevel::Error, std::move(text)});
        return false;
    };
    try {
        const NamedCell zl = app.namedCell(param, "ZoneListRng");
        for (int z = 0; z < kZoneCount; ++z) {
            ZoneEntry& e = plan.zones[static_cast<size_t>(z)];
            e.Name = "Zone" + std::to_string(z + 1);
            for (int j = 0; j < 8; ++j) {
                const CellValue v = app.value2(zl.sheet, zl.row + z, zl.column + 1 + j);
                const std::optional<double> x = cellNumber(v);
                if (!x)
                    return fail("Zone list: value P" + std::to_string(j + 1) + " of " + e.Name +
                                " (" + cellName(zl.row + z, zl.column + 1 + j) +
                                ") is not a number");
                e.P[static_cast<size_t>(j)] = static_cast<float>(*x);
            }
        }

        // The section-list workbook belongs to the zone evaluation: it is read here, with
        // the zone list, so a run without one never looks for it.
        const NamedCell sl = app.namedCell(param, "SectionListFile");
        const CellValue slv = app.value2(sl.sheet, sl.row, sl.column);
        plan.sectionListFile =
            slv.type == CellType::Text ? slv.text : app.text(sl.sheet, sl.row, sl.column);

        // Every zone sheet carries the names of the computed signals in its row-2 heads;
        // a sheet made for another computed table would put results under wrong heads.
        const NamedCell ct = plan.C > 0 ? app.namedCell(param, "CompSigTable") : NamedCell{};
        for (int z = 1; z <= kZoneSheetCount; ++z) {
            const std::string name = "Zone" + std::to_string(z);
            const std::optional<SheetHandle> zs = app.findSheet(param.workbook, name);
            if (!zs)
                return fail("Zone sheet \"" + name + "\" not found");
            for (int k = 0; k < plan.C; ++k) {
                const int col = 51 + 8 * k;
                const std::string head = app.text(*zs, 2, col);
                const std::string want = app.text(ct.sheet, ct.row + k, ct.column);
                if (head != want)
                    return fail("Zone sheet \"" + name + "\" " + cellName(2, col) + " reads \"" +
                                head + "\", computed signal " + std::to_string(k + 1) + " is \"" +
                                want + "\"");
            }
        }
        return true;
    } catch (const Error& e) {
        return fail(std::string("Zone list: ") + e.what());
    }
}

double percentileSorted(const std::vector<float>& sorted, double p) {
    if (sorted.empty())
        return std::numeric_limits<double>::quiet_NaN();
    const double h = static_cast<double>(sorted.size() - 1) * std::clamp(p, 0.0, 1.0);
    const auto i = static_cast<size_t>(std::floor(h));
    const double w = h - static_cast<double>(i);
    const double lo = sorted[i];
    // With no weight the next order statistic is not read: it may not exist.
    if (w == 0.0 || i + 1 >= sorted.size())
        return lo;
    return lo + w * (static_cast<double>(sorted[i + 1]) - lo);
}

namespace {

struct SectionEntry {
    double Start = 0.0;
    double End = 0.0;
    double Radius = 0.0;
    double ColG = 0.0;
    std::string Text;
    std::array<double, 14> Values{};
};

inline constexpr int kMaxSections = 1000;
inline constexpr int kResultSlots = 9; // S+5 .. S+13
inline constexpr int kLookAround = 100;

// Minimum, maximum, mean of a stretch in double; min and max start from its first sample.
struct Stats {
    double min = 0.0, max = 0.0, mean = 0.0;
};

Stats statsOf(const float* x, size_t first, size_t last) {
    Stats s;
    s.min = s.max = x[first];
    double sum = 0.0;
    for (size_t i = first; i <= last; ++i) {
        const double v = x[i];
        if (v < s.min)
            s.min = v;
        else if (v > s.max)
            s.max = v;
        sum += v;
    }
    s.mean = sum / static_cast<double>(last - first + 1);
    return s;
}

// Zone class of a section-list radius: 0 straight, 1 transition curve, then by the
// radius bounds of zones 5, 4 and 3.
int zoneClass(double radius, const EvaPlan& plan) {
    const float a = std::fabs(static_cast<float>(radius));
    const auto P = [&plan](int zone, int j) {
        return plan.zones[static_cast<size_t>(zone - 1)].P[static_cast<size_t>(j - 1)];
    };
    if (a == 0.0F)
        return 1;
    if (a == 1.0F)
        return 7;
    if (a < P(5, 1))
        return 6;
    if (a < P(5, 2))
        return 5;
    if (a < P(4, 2))
        return 4;
    if (a < P(3, 2))
        return 3;
    return 2;
}

// One Test ID's track evaluation: the signals it reads and writes, and the record.
class TrackRun {
public:
    TrackRun(const EvaPlan& plan, const TestSelection& sel, const TrackIo& io, SignalStore& store,
             IdRecord& rec, Progress& progress)
        : plan_(plan), sel_(sel), io_(io), store_(store), rec_(rec), progress_(progress),
          id_("ID " + std::to_string(sel.id)) {}

    TrackOutcome run();

private:
    void paneLine(LineLevel level, const std::string& text) { rec_.pane(level, text); }
    bool openAux(const SigEntry& e, int slot);
    bool makeZones();
    bool readSections(const std::string& file, std::vector<SectionEntry>& out);
    void zeroing();
    void evaluateZones();
    void walk(int zoneValue, int z, bool transition, int& counter, int& rejected);
    void evaluate(size_t first, size_t last, double length, int z, bool transition, int& counter,
                  int& rejected);
    void writeRow(size_t first, size_t last, double length, int z, bool transition,
                  const Stats& speed, const Stats& uf, const Stats& radius);
    void installResults();

    const float* data(int slot) const { return store_[slot].Data.data(); }

    const EvaPlan& plan_;
    const TestSelection& sel_;
    const TrackIo& io_;
    SignalStore& store_;
    IdRecord& rec_;
    Progress& progress_;
    std::string id_;

    int S = 0;
    size_t n0_ = 0; // the speed's samples: the length of the result signals
    size_t n_ = 0;  // the samples every signal of the evaluation holds
    double fs_ = 0.0;
    double d_ = 0.0;
    bool hasDrop_ = false;
    std::vector<SectionEntry> sections_;
    // S+5 .. S+13: Radius, SectionNumber, Zone, SectionZ1..6.
    std::array<SampleBuffer, kResultSlots> res_;
    bool resultsMade_ = false;
    // S+6 is renamed once the section list is found.
    const char* sectionName_ = "SectionNo";

    float* radius() { return res_[0].data(); }
    float* sectionNo() { return res_[1].data(); }
    float* zone() { return res_[2].data(); }
    float* sectionZ(int z) { return res_[static_cast<size_t>(2 + z)].data(); }
};

bool TrackRun::openAux(const SigEntry& e, int slot) {
    if (e.Name.empty())
        return false;
    CaptureLog log;
    LoadResult lr;
    try {
        // Escape belongs to the zone loop; the auxiliary files are opened whole.
        const LoadContext ctx{log, io_.defaultFs, io_.decimalSeparator, NullProgress::instance()};
        lr = LoadFiles(store_, io_.readers, sel_.testPath, {e.Name + loadFileExtension(io_.format)},
                       slot, io_.format, ctx);
    } catch (const Error& err) {
        log.warn(err.what());
        lr.filled = 0;
        store_.ClearSlot(slot);
    }
    for (const auto& l : log.lines)
        paneLine(l.warning ? LineLevel::Warning : LineLevel::Info, l.text);
    // A file of several signals would spill into the slots of the next auxiliary signals.
    for (int k = slot + 1; k < slot + lr.filled && k <= kSlotCount; ++k)
        store_.ClearSlot(k);
    if (lr.filled < 1 || !store_[slot].occupied()) {
        rec_.logLine("Can not open aux signal " + e.Name, true);
        return false;
    }
    SignalRecord& r = store_[slot];
    r.Plot = e.Plot;
    r.SaveDiv = e.SaveDiv;
    return true;
}

TrackOutcome TrackRun::run() {
    paneLine(LineLevel::Info, id_ + " Create aux signals");
    S = plan_.S;
    if (S < 1 || S + 4 + kResultSlots > kSlotCount || plan_.C < 0 ||
        static_cast<size_t>(plan_.C) > plan_.computed.size() || plan_.M + plan_.C >= S) {
        rec_.logLine("Track evaluation needs the speed signal and 13 free slots after it", true);
        return TrackOutcome::Failed;
    }
    const SignalRecord& speed = store_[S];
    n0_ = speed.occupied() ? static_cast<size_t>(speed.SampleCount) : 0;
    fs_ = speed.f_sampl;
    if (n0_ == 0 || !(fs_ > 0.0) || !std::isfinite(fs_)) {
        rec_.logLine(n0_ == 0 ? "Speed signal has no samples"
                              : "Speed signal has no valid sampling frequency",
                     true);
        return TrackOutcome::Failed;
    }
    d_ = 1.0 / (3.6 * fs_);

    for (int k = S + 1; k <= S + 4 + kResultSlots; ++k)
        store_.ClearSlot(k);
    const bool km = openAux(plan_.trackKm, S + 1);
    hasDrop_ = openAux(plan_.drop, S + 2);
    const bool uf = openAux(plan_.ufMm, S + 3);
    const bool curve = openAux(plan_.curve, S + 4);
    if (!km || !uf || !curve)
        return TrackOutcome::Failed;

    // Every signal read sample by sample below must reach as far as the walk does.
    n_ = n0_;
    std::string shortest;
    const auto shorten = [&](int slot) {
        const auto c = static_cast<size_t>(std::max(0, store_[slot].SampleCount));
        if (c < n_) {
            n_ = c;
            shortest = store_[slot].SigName.str();
        }
    };
    for (int slot = S + 1; slot <= S + 4; ++slot)
        if (slot != S + 2 || hasDrop_)
            shorten(slot);
    for (int k = 1; k <= plan_.C; ++k)
        shorten(plan_.M + k);
    if (n_ < n0_)
        rec_.logLine("Signal " + shortest + " holds fewer samples than the speed: evaluated over " +
                         std::to_string(n_) + " of " + std::to_string(n0_) + " samples",
                     true);
    if (n_ == 0)
        return TrackOutcome::Failed;

    for (auto& b : res_)
        b = SampleBuffer::zeros(n0_);
    resultsMade_ = true;

    // Radii only below the straight-track limit; flatter curvature counts as straight.
    const double p1 = plan_.zones[0].P[0];
    const float* c = data(S + 4);
    for (size_t i = 0; i < n_; ++i)
        if (std::fabs(p1 * c[i]) > 1000.0)
            radius()[i] = static_cast<float>(1000.0 / c[i]);

    paneLine(LineLevel::Info, id_ + " Create Zone");
    if (!makeZones()) {
        installResults();
        return TrackOutcome::ZoneFailed;
    }
    try {
        zeroing();
        evaluateZones();
    } catch (const std::exception& e) {
        paneLine(LineLevel::Error, e.what());
        installResults();
        return TrackOutcome::Failed;
    }
    installResults();
    return TrackOutcome::Done;
}

bool TrackRun::readSections(const std::string& file, std::vector<SectionEntry>& out) {
    try {
        SpreadsheetApp app;
        const WorkbookId wb = app.open(file);
        const std::optional<SheetHandle> sh =
            sel_.trackInfo.empty() ? std::nullopt : app.findSheet(wb, sel_.trackInfo);
        if (!sh) {
            paneLine(LineLevel::Error, "Sheet \"" + sel_.trackInfo + "\" not found in " + file);
            return false;
        }
        const auto positive = [&](int row, int col) {
            const CellValue v = app.value2(*sh, row, col);
            return v.isNumber() && v.number > 0.0;
        };
        int count = 0;
        while (count < kMaxSections && (positive(10 + count, 4) || positive(10 + count, 5)))
            ++count;
        if (count == kMaxSections && (positive(10 + count, 4) || positive(10 + count, 5)))
            paneLine(LineLevel::Warning,
                     "Section list holds more than " + std::to_string(kMaxSections) +
                         " sections; the first " + std::to_string(kMaxSections) + " are used");
        const auto num = [&](int row, int col) {
            return cellNumber(app.value2(*sh, row, col)).value_or(0.0);
        };
        out.resize(static_cast<size_t>(count));
        for (int k = 1; k <= count; ++k) {
            SectionEntry& e = out[static_cast<size_t>(k - 1)];
            const int row = 9 + k;
            e.Start = num(row, 4);
            e.End = num(row, 5);
            e.Radius = num(row, 6);
            e.ColG = num(row, 7);
            e.Text = cutUtf8(app.text(*sh, row, 10), 255);
            for (int j = 0; j < 14; ++j)
                e.Values[static_cast<size_t>(j)] = num(row, 15 + j);
        }
        return true;
    } catch (const Error& e) {
        paneLine(LineLevel::Error, e.what());
        return false;
    }
}

bool TrackRun::makeZones() {
    std::string folder = plan_.logFolder;
    if (!io_.trackSubdir.empty())
        folder += "/" + io_.trackSubdir;
    const std::string file = folder + "/" + plan_.sectionListFile;
    std::error_code ec;
    if (plan_.sectionListFile.empty() || !std::filesystem::is_regular_file(file, ec)) {
        paneLine(LineLevel::Error, "Can not open Excel track section info file:  " + file);
        return false;
    }
    sectionName_ = "SectionNumber";
    if (!readSections(file, sections_))
        return false;
    if (sections_.empty()) {
        paneLine(LineLevel::Error,
                 "No track sections in sheet \"" + sel_.trackInfo + "\" of " + file);
        return false;
    }

    // Sections are marked in the order the run meets them; the sample that ends one
    // section is not marked for the next, so neighbouring sections of one zone stay
    // separate stretches (and the very first sample belongs to none).
    const float* km = data(S + 1);
    const size_t n = n_;
    const bool increasing = km[n - 1] > km[0];
    const int count = static_cast<int>(sections_.size());
    size_t pos = 0;
    for (int step = 0; step < count; ++step) {
        const int k = increasing ? step + 1 : count - step;
        const SectionEntry& e = sections_[static_cast<size_t>(k - 1)];
        const auto cls = static_cast<float>(zoneClass(e.Radius, plan_));
        ++pos;
        for (size_t i = pos; i < n; ++i) {
            const double x = km[i];
            if (increasing ? x > e.End : x < e.Start) {
                pos = i;
                break;
            }
            if (increasing ? x >= e.Start : x <= e.End) {
                zone()[i] = cls;
                sectionNo()[i] = static_cast<float>(k);
            }
        }
    }
    zone()[n - 1] = 0.0F;
    return true;
}

void TrackRun::zeroing() {
    const float* v = data(S);
    const float* drop = hasDrop_ ? data(S + 2) : nullptr;
    std::vector<int> slots;
    for (int k = 1; k <= plan_.C; ++k)
        if (plan_.computed[static_cast<size_t>(k - 1)].Zeroing)
            slots.push_back(plan_.M + k);
    if (plan_.ufMm.Zeroing)
        slots.push_back(S + 3);
    if (slots.empty())
        return;

    std::vector<size_t> straight;
    for (size_t i = 0; i < n_; ++i)
        if (zone()[i] == 1.0F && v[i] > 20.0F && (!drop || drop[i] > 0.0F))
            straight.push_back(i);
    if (straight.empty()) {
        paneLine(LineLevel::Warning,
                 id_ + " Zeroing skipped: no valid sample on straight track above 20 km/h");
        return;
    }
    for (int slot : slots) {
        SignalRecord& r = store_[slot];
        double sum = 0.0;
        for (size_t i : straight)
            sum += r.Data[i];
        const double mean = sum / static_cast<double>(straight.size());
        if (!std::isfinite(mean))
            continue;
        SignalStore::WriteGuard g = store_.writeGuard();
        float* x = r.Data.data();
        for (size_t i = 0; i < r.Data.size(); ++i)
            x[i] = static_cast<float>(x[i] - mean);
        r.Unsaved = true;
    }
}

void TrackRun::evaluateZones() {
    int rejected = 0;
    for (int z = 1; z <= kZoneSheetCount; ++z) {
        if (progress_.cancelled()) {
            paneLine(LineLevel::Error, "User abort");
            return;
        }
        const std::string& name = plan_.zones[static_cast<size_t>(z - 1)].Name;
        paneLine(LineLevel::Info, id_ + " Section " + name);
        int sections = 0;
        int transitions = 0;
        walk(z, z, false, sections, rejected);
        if (z > 1) {
            paneLine(LineLevel::Info, id_ + " Transient " + name);
            walk(7, z, true, transitions, rejected);
        }
        rec_.count(7 + (z - 1), sections);
        rec_.count(13 + (z - 1), transitions);
    }
    rec_.count(5, rejected);
}

void TrackRun::walk(int zoneValue, int z, bool transition, int& counter, int& rejected) {
    const float* v = data(S);
    const auto target = static_cast<float>(zoneValue);
    bool open = false;
    size_t first = 0;
    double length = 0.0;
    for (size_t i = 0; i < n_; ++i) {
        if (zone()[i] == target) {
            if (!open) {
                open = true;
                first = i;
                length = 0.0;
            }
            length += v[i] * d_;
        } else if (open) {
            open = false;
            evaluate(first, i - 1, length, z, transition, counter, rejected);
        }
    }
}

void TrackRun::evaluate(size_t first, size_t last, double length, int z, bool transition,
                        int& counter, int& rejected) {
    const auto P = [this, z](int j) {
        return static_cast<double>(
            plan_.zones[static_cast<size_t>(z - 1)].P[static_cast<size_t>(j - 1)]);
    };
    const Stats speed = statsOf(data(S), first, last);
    const Stats uf = statsOf(data(S + 3), first, last);
    const Stats curve = statsOf(data(S + 4), first, last);
    const Stats rad = statsOf(radius(), first, last);

    if (speed.mean < P(7) || speed.mean > P(8))
        return;

    double number = 0.0;
    if (transition) {
        // A transition takes the number of the accepted section it leads into (look
        // ahead) or comes out of (look back).
        const float* sz = sectionZ(z);
        const float* c = data(S + 4);
        if (std::fabs(c[last]) > std::fabs(c[first])) {
            const size_t to = std::min(last + kLookAround, n_ - 1);
            for (size_t i = last; i <= to; ++i)
                if (sz[i] > 0.0F)
                    number = sz[i] + 0.1;
        } else {
            const size_t from = first >= kLookAround ? first - kLookAround : 0;
            for (size_t i = from; i <= first; ++i)
                if (sz[i] > 0.0F)
                    number = sz[i] + 0.2;
        }
        if (number == 0.0)
            return;
    } else if (z == 1) {
        if (std::fabs(uf.mean) > P(6) || std::fabs(curve.mean) > 1000.0 / P(1))
            return;
    } else {
        const double u = rad.mean > 0.0 ? uf.mean : -uf.mean;
        if (rad.mean != 0.0 && (u < P(5) || u > P(6)))
            return;
    }

    if (hasDrop_) {
        const float* drop = data(S + 2);
        for (size_t i = first; i <= last; ++i)
            if (drop[i] == 0.0F) {
                if (!transition)
                    ++rejected;
                return;
            }
    }

    ++counter;
    if (!transition)
        number = counter;
    const char sep = io_.decimalSeparator;
    paneLine(LineLevel::Info,
             id_ + " " + plan_.zones[static_cast<size_t>(z - 1)].Name +
                 (transition ? "  TRANSITION " : "  SECTION ") + formatFloatF(number, 4, 1, sep) +
                 ". First sample: " + std::to_string(first + 1) + ", Samples: " +
                 std::to_string(last - first + 1) + ", Length: " + formatFloatF(length, 3, 1, sep) +
                 " m" + ", Mean val.    Speed: " + formatFloatF(speed.mean, 4, 1, sep) + " km/h" +
                 ",   Radius: " + formatFloatF(rad.mean, 4, 0, sep) + " m" +
                 ",   uf: " + formatFloatF(uf.mean, 4, 1, sep) + " mm");
    float* sz = sectionZ(z);
    for (size_t i = first; i <= last; ++i)
        sz[i] = static_cast<float>(number);
    writeRow(first, last, length, z, transition, speed, uf, rad);
}

void TrackRun::writeRow(size_t first, size_t last, double length, int z, bool transition,
                        const Stats& speed, const Stats& uf, const Stats& radius) {
    const int C = plan_.C;
    std::vector<CellValue> row(static_cast<size_t>(8 * C + 50));
    const auto put = [&row](int col, CellValue v) {
        row[static_cast<size_t>(col - 1)] = std::move(v);
    };
    const auto f = static_cast<double>(first + 1);
    const auto l = static_cast<double>(last + 1);
    const float* km = data(S + 1);

    put(1, CellValue::str(std::to_string(sel_.id)));
    const int k = static_cast<int>(sectionNo()[first]);
    put(2, CellValue::num(k));
    put(3, numCell(f / fs_));
    put(4, numCell(l / fs_));
    put(5, numCell((l - f) / fs_));
    put(6, numCell(speed.min));
    put(7, numCell(speed.max));
    put(8, numCell(speed.mean));
    put(9, numCell(km[first]));
    put(10, numCell(km[last]));
    put(11, numCell(length));
    put(12, numCell(uf.min));
    put(13, numCell(uf.max));
    put(14, numCell(uf.mean));
    put(15, numCell(std::fabs(uf.mean)));
    put(16, numCell(radius.min));
    put(17, numCell(radius.max));
    put(18, numCell(radius.mean));
    put(19, numCell(std::fabs(radius.mean)));
    if (!sel_.trackInfo.empty()) {
        put(21, CellValue::str(sel_.trackInfo));
        const char last = sel_.trackInfo.back();
        if (last >= '0' && last <= '9')
            put(22, CellValue::num(last - '0'));
    }
    if (k >= 1 && k <= static_cast<int>(sections_.size())) {
        const SectionEntry& e = sections_[static_cast<size_t>(k - 1)];
        put(23, numCell(e.Radius));
        put(25, numCell(e.ColG));
        if (!e.Text.empty())
            put(27, CellValue::str(e.Text));
        for (int j = 0; j < 14; ++j)
            put(30 + j, numCell(e.Values[static_cast<size_t>(j)]));
    }

    static constexpr std::array<double, 5> kP = {0.0015, 0.025, 0.5, 0.975, 1.0 - 0.0015};
    std::vector<float> xs;
    xs.reserve(last - first + 1);
    for (int c = 0; c < C; ++c) {
        const float* x = data(plan_.M + 1 + c);
        xs.assign(x + first, x + last + 1);
        double sum = 0.0;
        double sq = 0.0;
        double mx = xs.front();
        for (float s : xs) {
            sum += s;
            sq += static_cast<double>(s) * s;
            if (s > mx)
                mx = s;
        }
        // NaN samples sort to the end, so the order is a strict one and the sort stays in
        // bounds; the percentiles that reach them come out empty.
        std::sort(xs.begin(), xs.end(),
                  [](float a, float b) { return a < b || (!std::isnan(a) && std::isnan(b)); });
        const int col = 51 + 8 * c;
        for (size_t j = 0; j < kP.size(); ++j)
            put(col + static_cast<int>(j), numCell(percentileSorted(xs, kP[j])));
        const auto N = static_cast<double>(xs.size());
        put(col + 5, numCell(sum / N));
        put(col + 6, numCell(std::sqrt(sq / N)));
        put(col + 7, numCell(mx));
    }
    rec_.zoneRow(z, transition, std::move(row));
}

void TrackRun::installResults() {
    if (!resultsMade_)
        return;
    static constexpr std::array<const char*, kResultSlots> kNames = {
        "Radius",    "SectionNo", "Zone",      "SectionZ1", "SectionZ2",
        "SectionZ3", "SectionZ4", "SectionZ5", "SectionZ6"};
    const SignalRecord& curve = store_[S + 4];
    for (int j = 0; j < kResultSlots; ++j) {
        SignalRecord r;
        r.f_sampl = fs_;
        r.SigName = j == 1 ? sectionName_ : kNames[static_cast<size_t>(j)];
        r.Units = j == 0 ? "m" : "1";
        r.Plot = curve.Plot;
        r.SaveDiv = curve.SaveDiv;
        r.TimeOffset = 0.0;
        r.setData(std::move(res_[static_cast<size_t>(j)]));
        r.Unsaved = true;
        store_.installSignal(S + 5 + j, std::move(r));
    }
    resultsMade_ = false;
}

} // namespace

TrackOutcome EvaluateTrack(const EvaPlan& plan, const TestSelection& sel, const TrackIo& io,
                           SignalStore& store, IdRecord& rec, Progress& progress) {
    try {
        TrackRun run(plan, sel, io, store, rec, progress);
        return run.run();
    } catch (const std::exception& e) {
        rec.pane(LineLevel::Error, e.what());
        return TrackOutcome::Failed;
    }
}

} // namespace mv
