#include "AppIcons.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QResource>
#include <QString>

QIcon IconOf(const QString& name) {
    // Menus draw 16 pixels, the toolbar 24, the About box 32, and twice those on a scaled
    // screen: each is drawn from a picture of its own size, never scaled.
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64}) {
        const QResource pixels(QStringLiteral(":/icons/%1-%2.rgba").arg(name).arg(size));
        if (pixels.size() != qint64{size} * size * 4 ||
            pixels.compressionAlgorithm() != QResource::NoCompression)
            continue;
        // The resource's own bytes, copied once into the pixmap.
        const QImage image(pixels.data(), size, size, size * 4,
                           QImage::Format_RGBA8888_Premultiplied);
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
