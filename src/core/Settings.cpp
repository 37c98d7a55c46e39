#include "core/Settings.h"

#include "core/LoadFiles.h"
#include "core/SignalStore.h"
#include "core/TextNumbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace mv {

std::optional<std::string> MemorySettings::read(const std::string& key) const {
    const auto it = values.find(key);
    if (it == values.end())
        return std::nullopt;
    return it->second;
}
void MemorySettings::write(const std::string& key, const std::string& value) {
    values[key] = value;
}
std::optional<std::string> MemorySettings::readBytes(const std::string& key) const {
    return read(key);
}
void MemorySettings::writeBytes(const std::string& key, const std::string& bytes) {
    values[key] = bytes;
}

int parseIntOr(const std::optional<std::string>& text, int dflt) {
    if (!text)
        return dflt;
    return parseWholeInt32(*text).value_or(dflt);
}

double parseFloatStrict(const std::optional<std::string>& text, std::string_view dfltText) {
    if (text)
        if (auto v = parseWholeFinite(*text))
            return *v;
    return parseWholeFinite(dfltText).value_or(0.0);
}

std::string formatFloatFull(double v) {
    char buf[64];
    const auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, p) : std::string("0");
}

std::string formatFixed(double v, int decimals) {
    decimals = std::clamp(decimals, 0, 30);
    char buf[512];
    const auto [p, ec] =
        std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return ec == std::errc() ? std::string(buf, p) : formatFloatFull(v);
}

std::optional<double> parseFProcess(std::string_view text, char decimalSep) {
    const auto v = parseUserNumber(text, decimalSep);
    if (!v || *v < kFProcessMin || *v > kFProcessMax)
        return std::nullopt;
    return v;
}

WindowBounds checkOnMonitors(const WindowBounds& b, const std::vector<MonitorRect>& monitors) {
    for (const auto& m : monitors) {
        // The right and bottom limits are taken from the monitor's own edges, so a
        // window on a monitor that does not start at the origin is kept as well.
        if (m.left + 30 < b.left + b.width && b.left < m.left + m.width - 30 &&
            b.top + 8 >= m.top && m.top + m.height - 30 >= b.top + 8)
            return b;
    }
    return WindowBounds{};
}

namespace {
bool readBool(const SettingsBackend& s, const std::string& key, bool dflt) {
    return parseIntOr(s.read(key), dflt ? 1 : 0) != 0;
}
std::string readText(const SettingsBackend& s, const std::string& key,
                     const std::string& dflt = {}) {
    return s.read(key).value_or(dflt);
}
std::optional<double> readOptionalFloat(const SettingsBackend& s, const std::string& key) {
    const auto t = s.read(key);
    if (!t)
        return std::nullopt;
    return parseWholeFinite(*t);
}
} // namespace

namespace {
// Values outside the range their control can show take the default, so the radio groups,
// the edits and the engine never disagree about a setting.
int intInRange(const SettingsBackend& s, const std::string& key, int dflt, int lo, int hi) {
    const int v = parseIntOr(s.read(key), dflt);
    return v < lo || v > hi ? dflt : v;
}
constexpr int kToolPageCount = 6;
} // namespace

void readMainAtCreate(const SettingsBackend& s, MainSettings& m) {
    m.HelpLanguage = readText(s, "HelpLanguage", "EN");
    m.DestinationPath = readText(s, "DestinationPath");
    m.SaveDivPreset = intInRange(s, "SaveDivPreset", 1, 1, INT32_MAX);
    m.dfltSampl_f = parseFloatStrict(s.read("dfltSampl_f"), "4000");
    if (!(m.dfltSampl_f >= kFProcessMin && m.dfltSampl_f <= kFProcessMax))
        m.dfltSampl_f = 4000.0;
    m.ActivePageIndex = intInRange(s, "ActivePageIndex", 0, 0, kToolPageCount - 1);
    m.CreateSignalBackUp = readBool(s, "CreateSignalBackUp", true);
    m.KeepOrigSigName = readBool(s, "KeepOrigSigName", false);
    m.FillSigNo = intInRange(s, "FillSigNo", 0, 0, kSlotCount);
    m.FillSigValue = parseFloatStrict(s.read("FillSigValue"), "0");
    m.LoadFileFormat = intInRange(s, "LoadFileFormat", 0, 0, kLoadFormatCount - 1);
    m.SaveFileFormat = intInRange(s, "SaveFileFormat", 0, 0, kSaveFormatCount - 1);
    m.ExportDir = readText(s, "ExportDir");
}

void readMainAtActivation(const SettingsBackend& s, MainSettings& m) {
    m.FromID = parseIntOr(s.read("FromID"), 1);
    m.ToID = parseIntOr(s.read("ToID"), 1);
    m.Image1_YMin = readOptionalFloat(s, "Image1_YMin");
    m.Image1_YMax = readOptionalFloat(s, "Image1_YMax");
    m.Image2_YMin = readOptionalFloat(s, "Image2_YMin");
    m.Image2_YMax = readOptionalFloat(s, "Image2_YMax");
}

