#include "controls/ArtworkStatic.h"

#include <QWidget>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"

CArtworkStatic::CArtworkStatic(int bitmapId) : m_nBitmapId(bitmapId) {}

void CArtworkStatic::OnSubclassed(QWidget& wnd) {
    IgnoreInput(wnd);
    const CBitmap bitmap = LoadBitmap(ResourceId());
    if (!bitmap.IsNull()) {
        wnd.resize(bitmap.GetSize().cx, bitmap.GetSize().cy);
    }
}

void CArtworkStatic::Draw(CCanvas& dc, const CRect& client) const {
    // Loaded for this drawing only and released at its end.
    const CBitmap bitmap = LoadBitmap(ResourceId());
    if (bitmap.IsNull()) {
        return;
    }
    CMemoryContext memory;
    const CBitmap* previous = memory.SelectBitmap(&bitmap);
    dc.BitBlt({client.left, client.top}, bitmap.GetSize(), memory, {0, 0});
    memory.SelectBitmap(previous);
}
