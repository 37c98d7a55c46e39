// mvt-pngstats FILE.png [RRGGBB...]: the picture's size, its number of distinct colours,
// and for each colour asked for how many pixels have it and on how many rows they lie (a
// flat line is a few rows, a drawn wave many), for the end-to-end tests' scripts.
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
        long long n = 0, rows = 0;
        for (int y = 0; y < image.height(); ++y) {
            long long onRow = 0;
            for (int x = 0; x < image.width(); ++x)
                onRow += (image.pixel(x, y) & 0xFFFFFFu) == want;
            n += onRow;
            rows += onRow > 0;
        }
        std::printf("%s %lld pixels on %lld rows\n", argv[i], n, rows);
    }
    return 0;
}
