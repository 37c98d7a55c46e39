#include "wheelset/Calibration.h"

#include "core/TextNumbers.h"
#include "processing/Matrix.h"

#include <cmath>
#include <filesystem>
#include <limits>

namespace mv::wheelset {

using namespace calibr;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string devText(int n) {
    return std::to_string(n);
}

int dirColumn(CalibrDirection d) {
    return d == CalibrDirection::Backward ? colBW : colFW;
}

std::string cellString(const CellValue& c) {
    if (c.type == CellType::Text)
        return c.text;
    if (c.isNumber())
        return formatFloatF(c.number, 15, 0);
    return {};
}

long long cellInt(const CellValue& c) {
    if (c.isNumber())
        return std::llround(c.number);
    if (c.type == CellType::Text)
        if (auto v = parseWholeFinite(trimBlanks(c.text)))
            return std::llround(*v);
    return 0;
}

std::string withSlash(std::string p) {
    if (!p.empty() && p.back() != '/')
        p += '/';
    return p;
}

// A statistic that cannot be formed leaves its cell empty.
CellValue statCell(double v) {
    return std::isfinite(v) ? CellValue::num(v) : CellValue::empty();
}

bool formatAllowed(LoadFormat f, ComputeContext& ctx) {
    if (static_cast<int>(f) <= static_cast<int>(LoadFormat::SingleIeee754))
        return true;
    ctx.log.warn(std::string("Unsuported input file format: ") +
                 kLoadFormatNames[static_cast<size_t>(f)]);
    return false;
}

bool loadParams(TDeviceFunc& d, int n, const Block& block, ComputeContext& ctx) {
    const LoadParamResult r = LoadDevFuncParam(d, n, block);
    if (!r.ok)
        ctx.log.warn("Invalid DevFuncParam for device " + devText(n) + " (" + r.detail + ")");
    return r.ok;
}

// The force files of the block (rows 9..), each of which must give exactly one signal:
// a missing file would move the next force into its slot.
bool loadForces(const Block& block, const std::string& path, int count, LoadFormat format,
                ComputeContext& ctx) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.push_back(cellString(at(block, rowFileFQ + i, 2)));
        if (names.back().empty()) {
            ctx.log.warn("No force file name in cell B" + std::to_string(rowFileFQ + i) +
                         " of the device block");
            return false;
        }
    }
    for (int i = 0; i < count; ++i) {
        ctx.store.ClearSlot(i + 1);
        LoadContext lc{ctx.log, ctx.defaultFs, ctx.decimalSeparator};
        LoadFiles(ctx.store, ctx.readers, path, {names[static_cast<size_t>(i)]}, i + 1, format, lc);
        if (!ctx.store[i + 1].occupied() || ctx.store[i + 2].occupied()) {
            ctx.log.warn("Force file " + joinPath(path, names[static_cast<size_t>(i)]) +
                         " did not give one signal; nothing computed");
            ctx.store.ClearSlot(0);
            return false;
        }
    }
    return true;
}

ComputeRequest computeRequest(const CalibrRequest& req, const std::string& path,
                              std::initializer_list<int> flags) {
    ComputeRequest c;
    c.device = req.device;
    c.calibration = true;
    for (int r : flags)
        c.save[static_cast<size_t>(r - 1)] = true;
    c.path = path;
    c.wheelName = req.wheelName;
    c.highPass = req.highPass;
    c.lowPass = req.lowPass;
    c.format = req.format;
    return c;
}

// From/To of the block must lie inside every signal the fit reads.
bool windowInside(long long from, long long to, std::initializer_list<int> slots,
                  ComputeContext& ctx) {
    long long n = std::numeric_limits<long long>::max();
    for (int s : slots)
        n = std::min<long long>(n, ctx.store[s].SampleCount);
    if (from < 1 || to > n || from > to) {
        ctx.log.warn("From sample " + std::to_string(from) + " and To sample " +
                     std::to_string(to) + " must satisfy 1 <= From <= To <= " + std::to_string(n) +
                     " (the loaded samples); nothing computed");
        return false;
    }
    return true;
}

