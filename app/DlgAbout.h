// The about box: the logo, the program's version and the maker's site.
#pragma once
#include "app/DlgCommon.h"

class CDlgAbout : public CDlgCommon
{
public:
    static const UINT kLayoutId = 133;
    CDlgAbout();
    BOOL OnInitDialog() override;
    void OnControlClicked(XmlControlRecord* record) override;
};
