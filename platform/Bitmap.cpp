#include "platform/Bitmap.h"

#include <QString>

// Resources compiled into a static library are only registered when something refers to them.
static void RegisterBitmapResources() {
    Q_INIT_RESOURCE(bitmaps);
}

CBitmap LoadBitmap(int id) {
    static const bool registered = (RegisterBitmapResources(), true);
    (void)registered;
    QImage image(QStringLiteral(":/bitmaps/%1.bmp").arg(id));
    return image.isNull() ? CBitmap() : CBitmap(id, std::move(image));
}
