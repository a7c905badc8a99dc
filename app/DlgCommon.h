// The program's dialogs: skinned, built from an XML layout resource, with
// the program's icon and a title in the caption band and a close button.
#pragma once
#include "skin/CSkinDialog.h"
#include "skin/CXMLToControl.h"

class CDlgCommon : public SkinControl::CSkinDialog, public CXMLToControl
{
public:
    CDlgCommon(const wchar_t* title, int width, int height);
    ~CDlgCommon() override;

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void GetTitleButtonImages(Gdiplus::Image** close, Gdiplus::Image** minimize, int* frameCount) override;
    void DrawBackground(CDC* dc) override;
    void Layout() override;
    virtual void DrawCaption(CDC* dc);

protected:
    void OnDestroy() override;
    // Makes the controls of the XML resource `resourceId`; FALSE without it.
    BOOL LoadLayoutResource(UINT resourceId);

    static const int kCaptionBand = 31;
    HICON m_icon = nullptr;
    CString m_title;
    int m_width = 500;
    int m_height = 400;
};
