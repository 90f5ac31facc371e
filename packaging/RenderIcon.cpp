// Renders an SVG picture as a square PNG of the given size, for the icon theme's fixed-size
// folders, or as raw pixels for the window's own pictures when the output's name ends in
// .rgba: size x size pixels of 4 bytes, R G B A, alpha premultiplied, row after row, which the
// window shows without decoding anything. Run at build time: render-icon SVG SIZE OUTPUT.
// Exit status 0, or 1 when the picture can't be read or the output can't be written.

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: render-icon SVG SIZE PNG\n", stderr);
        return 1;
    }
    // Images need no window system: this runs on build machines without a display.
    QCoreApplication app(argc, argv);
    const int size = std::atoi(argv[2]);
    if (size <= 0) {
        std::fprintf(stderr, "render-icon: size must be a positive number of pixels, not '%s'\n",
                     argv[2]);
        return 1;
    }
    // Rendering at the target size, rather than scaling one large bitmap down, keeps thin
    // strokes sharp at 16 pixels.
    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    reader.setScaledSize(QSize(size, size));
    const QImage image = reader.read();
    if (image.isNull()) {
        std::fprintf(stderr, "render-icon: can't read %s: %s\n", argv[1],
                     qPrintable(reader.errorString()));
        return 1;
    }
    const QString output = QString::fromLocal8Bit(argv[3]);
    if (output.endsWith(QStringLiteral(".rgba"))) {
        const QImage pixels = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
        QFile file(output);
        const auto bytes = static_cast<qint64>(pixels.width()) * pixels.height() * 4;
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char*>(pixels.constBits()), bytes) != bytes) {
            std::fprintf(stderr, "render-icon: can't write %s\n", argv[3]);
            return 1;
        }
        return 0;
    }
    if (!image.convertToFormat(QImage::Format_ARGB32).save(output, "PNG")) {
        std::fprintf(stderr, "render-icon: can't write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
