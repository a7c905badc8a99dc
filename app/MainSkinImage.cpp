#include "app/MainSkinImage.h"

#include "framework/CDC.h"
#include "skin/CSkinRes.h"

SIZE BitmapSize(HBITMAP bitmap)
{
    BITMAP info = {};
    if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info))
        return {0, 0};
    return {info.bmWidth, info.bmHeight};
}

HBITMAP FillMainBackground(CDC* dc, const RECT& client)
{
    dc->FillSolidRect(client, RGB(255, 255, 255));
    return SkinControl::CSkinRes::GetBitmap(L"MainFrame.png");
}