// x = (A'A)^-1 A' y through the matrix of the normal equations; false when singular.
bool solve(const std::vector<std::vector<double>>& rows, const std::vector<std::vector<double>>& ys,
           int cols, std::vector<std::vector<double>>& xs) {
    const int N = static_cast<int>(rows.size());
    if (N < cols)
        return false;
    TMatrix a(N, cols);
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < cols; ++j)
            a(i + 1, j + 1) = rows[static_cast<size_t>(i)][static_cast<size_t>(j)];
    TMatrix p;
    if (!LeastSquaresSolver(a, p))
        return false;
    xs.clear();
    for (const auto& y : ys) {
        std::vector<double> x(static_cast<size_t>(cols), 0.0);
        for (int j = 0; j < cols; ++j) {
            double v = 0;
            for (int i = 0; i < N; ++i)
                v += p(j + 1, i + 1) * y[static_cast<size_t>(i)];
            if (!std::isfinite(v))
                return false;
            x[static_cast<size_t>(j)] = v;
        }
        xs.push_back(std::move(x));
    }
    return true;
}

} // namespace

FitStats fitStatistics(const std::vector<std::vector<double>>& a, const std::vector<double>& y,
                       const std::vector<double>& x) {
    FitStats st;
    const int N = static_cast<int>(a.size());
    const int K = static_cast<int>(x.size());
    st.rows = N;
    float sse = 0.0f, sum = 0.0f;
    for (int i = 0; i < N; ++i) {
        float yhat = static_cast<float>(x[static_cast<size_t>(K - 1)]);
        for (int k = 0; k < K - 1; ++k)
            yhat += static_cast<float>(x[static_cast<size_t>(k)] *
                                       a[static_cast<size_t>(i)][static_cast<size_t>(k)]);
        const double e = y[static_cast<size_t>(i)] - static_cast<double>(yhat);
        sse += static_cast<float>(e * e);
        sum += static_cast<float>(y[static_cast<size_t>(i)]);
    }
    const float mean = N > 0 ? sum / static_cast<float>(N) : 0.0f;
    float sst = 0.0f;
    for (int i = 0; i < N; ++i) {
        const double e = y[static_cast<size_t>(i)] - static_cast<double>(mean);
        sst += static_cast<float>(e * e);
    }
    st.s = N > 1 ? static_cast<double>(std::sqrt(sse / static_cast<float>(N - 1))) : kNaN;
    st.r2 = sst > 0 ? 1.0 - static_cast<double>(sse) / static_cast<double>(sst) : kNaN;
    return st;
}

CalibrResult LoadCalibrFiles(TDeviceFunc& d, Block& block, const CalibrRequest& req,
                             ComputeContext& ctx) {
    CalibrResult res;
    const int n = req.device;
    if (!formatAllowed(req.format, ctx))
        return res;
    ctx.store.ClearSlot(0);
    if (req.direction == CalibrDirection::None) {
        ctx.log.warn("Select direction of calibration.");
        return res;
    }
    if (!loadParams(d, n, block, ctx))
        return res;
    at(block, rowPath, dirColumn(req.direction)) = CellValue::str(req.testPath);
    res.blockChanged = true;
    if (!loadForces(block, req.testPath, 2, req.format, ctx))
        return res;
    const ComputeResult c =
        ComputeQYTL(d, computeRequest(req, req.testPath, {fbB1f, fbSinMA, fbHWP}), ctx);
    if (!c.ok) {
        ctx.log.warn("Error QYTL processing for  device: " + devText(n));
        return res;
    }
    const int s = c.slotOf[fbB1f - 1];
    auto& rec = ctx.store[s];
    {
        auto guard = ctx.store.writeGuard();
        for (auto& v : rec.Data.span())
            v *= 100.0f;
    }
    rec.SigName = rec.SigName.str() + "_x_100";
    res.ok = true;
    return res;
}

