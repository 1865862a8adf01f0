#include "platform/Bitmap.h"

#include <QImageReader>
#include <QString>

// Resources compiled into a static library are only registered when something refers to them.
static void RegisterBitmapResources() {
    Q_INIT_RESOURCE(bitmaps);
}

QImage ReadResourceImage(const QString& path, const char* format) {
    // The format is known: without detection the reader goes straight to Qt's own decoder
    // instead of first asking every image plug-in whether it claims the format.
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

CBitmap LoadBitmap(int id) {
    static const bool registered = (RegisterBitmapResources(), true);
    (void)registered;
    QImage image = ReadResourceImage(QStringLiteral(":/bitmaps/%1.bmp").arg(id), "bmp");
    return image.isNull() ? CBitmap() : CBitmap(id, std::move(image));
}
