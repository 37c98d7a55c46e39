// Writes the seed inputs of the signal readers into corpus/<target>/ under the folder it
// is given: small files in every load format, made the way the unit tests make their
// fixtures (our own writers for our formats, the recorders' layouts for the others).
// Run by make_corpus.sh; the seeds are kept in the repository, a few KB each.
#include "core/SignalRecord.h"
#include "files/FileHeader.h"
#include "files/MatFile.h"
#include "files/NativeFile.h"
#include "files/TextFiles.h"
#include "support/ByteBuilder.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <tuple>
#include <vector>
#include <zlib.h>

namespace fs = std::filesystem;
using namespace mv;

namespace {

using test::Bytes;

fs::path root;

void put(const std::string& target, const std::string& name, const std::string& bytes) {
    fs::create_directories(root / target);
    std::ofstream(root / target / name, std::ios::binary)
        .write(bytes.data(), std::streamsize(bytes.size()));
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

SignalRecord record(const std::string& name, double fs, int n) {
    SignalRecord r;
    r.SigName = name;
    r.Units = "kN";
    r.f_sampl = fs;
    SampleBuffer b = SampleBuffer::allocate(std::size_t(n));
    for (int i = 0; i < n; ++i)
        b[std::size_t(i)] = float(std::sin(i * 0.3) * 10.0 + i * 0.01);
    r.setData(std::move(b));
    return r;
}

std::string compressedMat(const std::string& plain) {
    const std::string element = plain.substr(128);
    uLongf n = compressBound(element.size());
    std::string z(n, '\0');
    compress(reinterpret_cast<Bytef*>(z.data()), &n, reinterpret_cast<const Bytef*>(element.data()),
             element.size());
    z.resize(n);
    Bytes f;
    f.text(plain.substr(0, 128)).put<std::uint32_t>(15).put<std::uint32_t>(std::uint32_t(z.size()));
    return f.text(z).s;
}

void ownFormats() {
    const fs::path tmp = root / ".tmp";
    fs::create_directories(tmp);
    files::HeaderInfo info;
    info.dateTime = "2026-01-01 12:00:00";
    for (const auto& [name, fsampl, n] : std::vector<std::tuple<std::string, double, int>>{
             {"Q_left", 500.0, 40}, {"Speed", 50.0, 7}}) {
        const SignalRecord r = record(name, fsampl, n);
        const SampleRange all{1, n};
        files::writeNative((tmp / "s.mvn").string(), r, all, 1, info);
        put("native", name + ".mvn", slurp(tmp / "s.mvn"));
        files::writeMat((tmp / "s.mat").string(), r, all, 1, info);
        put("mat", name + ".mat", slurp(tmp / "s.mat"));
        put("mat", name + "-z.mat", compressedMat(slurp(tmp / "s.mat")));
        fs::remove(tmp / "s.txt");
        files::writeAscii((tmp / "s.txt").string(), r, all, 1, false);
        put("ascii", name + ".txt", slurp(tmp / "s.txt"));
        fs::remove(tmp / "s.dat");
        files::writeRaw((tmp / "s.dat").string(), r, all, 1, false);
        put("raw", name + ".dat", slurp(tmp / "s.dat"));
    }
    put("ascii", "two-columns.txt", "0.0 1.5\n0.1 2.5\n0.2 -3\n");
    fs::remove_all(tmp);
}

std::string bkcFile(int C, int N, const std::string& xml) {
    const std::uint16_t H = static_cast<std::uint16_t>(180 + xml.size() + 4);
    Bytes b;
    b.zeros(22).put<std::uint16_t>(std::uint16_t(xml.size())).padTo(44);
    b.put<std::uint16_t>(H).padTo(180).text(xml).padTo(H);
    b.zeros(16).put<std::int32_t>(N).zeros(8).put<std::uint8_t>(std::uint8_t(C)).zeros(3);
    b.zeros(20 * std::size_t(C));
    for (int i = 0; i < C; ++i)
        for (int k = 0; k < N; ++k)
            b.put(float(i * 100 + k));
    return b.s;
}

std::string riff(const std::vector<std::pair<std::string, std::string>>& chunks) {
    Bytes b;
    b.text("RIFF").put<std::uint32_t>(0).text("WAVE");
    for (const auto& [id, data] : chunks) {
        b.text(id).put<std::uint32_t>(std::uint32_t(data.size())).text(data);
        if (data.size() % 2)
            b.zeros(1);
    }
    return b.s;
}

std::string wavFmt(std::uint16_t tag, std::uint16_t ch, std::uint32_t rate, std::uint16_t bits) {
    Bytes b;
    b.put(tag)
        .put(ch)
        .put(rate)
        .put<std::uint32_t>(rate * ch * bits / 8)
        .put<std::uint16_t>(std::uint16_t(ch * bits / 8))
        .put(bits);
    return b.s;
}

std::string ptiFile(const std::string& setup, int C, int blocks) {
    Bytes b;
    b.zeros(4).put<std::int32_t>(std::int32_t(setup.size())).zeros(1).text(setup);
    b.padTo(setup.size() + 20);
    for (int j = 0; j < blocks; ++j)
        for (int k = 1; k <= C; ++k) {
            b.zeros(16);
            for (int i = 0; i < 2048; ++i)
                b.put<std::int32_t>(k * 10000 + j * 2048 + i);
        }
    return b.s;
}

void foreignFormats() {
    const std::string xml = "<?xml version=\"1.0\"?><Recording><SignalName>no</SignalName>"
                            "<Signal id=\"1\"><Recorded>True</Recorded><Name>Mic 1</Name>"
                            "<PhysicalQuantity>Pa</PhysicalQuantity></Signal>"
                            "<Signal id=\"2\"><Recorded>True</Recorded><Name>Acc</Name>"
                            "<PhysicalQuantity>m/s^2</PhysicalQuantity></Signal></Recording>";
    put("bkc", "two.bkc", bkcFile(2, 20, xml));

    put("bkcsv", "two.csv",
        "Fs 2048.000\r\nChannels 2\r\nx\r\nSamples 3\r\n\r\n\r\n\r\n\r\nL,R\r\n"
        "\r\n\r\n\r\n\r\n1.5,2\r\n3,4,99\r\n5\r\n");

    Bytes pcm;
    for (int i = 0; i < 40; ++i)
        pcm.put<std::int16_t>(std::int16_t(i - 20)).put<std::int16_t>(std::int16_t(-i));
    put("bkwav", "pcm16.wav",
        riff({{"fmt ", wavFmt(1, 2, 100, 16)}, {"bkdk", std::string(40, '\0')}, {"data", pcm.s}}));
    Bytes fl;
    for (int i = 0; i < 30; ++i)
        fl.put(float(i) * 0.5f);
    put("bkwav", "float.wav", riff({{"fmt ", wavFmt(3, 1, 2000, 32)}, {"data", fl.s}}));

    // One block of 2048 samples per channel: the smallest file the reader takes.
    put("pti", "run.pti",
        ptiFile("Version=2.00.000\nSampleFrequency=4096,5\nNoChannels=2\n"
                "[Channel 1]\nSignalName=Left\nUnit=N\nCorrectionFactor=65536\n"
                "SampleFrequency=1024\n[Channel 2]\nSignalName=Right\nUnit=kN\n"
                "CorrectionFactor=131072\n[SETUP STOP]\n",
                2, 1));

    for (const int C : {4, 7}) {
        std::string s = "% IWT4 raw\r\n% second comment\r\n";
        for (int row = 0; row < 4; ++row) {
            s += "t\t" + std::to_string(row) + "\tx";
            for (int k = 1; k <= C; ++k)
                s.append("\t").append(std::to_string(row * 10 + k)).append(".5");
            s += "\r\n";
        }
        put("interfleet", "iwt4-" + std::to_string(C) + ".txt", s);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: fuzz_make_seeds DIR (the tests/fuzz folder)\n";
        return 2;
    }
    root = fs::path(argv[1]) / "corpus";
    ownFormats();
    foreignFormats();
    return 0;
}
