#include "AppIcons.h"

#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QString>

QIcon IconOf(const QString& name) {
    // Menus draw 16 pixels, the toolbar 24, the About box 32, and twice those on a scaled
    // screen: each is drawn from a picture of its own size, never scaled.
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64}) {
        QImageReader reader(QStringLiteral(":/icons/%1-%2.png").arg(name).arg(size), "png");
        // Otherwise Qt asks every image plugin whether it reads PNG, loading them all (and the
        // libraries they need), before it reads PNG itself.
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return icon;
}