CalibrResult ComputeQ3Coef(TDeviceFunc& d, Block& block, const CalibrRequest& req,
                           ComputeContext& ctx) {
    CalibrResult res;
    const int n = req.device;
    if (!formatAllowed(req.format, ctx))
        return res;
    ctx.store.ClearSlot(0);
    const std::string path = withSlash(cellString(at(block, rowPath, colFW)));
    const long long from = cellInt(at(block, rowFrom, colFW));
    const long long to = cellInt(at(block, rowTo, colFW));
    if (path.empty() || !std::filesystem::is_directory(path)) {
        ctx.log.warn("Adresář \"" + path + " \" nebyl nalezen");
        return res;
    }
    if (from == 0 || to == 0) {
        ctx.log.warn(
            "First fill in the Excel input data: \"From sample\" and \"To sample on row  " +
            std::to_string(sheetRow(n, rowFrom)));
        return res;
    }
    if (!loadParams(d, n, block, ctx) || !loadForces(block, path, 2, req.format, ctx))
        return res;
    ComputeResult c =
        ComputeQYTL(d, computeRequest(req, path, {1, 2, 3, 4, 5, 6, 7, 8, fbSinMA, fbHWP}), ctx);
    if (!c.ok) {
        ctx.log.warn("Error QYTL Q3 coef. processing for  device: " + devText(n));
        return res;
    }
    const int sinSlot = c.slotOf[fbSinMA - 1];
    const int hwpSlot = c.slotOf[fbHWP - 1];
    if (!windowInside(from, to, {1, 2, sinSlot}, ctx))
        return res;

    // The crossings of SinMA in the window are the positions P1, P2, ... in turn; only
    // these marks build the systems (the tracking's own marks may fall a sample later).
    auto& sinMA = ctx.store[sinSlot].Data;
    auto& hwp = ctx.store[hwpSlot].Data;
    struct Mark {
        long long s;
        int P;
    };
    std::vector<Mark> marks;
    std::array<int, 9> m{};
    int dirSign = 0;
    {
        auto guard = ctx.store.writeGuard();
        bool g = sinMA[static_cast<size_t>(from - 1)] > 0;
        int P = 1;
        for (long long s = from; s <= to; ++s) {
            hwp[static_cast<size_t>(s - 1)] = 0.0f;
            const bool pos = sinMA[static_cast<size_t>(s - 1)] > 0;
            if (pos == g)
                continue;
            g = !g;
            if (marks.empty())
                dirSign = g ? 1 : -1;
            ++m[static_cast<size_t>(P)];
            hwp[static_cast<size_t>(s - 1)] = static_cast<float>(P);
            marks.push_back({s, P});
            P = P >= 8 ? 1 : P + 1;
        }
    }
    // The systems: 2 m[h] rows each, unfilled rows stay zero.
    std::array<std::vector<std::vector<double>>, 4> A;
    std::array<std::vector<double>, 4> Y;
    std::array<int, 4> r{};
    for (int h = 1; h <= 4; ++h) {
        A[static_cast<size_t>(h - 1)].assign(static_cast<size_t>(2 * m[static_cast<size_t>(h)]),
                                             std::vector<double>(4, 0.0));
        Y[static_cast<size_t>(h - 1)].assign(static_cast<size_t>(2 * m[static_cast<size_t>(h)]),
                                             0.0);
    }
    auto bridge = [&](int k, long long s) {
        k = ((k - 1) % 8 + 8) % 8 + 1;
        return static_cast<double>(ctx.store[2 + k].Data[static_cast<size_t>(s - 1)]);
    };
    for (const Mark& mk : marks) {
        const int h = mk.P <= 4 ? mk.P : mk.P - 4;
        auto& rows = A[static_cast<size_t>(h - 1)];
        int& ri = r[static_cast<size_t>(h - 1)];
        if (ri >= static_cast<int>(rows.size()))
            continue; // position h + 4 cannot outnumber h, but never write past the system
        auto& row = rows[static_cast<size_t>(ri)];
        for (int k = 1; k <= 3; ++k)
            row[static_cast<size_t>(k - 1)] = bridge(h + k, mk.s) - bridge(h - k, mk.s);
        row[3] = 1.0;
        const double fq = ctx.store[1].Data[static_cast<size_t>(mk.s - 1)];
        Y[static_cast<size_t>(h - 1)][static_cast<size_t>(ri)] = mk.P <= 4 ? fq : -fq;
        ++ri;
    }
    std::array<std::vector<double>, 4> X;
    for (int h = 1; h <= 4; ++h) {
        std::vector<std::vector<double>> xs;
        if (r[static_cast<size_t>(h - 1)] < 4 ||
            !solve(A[static_cast<size_t>(h - 1)], {Y[static_cast<size_t>(h - 1)]}, 4, xs)) {
            res.failed.push_back(h);
            continue;
        }
        X[static_cast<size_t>(h - 1)] = xs[0];
    }
    if (!res.failed.empty()) {
        std::string list;
        for (int h : res.failed)
            list += (list.empty() ? "" : ", ") + std::to_string(h);
        ctx.log.warn("Device " + devText(n) +
                     " - Q3 fit singular or under-determined for position group(s) " + list +
                     " (fewer than 4 crossings or a zero pivot); nothing written");
        return res;
    }
    for (int h = 1; h <= 4; ++h) {
        const auto& x = X[static_cast<size_t>(h - 1)];
        FitStats st =
            fitStatistics(A[static_cast<size_t>(h - 1)], Y[static_cast<size_t>(h - 1)], x);
        st.filled = r[static_cast<size_t>(h - 1)];
        res.groups.push_back(st);
        const int R = q3Row(h);
        at(block, R, 2) = CellValue::num(x[2]);
        at(block, R + 1, 2) = CellValue::num(x[1]);
        at(block, R + 2, 2) = CellValue::num(x[0]);
        at(block, R + 3, 2) = CellValue::num(x[3]);
        at(block, R + 4, 2) = statCell(st.s);
        at(block, R + 5, 2) = statCell(st.r2);
        at(block, R + 6, 2) = CellValue::num(st.filled);
    }
    at(block, rowDirSign, 2) = CellValue::num(dirSign);
    res.blockChanged = true;

    // The check run: the tracking with the new coefficients.
    if (!loadParams(d, n, block, ctx))
        return res;
    ctx.store.ClearSlot(0);
    if (!ComputeQYTL(d, computeRequest(req, path, {fbSinMA, fbHWP, fbSWP}), ctx).ok) {
        ctx.log.warn("Error QYTL processing for  device: " + devText(n));
        return res;
    }
    res.ok = true;
    return res;
}

