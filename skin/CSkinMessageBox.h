// The program's message box: a skinned modal dialog with the product name
// and icon in its title band, a question or warning icon, the word-wrapped
// text and "确定" or "是"/"否" buttons.
#pragma once

#include "skin/CSkinCommonButton.h"
#include "skin/CSkinDialog.h"

namespace SkinControl
{

class CSkinMessageBox : public CSkinDialog
{
public:
    enum ButtonId { IdFirstButton = 2049, IdSecondButton = 2050 };

    // `type` takes MB_YESNO and the MB_ICON field of the standard flags.
    CSkinMessageBox(const wchar_t* text, UINT type);
    ~CSkinMessageBox() override;

    BOOL OnInitDialog() override;
    BOOL SetRoundWindowRegion(BOOL redraw) override;
    void Layout() override;
    void GetTitleButtonImages(Gdiplus::Image** close, Gdiplus::Image** minimize, int* frameCount) override;
    void DrawBackground(CDC* dc) override;
    void OnCloseButton() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // The text the box shows.
    const CString& GetText() const { return m_text; }

private:
    bool IsYesNo() const { return (m_type & MB_YESNO) == MB_YESNO; }

    UINT m_type;
    CString m_text;
    HICON m_programIcon = nullptr; // owned
    CString m_title;
    HICON m_typeIcon = nullptr; // shared system icon, never destroyed
    CSkinCommonButton m_firstButton;
    CSkinCommonButton m_secondButton;
};

// Shows the box modally and returns the button's IDOK, IDYES, IDNO or
// IDCANCEL; -1 when the box could not be made.
int SkinMessageBox(const wchar_t* text, UINT type);

// Draws the dialogs' frame image "dialog_template.png" over a client
// rectangle whose top is 0; 0 without the image.
int DrawDialogTemplate(CDC* dc, const RECT& rect);

} // namespace SkinControl
