// mvt-wheelsim DIR [--ma-len N] [--stand-seconds S] [--run-seconds S] [--speeds V,V,...]
//                  [--noise MVV]
// Writes a simulated measuring wheelset: DIR/Log.xlsx (sheets Log, Ini, CalibrWS) and one
// test folder per run; prints one line per test: ID, kind, rev/s, samples, folder.
#include "wheelsim/WheelsetWorkspace.h"

#include <cstdlib>
#include <exception>
#include <iostream>
#include <sstream>
#include <string>

namespace {
int usage() {
    std::cerr << "usage: mvt-wheelsim DIR [--ma-len N] [--stand-seconds S] [--run-seconds S]"
                 " [--speeds V,V,...] [--noise MVV]\n";
    return 2;
}

bool number(const char* text, double& v) {
    char* end = nullptr;
    v = std::strtod(text, &end);
    return end != text && *end == '\0';
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-')
        return usage();
    mv::wheelsim::WheelsetOptions o;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc)
            return usage();
        const char* v = argv[++i];
        double x = 0;
        if (a == "--speeds") {
            o.runSpeeds.clear();
            std::stringstream ss(v);
            std::string item;
            while (std::getline(ss, item, ','))
                if (!number(item.c_str(), x) || x == 0)
                    return usage();
                else
                    o.runSpeeds.push_back(x);
            continue;
        }
        if (!number(v, x))
            return usage();
        if (a == "--ma-len" && x >= 1 && x <= 41)
            o.maLen = static_cast<int>(x);
        else if (a == "--stand-seconds" && x >= 20)
            o.standSeconds = x;
        else if (a == "--run-seconds" && x > 1)
            o.runSeconds = x;
        else if (a == "--noise" && x >= 0)
            o.noise = x;
        else
            return usage();
    }
    try {
        for (const auto& t : mv::wheelsim::writeWheelsetWorkspace(argv[1], o))
            std::cout << t.id << "\t" << (t.stand ? "stand" : "track") << "\t" << t.revPerSecond
                      << "\t" << t.samples << "\t" << t.folder.string() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "mvt-wheelsim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