CalibrResult ComputeQytlCoef(TDeviceFunc& d, Block& block, const CalibrRequest& req,
                             ComputeContext& ctx) {
    CalibrResult res;
    const int n = req.device;
    if (!formatAllowed(req.format, ctx))
        return res;
    if (req.direction == CalibrDirection::None) {
        ctx.log.warn("Select direction of calibration.");
        return res;
    }
    const int dir = dirColumn(req.direction);
    const int c = req.direction == CalibrDirection::Backward ? coefBaseBW : coefBaseFW;
    ctx.store.ClearSlot(0);
    const long long nbSigned = cellInt(at(block, rowNB, 2));
    const int nb = static_cast<int>(nbSigned < 0 ? -nbSigned : nbSigned);
    const std::string path = withSlash(cellString(at(block, rowPath, dir)));
    const long long from = cellInt(at(block, rowFrom, dir));
    const long long to = cellInt(at(block, rowTo, dir));
    const CellValue& koCell = at(block, rowKo, 2);
    const CellValue& ksCell = at(block, rowKs, 2);
    const float Ko = koCell.isNumber() ? static_cast<float>(koCell.number) : 0.0f;
    const float Ks = ksCell.isNumber() ? static_cast<float>(ksCell.number) : 0.0f;
    if (path.empty() || !std::filesystem::is_directory(path)) {
        ctx.log.warn("Adresář \"" + path + " \" nebyl nalezen");
        return res;
    }
    if (nb != 8) {
        ctx.log.warn("Device " + devText(n) + " - the table fit takes eight bridges, cell " +
                     cellName(n, rowNB, 2) + " holds " + std::to_string(nb) + "; nothing computed");
        return res;
    }
    if (!loadForces(block, path, 4, req.format, ctx) || !loadParams(d, n, block, ctx))
        return res;
    ComputeRequest cr = computeRequest(req, path, {1, 2, 3, 4, 5, 6, 7, 8, fbSWP});
    cr.compensated = true;
    const ComputeResult comp = ComputeQYTL(d, cr, ctx);
    if (!comp.ok) {
        ctx.log.warn("Error QYTL calibr.coef. processing for device: " + devText(n));
        return res;
    }
    const int swpSlot = comp.slotOf[fbSWP - 1];
    if (!windowInside(from, to, {1, 2, 3, 4, swpSlot}, ctx))
        return res;

    const auto& swp = ctx.store[swpSlot].Data;
    auto posOf = [&](long long s) {
        return static_cast<int>(std::nearbyint(swp[static_cast<size_t>(s - 1)]));
    };
    // u is not set by anything: at 0.5 neither Ko nor Ks changes the bridges.
    const double u = 0.5;
    const double scale = 1 + 2.0 * Ks * (u - 0.5);
    const double offset = 0.002 * Ko * (u - 0.5);
    std::vector<std::vector<std::vector<double>>> A(kPositions + 1);
    std::vector<std::array<std::vector<double>, 4>> Y(kPositions + 1);
    for (long long s = from; s <= to; ++s) {
        const int p = posOf(s);
        if (p < 1 || p > kPositions)
            continue;
        std::vector<double> row(static_cast<size_t>(nb + 1), 1.0);
        for (int k = 1; k <= 8; ++k)
            row[static_cast<size_t>(k - 1)] =
                ctx.store[4 + k].Data[static_cast<size_t>(s - 1)] * scale + offset;
        A[static_cast<size_t>(p)].push_back(std::move(row));
        const size_t i = static_cast<size_t>(s - 1);
        const double fq = ctx.store[1].Data[i];
        Y[static_cast<size_t>(p)][0].push_back(fq);
        Y[static_cast<size_t>(p)][1].push_back(ctx.store[2].Data[i]);
        Y[static_cast<size_t>(p)][2].push_back(ctx.store[3].Data[i]);
        Y[static_cast<size_t>(p)][3].push_back(fq * static_cast<double>(ctx.store[4].Data[i]));
    }
    // All 360 positions are solved before anything is written.
    std::vector<std::vector<std::vector<double>>> X(kPositions + 1);
    for (int p = 1; p <= kPositions; ++p) {
        const auto& ys = Y[static_cast<size_t>(p)];
        if (!solve(A[static_cast<size_t>(p)], {ys[0], ys[1], ys[2], ys[3]}, nb + 1,
                   X[static_cast<size_t>(p)]))
            res.failed.push_back(p);
        if (p % 10 == 0) {
            ctx.progress.report(p / 360.0, "P:" + std::to_string(p) + ", " +
                                               formatFloatF(p / 360.0, 15, 6) + ")");
            if (ctx.progress.cancelled()) {
                ctx.log.warn("Device " + devText(n) + " - calibration cancelled; nothing written");
                return res;
            }
        }
    }
    if (!res.failed.empty()) {
        std::string list;
        for (size_t i = 0; i < res.failed.size() && i < 40; ++i)
            list += (i ? ", " : "") + std::to_string(res.failed[i]);
        if (res.failed.size() > 40)
            list += ", ... (" + std::to_string(res.failed.size()) + " positions)";
        ctx.log.warn("Device " + devText(n) +
                     " - QYTL fit singular or with too few samples at position(s) " + list +
                     "; nothing written. Choose a window with more revolutions.");
        return res;
    }
    res.meanS.fill(0.0);
    res.maxS.fill(0.0);
    for (int p = 1; p <= kPositions; ++p) {
        const int row = positionRow(p);
        for (int o = 0; o < 4; ++o) {
            const auto& x = X[static_cast<size_t>(p)][static_cast<size_t>(o)];
            for (int i = 1; i <= nb; ++i)
                at(block, row, bridgeCol(o, i, c)) = CellValue::num(x[static_cast<size_t>(i - 1)]);
            at(block, row, constCol(o, c)) = CellValue::num(x[static_cast<size_t>(nb)]);
            const FitStats st = fitStatistics(A[static_cast<size_t>(p)],
                                              Y[static_cast<size_t>(p)][static_cast<size_t>(o)], x);
            at(block, row, stdErrCol(o, c)) = statCell(st.s);
            at(block, row, r2Col(o, c)) = statCell(st.r2);
            if (std::isfinite(st.s)) {
                res.meanS[static_cast<size_t>(o)] += st.s;
                res.maxS[static_cast<size_t>(o)] = std::max(res.maxS[static_cast<size_t>(o)], st.s);
            }
        }
        at(block, row, countCol(c)) =
            CellValue::num(static_cast<double>(A[static_cast<size_t>(p)].size()));
    }
    at(block, rowTime, dir) = CellValue::str(req.timeText);
    at(block, rowDate, dir) = CellValue::str(req.dateText);
    for (int o = 0; o < 4; ++o) {
        res.meanS[static_cast<size_t>(o)] /= 360.0;
        at(block, rowMeanS + o, dir) = CellValue::num(res.meanS[static_cast<size_t>(o)]);
        at(block, rowMaxS + o, dir) = CellValue::num(res.maxS[static_cast<size_t>(o)]);
    }
    at(block, rowTrackingMarker, dir) = CellValue::num(1);
    res.blockChanged = true;
    res.ok = true;
    return res;
}

} // namespace mv::wheelset