void writeMain(SettingsBackend& s, const MainSettings& m) {
    s.write("dfltSampl_f", formatFloatFull(m.dfltSampl_f));
    s.write("SaveDivPreset", std::to_string(m.SaveDivPreset));
    s.write("ActivePageIndex", std::to_string(m.ActivePageIndex));
    s.write("LoadFileFormat", std::to_string(m.LoadFileFormat));
    s.write("SaveFileFormat", std::to_string(m.SaveFileFormat));
    s.write("CreateSignalBackUp", m.CreateSignalBackUp ? "1" : "0");
    s.write("KeepOrigSigName", m.KeepOrigSigName ? "1" : "0");
    s.write("FillSigNo", std::to_string(m.FillSigNo));
    s.write("FillSigValue", formatFixed(m.FillSigValue, 4));
    s.write("DestinationPath", m.DestinationPath);
    s.write("HelpLanguage", m.czechHelp() ? "CZ" : "EN");
    const auto writeOpt = [&](const char* key, const std::optional<double>& v) {
        if (v)
            s.write(key, formatFloatFull(*v));
    };
    writeOpt("Image1_YMin", m.Image1_YMin);
    writeOpt("Image1_YMax", m.Image1_YMax);
    writeOpt("Image2_YMin", m.Image2_YMin);
    writeOpt("Image2_YMax", m.Image2_YMax);
    s.write("FromID", std::to_string(m.FromID));
    s.write("ToID", std::to_string(m.ToID));
}

void writeExportDir(SettingsBackend& s, const std::string& dir) {
    s.write("ExportDir", dir);
}

namespace {
WindowBounds readBounds(const SettingsBackend& s, const std::string& prefix, WindowBounds d) {
    const std::string g = "WindowPos/" + prefix;
    return {parseIntOr(s.read(g + "Left"), d.left), parseIntOr(s.read(g + "Top"), d.top),
            parseIntOr(s.read(g + "Width"), d.width), parseIntOr(s.read(g + "Height"), d.height)};
}
void writeBounds(SettingsBackend& s, const std::string& prefix, const WindowBounds& b) {
    const std::string g = "WindowPos/" + prefix;
    s.write(g + "Left", std::to_string(b.left));
    s.write(g + "Top", std::to_string(b.top));
    s.write(g + "Width", std::to_string(b.width));
    s.write(g + "Height", std::to_string(b.height));
}
} // namespace

WindowPosSettings readWindowPos(const SettingsBackend& s) {
    WindowPosSettings w;
    w.main = readBounds(s, "MainWindow", w.main);
    w.SignalGridHeight = std::max(50, parseIntOr(s.read("WindowPos/SignalGridHeight"), 200));
    w.Image1Height = std::max(50, parseIntOr(s.read("WindowPos/Image1Height"), 200));
    w.scrMon = readBounds(s, "ScrMonForm", w.scrMon);
    return w;
}

void writeWindowPos(SettingsBackend& s, const WindowPosSettings& w) {
    writeBounds(s, "MainWindow", w.main);
    s.write("WindowPos/SignalGridHeight", std::to_string(w.SignalGridHeight));
    s.write("WindowPos/Image1Height", std::to_string(w.Image1Height));
    writeBounds(s, "ScrMonForm", w.scrMon);
}

std::string slotKey(int slot) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "Signals/%03d", slot);
    return buf;
}

void readSlotSettings(const SettingsBackend& s, SignalStore& store) {
    for (int n = 1; n <= kSlotCount; ++n) {
        const std::string k = slotKey(n);
        store[n].DecPlaces = parseIntOr(s.read(k + "/DecPlaces"), kDefaultDecPlaces);
        store[n].SigColor = static_cast<Colour>(
            parseIntOr(s.read(k + "/SigColor"), static_cast<int>(defaultSigColor(n))));
    }
}

void writeSlotSettings(SettingsBackend& s, const SignalStore& store) {
    for (int n = 1; n <= kSlotCount; ++n) {
        const std::string k = slotKey(n);
        s.write(k + "/DecPlaces", std::to_string(store[n].DecPlaces));
        s.write(k + "/SigColor", std::to_string(static_cast<int>(store[n].SigColor)));
    }
}

} // namespace mv

namespace mv {
void fitLayoutHeights(WindowPosSettings& w, int controlPanelHeight) {
    if (controlPanelHeight + w.SignalGridHeight + w.Image1Height > w.main.height - 200) {
        w.SignalGridHeight = 200;
        w.Image1Height = 200;
    }
}
std::string devNoKey(int n) {
    return "DevFn/DevNo" + std::to_string(n);
}

DevFnSettings readDevFn(const SettingsBackend& s) {
    DevFnSettings d;
    if (const auto bytes = s.readBytes("DevFn/DevChannelSet"))
        for (size_t r = 0; r < d.save.size() && r < bytes->size(); ++r)
            d.save[r] = (*bytes)[r] == '1';
    if (const auto f = s.read("DevFn/QYTL_filter"))
        d.QYTL_filter = parseWholeFinite(*f) ? std::string(trimBlanks(*f)) : "0";
    for (int n = 1; n <= kDevFnRows; ++n) {
        auto& w = d.wheels[static_cast<size_t>(n - 1)];
        const std::string k = devNoKey(n) + "/";
        w.WheelName = s.read(k + "WheelName").value_or("");
        w.Zeroing = s.read(k + "Zeroing").value_or("");
        w.HP = s.read(k + "HP").value_or("");
        w.LP = s.read(k + "LP").value_or("");
        w.Proceed = s.read(k + "Proceed").value_or("");
    }
    return d;
}

void writeDevFn(SettingsBackend& s, const DevFnSettings& d) {
    std::string bytes(d.save.size(), '\0');
    for (size_t r = 0; r < d.save.size(); ++r)
        if (d.save[r])
            bytes[r] = '1';
    s.writeBytes("DevFn/DevChannelSet", bytes);
    s.write("DevFn/QYTL_filter", d.QYTL_filter);
    for (int n = 1; n <= kDevFnRows; ++n) {
        const auto& w = d.wheels[static_cast<size_t>(n - 1)];
        const std::string k = devNoKey(n) + "/";
        s.write(k + "WheelName", w.WheelName);
        s.write(k + "Zeroing", w.Zeroing);
        s.write(k + "HP", w.HP);
        s.write(k + "LP", w.LP);
        s.write(k + "Proceed", w.Proceed);
    }
}

} // namespace mv
