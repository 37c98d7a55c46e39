// mvt-pngstats FILE.png [RRGGBB...]: the picture's size, its number of distinct colours,
// and how many pixels have each colour asked for, for the end-to-end tests' scripts.
#include <QImage>
#include <QSet>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: mvt-pngstats FILE.png [RRGGBB...]\n");
        return 2;
    }
    QImage image(QString::fromLocal8Bit(argv[1]));
    if (image.isNull()) {
        std::fprintf(stderr, "mvt-pngstats: cannot read %s\n", argv[1]);
        return 1;
    }
    image = image.convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y) & 0xFFFFFFu);
    std::printf("size %d %d\ncolours %lld\n", image.width(), image.height(),
                static_cast<long long>(colours.size()));
    for (int i = 2; i < argc; ++i) {
        bool ok = false;
        const QRgb want = QString::fromLatin1(argv[i]).toUInt(&ok, 16);
        if (!ok)
            return 2;
        long long n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += (image.pixel(x, y) & 0xFFFFFFu) == want;
        std::printf("%s %lld\n", argv[i], n);
    }
    return 0;
}
