// Our files against independent tools: scipy and Octave read the MAT-files we
// write and write the vectors we read; sox makes the PCM WAV files.
#include "files/FilesTestSupport.h"
#include "files/SaveSlot.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <sstream>

namespace mv {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

std::uint32_t bitsOf(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

// "key=value" lines of a tool's output.
std::map<std::string, std::string> keyValues(const std::string& out) {
    std::map<std::string, std::string> kv;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            kv[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return kv;
}

// Writes a signal with awkward samples (odd count, extremes, a subnormal) as a MAT-file.
std::vector<float> writeOurMat(const test::TempDir& dir) {
    const std::vector<float> v = {0.1f,     -1e-7f, 3.4e38f, -3.4e38f, 1e-40f,
                                  123.456f, 0.0f,   -0.0f,   42.0f};
    SignalStore store;
    CaptureLog log;
    store[1] = test::makeRecord("Force_Q1", 1024.5, v);
    store[1].Units = "kN";
    store[1].Sens_type = "strain gauge bridge";
    store[1].Sig_note = "wheel 1, left";
    files::SaveContext ctx{log, {}};
    EXPECT_EQ(
        files::SaveSlot(
            store,
            {.slot = 1, .T2 = kInf, .saveDiv = 1, .dir = dir.dir(), .format = SaveFormat::MatlabV6},
            ctx),
        files::SaveStatus::Written);
    return v;
}

std::string bitsText(const std::vector<float>& v) {
    std::string s;
    for (float f : v)
        s.append(s.empty() ? "" : " ").append(std::to_string(bitsOf(f)));
    return s;
}

void expectOurFields(const std::map<std::string, std::string>& kv, const std::vector<float>& v) {
    EXPECT_EQ(kv.at("fields"), "f_sampl f_proc ID Units Sens_type Sig_note Padding Data");
    EXPECT_EQ(kv.at("f_sampl"), "1024.5");
    EXPECT_EQ(kv.at("f_proc"), "0");
    EXPECT_EQ(kv.at("ID"), "0");
    EXPECT_EQ(kv.at("Units"), "kN");
    EXPECT_EQ(kv.at("Sens_type"), "strain gauge bridge");
    EXPECT_EQ(kv.at("Sig_note"), "wheel 1, left");
    EXPECT_EQ(kv.at("Data"), bitsText(v));
    EXPECT_EQ(kv.at("shape"), std::to_string(v.size()) + " 1");
}

// What the vectors written by the tools hold, by type: the same formulas on both sides.
struct VectorCase {
    std::string type; // double single int16 uint8
    std::string name;
};
std::vector<VectorCase> vectorCases() {
    std::vector<VectorCase> c;
    for (const char* t : {"double", "single", "int16", "uint8"})
        for (const char* n : {"v", "abcd", "abcdefgh"})
            c.push_back({t, std::string(1, t[0]).append(n + 1)});
    return c;
}
std::vector<float> expectedValues(const std::string& type) {
    if (type == "double") {
        std::vector<float> v;
        for (int k = 0; k < 11; ++k)
            v.push_back(static_cast<float>(0.1 * k - 3.0));
        v.push_back(static_cast<float>(1.0 / 3.0));
        return v;
    }
    if (type == "single")
        return {0.1f, -2.5f, 1e30f, 7.0f};
    if (type == "int16")
        return {-32768, -1, 0, 1, 32767, 100};
    return {0, 1, 127, 128, 255};
}

void expectVectors(const test::TempDir& dir, const std::string& prefix) {
    for (const auto& c : vectorCases()) {
        SCOPED_TRACE(prefix + c.name);
        test::Loader l;
        const auto r = l.load(dir, {prefix + c.name + ".mat"}, LoadFormat::MatlabV6);
        EXPECT_EQ(r.filled, 1);
        EXPECT_EQ(l.store[1].SigName, c.name);
        EXPECT_EQ(l.samples(1), expectedValues(c.type));
        EXPECT_TRUE(l.log.lines.empty()) << l.log.lines.front().text;
    }
}

TEST(MatInterop, Scipy) {
    MV_REQUIRE_TOOL(test::debianPython());
    test::TempDir dir;
    const auto v = writeOurMat(dir);
    const std::string script = R"PY(
import sys, numpy as np, scipy.io as sio
d = sys.argv[1]
m = sio.loadmat(d + '/Force_Q1.mat')
keys = [k for k in m if not k.startswith('__')]
# The name is written with its own length: no zero bytes after it.
print('names=' + ' '.join(k.replace('\x00', '<NUL>') for k in keys))
s = m[keys[0]][0, 0]
print('fields=' + ' '.join(s.dtype.names))
print('f_sampl=%.17g' % s['f_sampl'][0, 0])
print('f_proc=%.17g' % s['f_proc'][0, 0])
print('ID=%d' % s['ID'][0, 0])
for f in ('Units', 'Sens_type', 'Sig_note'):
    print(f + '=' + (s[f][0] if s[f].size else ''))
data = s['Data']
print('shape=%d %d' % data.shape)
print('dtype=' + str(data.dtype))
print('Data=' + ' '.join(str(x) for x in data.astype(np.float32).ravel().view(np.uint32)))
values = {'double': [0.1 * k - 3.0 for k in range(11)] + [1.0 / 3.0],
          'single': np.array([0.1, -2.5, 1e30, 7.0], dtype=np.float32),
          'int16': np.array([-32768, -1, 0, 1, 32767, 100], dtype=np.int16),
          'uint8': np.array([0, 1, 127, 128, 255], dtype=np.uint8)}
for t in ('double', 'single', 'int16', 'uint8'):
    for n in ('v', 'abcd', 'abcdefgh'):
        name = t[0] + n[1:]
        a = np.asarray(values[t])
        if t == 'double':
            a = np.array(values[t], dtype=np.float64)
        # Column vectors for the longest names, rows for the others.
        sio.savemat(d + '/py_' + name + '.mat', {name: a}, do_compression=False,
                    oned_as='column' if len(n) == 8 else 'row')
        # The same compressed (each variable deflated into a miCOMPRESSED element).
        sio.savemat(d + '/pz_' + name + '.mat', {name: a}, do_compression=True,
                    oned_as='column' if len(n) == 8 else 'row')
print('done=1')
)PY";
    test::writeFile(dir / "t.py", script);
    const auto r = test::runCommand(std::string(test::debianPython()) + " " +
                                    (dir / "t.py").string() + " " + dir.path().string());
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const auto kv = keyValues(r.out);
    ASSERT_EQ(kv.count("done"), 1u) << r.out;
    EXPECT_EQ(kv.at("names"), "Force_Q1");
    EXPECT_EQ(kv.at("dtype"), "float32");
    expectOurFields(kv, v);
    expectVectors(dir, "py_");
    expectVectors(dir, "pz_");
}

TEST(MatInterop, Octave) {
    MV_REQUIRE_TOOL("octave-cli");
    test::TempDir dir;
    const auto v = writeOurMat(dir);
    std::string script = R"OCT(
outdir_ = argv(){1};
loaded_ = load([outdir_ '/Force_Q1.mat']);
n_ = fieldnames(loaded_);
printf('names=%s\n', strjoin(n_', ' '));
x_ = loaded_.(n_{1});
printf('fields=%s\n', strjoin(fieldnames(x_)', ' '));
printf('f_sampl=%.17g\n', x_.f_sampl);
printf('f_proc=%.17g\n', x_.f_proc);
printf('ID=%d\n', x_.ID);
printf('Units=%s\nSens_type=%s\nSig_note=%s\n', x_.Units, x_.Sens_type, x_.Sig_note);
printf('shape=%d %d\n', size(x_.Data, 1), size(x_.Data, 2));
printf('dtype=%s\n', class(x_.Data));
printf('Data=%s\n', strtrim(sprintf('%u ', typecast(x_.Data(:)', 'uint32'))));
vals.double = [(0:10) * 0.1 - 3, 1/3];
vals.single = single([0.1 -2.5 1e30 7]);
vals.int16 = int16([-32768 -1 0 1 32767 100]);
vals.uint8 = uint8([0 1 127 128 255]);
types = {'double', 'single', 'int16', 'uint8'};
names = {'v', 'abcd', 'abcdefgh'};
for t = 1:4
  for k = 1:3
    nm = [types{t}(1) names{k}(2:end)];
    val = vals.(types{t});
    if k == 3
      val = val(:);
    end
    eval([nm ' = val;']);
    save('-v6', [outdir_ '/oct_' nm '.mat'], nm);
    save('-v7', [outdir_ '/o7_' nm '.mat'], nm);
  end
end
printf('done=1\n');
)OCT";
    test::writeFile(dir / "t.m", script);
    const auto r = test::runCommand("octave-cli --norc --no-history -q " + (dir / "t.m").string() +
                                    " " + dir.path().string());
    const auto kv = keyValues(r.out);
    ASSERT_EQ(kv.count("done"), 1u) << r.out;
    EXPECT_EQ(kv.at("names"), "Force_Q1");
    EXPECT_EQ(kv.at("dtype"), "single");
    expectOurFields(kv, v);
    expectVectors(dir, "oct_");
    expectVectors(dir, "o7_");
}

// Version 7.3 files are HDF5 files behind a 512-byte block that starts like a level-5
// header. Octave cannot write them; h5py writes them the way Matlab lays them out:
// one dataset per variable, its class in the MATLAB_class attribute, its dimensions
// reversed.
TEST(MatInterop, Version73FromH5py) {
    MV_REQUIRE_TOOL(test::debianPython());
    test::TempDir dir;
    const std::string script = R"PY(
import sys, numpy as np
try:
    import h5py
except ImportError:
    print('skip=no h5py')
    sys.exit(0)
d = sys.argv[1]
values = {'double': np.array([0.1 * k - 3.0 for k in range(11)] + [1.0 / 3.0]),
          'single': np.array([0.1, -2.5, 1e30, 7.0], dtype=np.float32),
          'int16': np.array([-32768, -1, 0, 1, 32767, 100], dtype=np.int16),
          'uint8': np.array([0, 1, 127, 128, 255], dtype=np.uint8)}
# Matlab's class attribute: a NUL-terminated string type exactly as long as the name,
# written without conversion (a converted one would lose its last letter).
def matlab_class(ds, cls):
    tid = h5py.h5t.C_S1.copy()
    tid.set_size(len(cls))
    tid.set_strpad(h5py.h5t.STR_NULLTERM)
    aid = h5py.h5a.create(ds.id, b'MATLAB_class', tid, h5py.h5s.create(h5py.h5s.SCALAR))
    aid.write(np.array(cls.encode(), dtype='S%d' % len(cls)), mtype=tid)
head = b'MATLAB 7.3 MAT-file, Platform: GLNXA64, Created on: Thu Dec 10 09:00:00 2026 HDF5 schema 1.00 .'
for t in ('double', 'single', 'int16', 'uint8'):
    for n in ('v', 'abcd', 'abcdefgh'):
        name = t[0] + n[1:]
        path = d + '/h73_' + name + '.mat'
        with h5py.File(path, 'w', userblock_size=512) as f:
            a = values[t]
            # Matlab's n x 1 column is a 1 x n dataset; its 1 x n row an n x 1 one.
            shape = (1, a.size) if len(n) == 8 else (a.size, 1)
            ds = f.create_dataset(name, data=a.reshape(shape), compression='gzip' if t == 'double' else None)
            matlab_class(ds, t)
        with open(path, 'r+b') as f:
            f.write(head.ljust(116, b' ') + b'\0' * 8 + b'\x00\x02' + b'IM')
print('done=1')
)PY";
    test::writeFile(dir / "t.py", script);
    const auto r = test::runCommand(std::string(test::debianPython()) + " " +
                                    (dir / "t.py").string() + " " + dir.path().string());
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const auto kv = keyValues(r.out);
    if (kv.count("skip"))
        GTEST_SKIP() << kv.at("skip");
    ASSERT_EQ(kv.count("done"), 1u) << r.out;
    expectVectors(dir, "h73_");
}

TEST(WavInterop, SoxPcmFiles) {
    MV_REQUIRE_TOOL("sox");
    test::TempDir dir;
    for (int bits : {8, 16})
        for (int channels : {1, 2}) {
            SCOPED_TRACE(std::to_string(bits) + " bits, " + std::to_string(channels) + " ch");
            const std::string name = std::string("s")
                                         .append(std::to_string(bits))
                                         .append("_")
                                         .append(std::to_string(channels));
            const std::string wav = (dir / (name + ".wav")).string();
            const std::string raw = (dir / (name + ".raw")).string();
            const std::string synth = channels == 1 ? "sine 440" : "sine 440 square 97";
            auto r = test::runCommand("sox -n -r 8000 -c " + std::to_string(channels) + " -b " +
                                      std::to_string(bits) + " " + wav + " synth 0.05 " + synth +
                                      " vol 0.9");
            ASSERT_EQ(r.exitCode, 0) << r.out;
            // sox decodes its own file into bare interleaved integers: the oracle.
            r = test::runCommand("sox " + wav + " -t raw -e " +
                                 (bits == 8 ? "unsigned" : "signed") + " -b " +
                                 std::to_string(bits) + " " + raw);
            ASSERT_EQ(r.exitCode, 0) << r.out;
            const std::string pcm = test::readFile(raw);
            const std::size_t width = std::size_t(bits / 8);
            const std::size_t frames = pcm.size() / width / std::size_t(channels);
            ASSERT_EQ(frames, 400u);

            test::Loader l;
            ASSERT_EQ(l.load(dir, {name + ".wav"}, LoadFormat::BkWav).filled, channels);
            for (int k = 1; k <= channels; ++k) {
                const SignalRecord& s = l.store[k];
                EXPECT_EQ(s.SigName, name + "." + std::to_string(k));
                EXPECT_EQ(s.f_sampl, 8000.0);
                ASSERT_EQ(s.SampleCount, static_cast<int>(frames));
                int mismatches = 0;
                for (std::size_t i = 0; i < frames; ++i) {
                    const char* p =
                        pcm.data() + (i * std::size_t(channels) + std::size_t(k - 1)) * width;
                    const float expected =
                        bits == 8 ? float(static_cast<unsigned char>(*p))
                                  : float(test::at<std::int16_t>(std::string(p, 2), 0));
                    mismatches += s.Data[i] != expected;
                }
                EXPECT_EQ(mismatches, 0);
            }
        }
}

} // namespace
} // namespace mv
