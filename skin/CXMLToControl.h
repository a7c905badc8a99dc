// Builds a dialog's child controls from an XML layout: the element "frame"
// holds one element per control, whose tag is the control type ("static",
// "hypertext", "button", "check", "radio", "edit", "image") and whose
// attributes give its text, font, id, tab stop, position, size and text
// colours. Clicks and edit changes reach the virtual hooks through OnCommand,
// which the dialog calls from its command handling.
#pragma once

#include "core/XmlDoc.h"
#include "framework/CString.h"
#include "framework/CWnd.h"

#include <vector>

struct XmlControlRecord {
    CWnd* window = nullptr; // owned; null when the control was not made
    int left = 0;
    int top = 0;
    int right = 0;  // left + width
    int bottom = 0; // top + height
    int id = 0;
    int tabstop = 0;
    CString type;
    CString title;
    CString fontName;
    COLORREF normalTextColor = 0;
    COLORREF hoverTextColor = 0;
    COLORREF pressedTextColor = 0;
};

class CXMLToControl
{
public:
    CXMLToControl() = default;
    virtual ~CXMLToControl();
    CXMLToControl(const CXMLToControl&) = delete;
    CXMLToControl& operator=(const CXMLToControl&) = delete;

    // Makes the controls of the layout; FALSE, with none made, when the text
    // does not parse or has no "frame".
    BOOL LoadLayout();
    // The live window of the first control with the id, else null.
    CWnd* GetControl(int id) const;
    // Destroys every control and forgets the records.
    void DestroyControls();
    const std::vector<XmlControlRecord*>& GetControls() const { return m_controls; }

    // Labels are fitted to their text in Font10, push buttons made 68 x 22.
    virtual void AdjustControl(XmlControlRecord* record);
    // Adjusts and places every live control.
    virtual void MoveControls(RECT client);
    // Clicks of buttons and links, and edit changes; TRUE when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual void OnControlClicked(XmlControlRecord*) {}
    virtual void OnEditChanged(XmlControlRecord*) {}
    virtual void ParseControl(CXmlDoc& doc, XmlControlRecord* record);
    virtual CWnd* CreateControl(const CString& type, XmlControlRecord* record);

    CWnd* m_parent = nullptr;
    CString m_layout;

protected:
    // The first record with the id, a live window and one of the types
    // (compared without regard to case); null without one.
    XmlControlRecord* FindLiveRecord(int id, const wchar_t* type1, const wchar_t* type2 = nullptr) const;

    std::vector<XmlControlRecord*> m_controls;
};

// "rgb(r,g,b)" in any letter case as RGB of the numbers' low bytes; a value
// without "rgb", or one that does not give all three numbers, is black.
COLORREF ParseLayoutColor(const CString& text);
