// The settings dialog's edit box in which the user presses the hotkey
// instead of typing it.
#pragma once
#include "framework/CEdit.h"

class CHotKeyEdit : public CEdit
{
public:
    BOOL PreTranslateMessage(MSG* msg) override;
};
