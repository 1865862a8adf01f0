#pragma once

#include <QImage>

#include "platform/native/Rect.h"

// A bitmap from the application's resources. Loaded for one drawing and released with it.
class CBitmap {
public:
    CBitmap() = default;
    CBitmap(int id, QImage image) : m_nId(id), m_image(std::move(image)) {}

    bool IsNull() const { return m_image.isNull(); }
    int GetId() const { return m_nId; }
    CSize GetSize() const { return {m_image.width(), m_image.height()}; }
    const QImage& GetImage() const { return m_image; }

private:
    int m_nId = 0;
    QImage m_image;
};

// An image of a known format (lower case, "png", "bmp") from a file or resource; null if
// unreadable.
QImage ReadResourceImage(const QString& path, const char* format);

// Bitmap id is the resource ":/bitmaps/<id>.bmp"; a null bitmap when there is none.
CBitmap LoadBitmap(int id);
