// The artwork files as the resources carry them.
#include <gtest/gtest.h>

#include <QFile>
#include <QResource>
#include <QtEndian>
#include <set>

#include "platform/Bitmap.h"
#include "platform/QtColor.h"

TEST(ArtworkBitmaps, FourBitPalettedAtTheirSizesInTheirColours) {
    const COLORREF black = MakeRgb(0, 0, 0), white = MakeRgb(255, 255, 255);
    const COLORREF dark = MakeRgb(128, 128, 128), light = MakeRgb(192, 192, 192);
    struct Case {
        int id, width, height;
        std::set<COLORREF> colours;
    };
    for (const Case& c : {Case{104, 103, 24, {black, white, light}},
                          Case{105, 77, 41, {black, white, dark, light}}}) {
        const CBitmap bitmap = LoadBitmap(c.id);
        ASSERT_FALSE(bitmap.IsNull()) << c.id;
        QFile file(QStringLiteral(":/bitmaps/%1.bmp").arg(c.id));
        // Read at every start and paint: unpacking them would cost the decompressor's code.
        EXPECT_EQ(QResource(file.fileName()).compressionAlgorithm(), QResource::NoCompression);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.read(54);
        const auto* header = reinterpret_cast<const uchar*>(bytes.constData());
        ASSERT_EQ(bytes.left(2), QByteArray("BM"));
        EXPECT_EQ(qFromLittleEndian<qint32>(header + 18), c.width);
        EXPECT_EQ(qFromLittleEndian<qint32>(header + 22), c.height);
        EXPECT_EQ(qFromLittleEndian<quint16>(header + 28), 4) << "bits per pixel";
        EXPECT_EQ(qFromLittleEndian<quint32>(header + 30), 0u) << "uncompressed";
        EXPECT_EQ(qFromLittleEndian<quint32>(header + 46) % 16, 0u) << "16 colours (or 0: all)";

        std::set<COLORREF> seen;
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                seen.insert(FromQColor(bitmap.GetImage().pixelColor(x, y)));
            }
        }
        EXPECT_EQ(seen, c.colours) << c.id;
    }
}
