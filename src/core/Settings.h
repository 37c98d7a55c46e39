#pragma once
// Persisted settings as the engine sees them: a flat store of text values under
// "Group/Sub/Name" keys, the parsing rules every value follows, and the values
// of the main key, the window layout and the per-slot settings.
#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mv {

class SignalStore;

// Where settings live. The application uses an INI file; tests use memory.
class SettingsBackend {
public:
    virtual ~SettingsBackend() = default;
    virtual std::optional<std::string> read(const std::string& key) const = 0;
    virtual void write(const std::string& key, const std::string& value) = 0;
    // Binary values (DevChannelSet) as raw bytes.
    virtual std::optional<std::string> readBytes(const std::string& key) const = 0;
    virtual void writeBytes(const std::string& key, const std::string& bytes) = 0;
};

class MemorySettings final : public SettingsBackend {
public:
    std::optional<std::string> read(const std::string& key) const override;
    void write(const std::string& key, const std::string& value) override;
    std::optional<std::string> readBytes(const std::string& key) const override;
    void writeBytes(const std::string& key, const std::string& bytes) override;
    std::map<std::string, std::string> values;
};

// Integer with a default: the whole text (spaces around allowed) must be an int32.
int parseIntOr(const std::optional<std::string>& text, int dflt);
// Float parsed strictly with '.' as separator; anything else ("4000,5", "", "1e")
// gives the default text parsed the same way.
double parseFloatStrict(const std::optional<std::string>& text, std::string_view dfltText);
// Shortest text with '.' that reads back to the same double ("4000", "0.1", "1e-300").
std::string formatFloatFull(double v);
// Fixed-point text with '.' and the given number of decimals.
std::string formatFixed(double v, int decimals);

inline constexpr double kFProcessMin = 100.0;
inline constexpr double kFProcessMax = 1000000.0;

// "f process [Hz]" as typed, in the user's notation ("2,5e3" is 2500 with ','): a number
// in 100 .. 1000000, nothing otherwise.
std::optional<double> parseFProcess(std::string_view text, char decimalSep = '.');

struct WindowBounds {
    int left = 1;
    int top = 1;
    int width = 1920;
    int height = 1080;
    bool operator==(const WindowBounds&) const = default;
};

struct MonitorRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Keeps saved bounds only when they lie on some monitor, so a window can never come
// back off-screen; otherwise (1, 1, 1920, 1080).
WindowBounds checkOnMonitors(const WindowBounds& b, const std::vector<MonitorRect>& monitors);

// Values of the main key.
struct MainSettings {
    std::string HelpLanguage = "EN";
    std::string DestinationPath;
    int SaveDivPreset = 1;
    double dfltSampl_f = 4000.0;
    int ActivePageIndex = 0;
    bool CreateSignalBackUp = true;
    bool KeepOrigSigName = false;
    int FillSigNo = 0;
    double FillSigValue = 0.0;
    int LoadFileFormat = 0;
    int SaveFileFormat = 0;
    int FromID = 1;
    int ToID = 1;
    // Value ranges of the two graphs; absent keys keep the graph's own range.
    std::optional<double> Image1_YMin, Image1_YMax, Image2_YMin, Image2_YMax;
    std::string ExportDir;

    bool czechHelp() const { return HelpLanguage == "CZ"; }
};

struct WindowPosSettings {
    WindowBounds main{1, 1, 1920, 1080};
    int SignalGridHeight = 200;
    int Image1Height = 200;
    WindowBounds scrMon{10, 10, 1600, 1200};
};

// Values read at creation (the "create" column) and at first activation.
void readMainAtCreate(const SettingsBackend& s, MainSettings& m);
void readMainAtActivation(const SettingsBackend& s, MainSettings& m);
void writeMain(SettingsBackend& s, const MainSettings& m);
void writeExportDir(SettingsBackend& s, const std::string& dir);

WindowPosSettings readWindowPos(const SettingsBackend& s);
void writeWindowPos(SettingsBackend& s, const WindowPosSettings& w);

// "Signals/001" .. "Signals/200": DecPlaces and SigColor of every slot.
std::string slotKey(int slot);
void readSlotSettings(const SettingsBackend& s, SignalStore& store);
void writeSlotSettings(SettingsBackend& s, const SignalStore& store);

// The wheelset tables: the "Save" marks of the device function table, the QYTL
// output filter text and the wheel table's cells per device (DevFn, DevFn/DevNo<n>).
inline constexpr int kDevFnRows = 32;
struct WheelRowSettings {
    std::string WheelName, Zeroing, HP, LP, Proceed;
    bool operator==(const WheelRowSettings&) const = default;
};
struct DevFnSettings {
    std::array<bool, kDevFnRows> save{}; // DevChannelSet: byte r - 1 is '1' when row r saves
    std::string QYTL_filter = "0";
    std::array<WheelRowSettings, kDevFnRows> wheels{}; // [n - 1] for device n
    bool operator==(const DevFnSettings&) const = default;
};
// "DevFn/DevNo5" for device 5.
std::string devNoKey(int n);
// Absent values leave the defaults: no Save mark, filter "0", empty wheel cells. A
// stored filter that is not a number restores as "0".
DevFnSettings readDevFn(const SettingsBackend& s);
void writeDevFn(SettingsBackend& s, const DevFnSettings& d);

} // namespace mv

namespace mv {
// The Signal table and the upper graph keep their saved heights only when, with the
// control panel, they leave 200 pixels of the window for the rest; otherwise both
// become 200.
void fitLayoutHeights(WindowPosSettings& w, int controlPanelHeight);
} // namespace mv
