// The in-place editor that renames a group or a link over its row in the
// quick-link list. Enter and a click elsewhere commit, Escape cancels; an
// empty name keeps the editor open.
#pragma once

#include "skin/CWindowlessRichEdit.h"

#include <functional>

class CQuickLinkReNameEdit : public SkinControl::CWindowlessRichEdit
{
public:
    // Gaps around the text, in pixels: the editor is this much wider than its
    // text and stays this far from the list's right edge.
    static const int kTextMargin = 18;
    static const int kListMargin = 8;

    // Stores the new name of the row under rename (the list does this): 1
    // when the editor may close, 0 when it must stay open.
    void SetCommitHandler(std::function<int(const CString&)> commit) { m_commit = std::move(commit); }

    // Shows the editor over `rect` (the list's coordinates) with `text`, all
    // of it selected.
    void BeginEdit(const CString& text, const RECT& rect);
    void Commit();
    // Hides the editor without storing anything.
    void EndEdit();
    BOOL IsEditing() const { return m_editing; }

    HRESULT OnTextNotify(DWORD code, void* data) override;
    LRESULT OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FitWidthToText();

    std::function<int(const CString&)> m_commit;
    bool m_editing = false;
    // Set while the editor hides itself: the focus loss that hiding causes
    // is no commit.
    bool m_ending = false;
};
