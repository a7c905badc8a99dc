// Paints the quick-link list's scroll bar from the skin images, answering
// the scroll-bar library's custom-draw notification.
#pragma once
#include "framework/coolsb/CoolSB.h"

// CDRF_DODEFAULT (0) after painting, CDRF_SKIPDEFAULT (4) when the item was
// painted here or is left blank.
LRESULT DrawCoolScrollbar(NMCSBCUSTOMDRAW* draw);
