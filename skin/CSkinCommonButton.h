// The push button, check box and radio button of the dialogs: the skinned
// button's behaviour with the dialogs' own images, Font9 and black text.
#pragma once

#include "skin/CSkinButtonEx.h"

namespace SkinControl
{

class CSkinCommonButton : public CSkinButtonEx
{
public:
    void DrawPushButton(CDC* dc, int left, int top, int right, int bottom, UINT itemState) override;
    void DrawRadioButton(CDC* dc, int left, int top, int right, int bottom, UINT itemState) override;
    void DrawCheckBox(CDC* dc, int left, int top, int right, int bottom, UINT itemState) override;

private:
    // The check box and radio button: the state's frame of an image of
    // `frameCount` frames side by side, and the label right of it.
    void DrawMarkAndLabel(CDC* dc, const CRect& client, UINT itemState, const wchar_t* imageName,
                          int frameCount);
    void DrawFocusFrame(CDC* dc, const CRect& frame);
};

} // namespace SkinControl
