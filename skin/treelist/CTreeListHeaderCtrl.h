// The tree list's header: a plain header control that paints nothing of its
// own (the list draws what it needs) and repaints when the mouse leaves it.
#pragma once

#include "framework/CHeaderCtrl.h"

namespace SkinControl
{

class CTreeListHeaderCtrl : public CHeaderCtrl
{
protected:
    void OnPaint() override;
    void OnMouseLeave() override;
};

} // namespace SkinControl
