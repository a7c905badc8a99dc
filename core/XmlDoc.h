// A lenient XML reader for layouts, update.xml and the message feed.  The
// document is indexed, not copied: each element is one fixed-size record of
// offsets into the text.  A malformed document is indexed as far as it can
// be read, flagged as not well-formed, and the first error is kept.
//
// The text may come from the network: parsing uses no recursion, and every
// read of the text is bounds-checked.
#pragma once

#include "framework/CString.h"

#include <vector>

class CXmlDoc
{
public:
    CXmlDoc();

    // Replaces the document and parses it; true when well-formed.
    bool SetDoc(const wchar_t* text);
    // Parses the current document again; true when well-formed.  An error
    // text is appended to what GetResult already held.
    bool Parse();
    // The first error of the parse ("Empty document", "No root element",
    // ...); empty when the document is well-formed.
    const CString& GetResult() const { return result; }

    // Moves to the next sibling element with the tag (any element when tag
    // is null or empty); the first call after a parse or EnterElement looks
    // at the first child.  False, with the position unchanged, when there
    // is none.
    bool FindElement(const wchar_t* tag = nullptr);
    // Makes the current element the parent level; false without one.
    bool EnterElement();
    // The current element's tag name; empty without one.
    CString GetNodeName() const;
    // The current element's position (0 = none), for GetAttribute.
    int GetCurrentPosition() const { return currentElement; }

    // The decoded value of the attribute of the element at the position;
    // empty when the position is 0 or the attribute is absent.  A bare
    // attribute (no "=") gives its own name.
    CString GetAttribute(int position, const wchar_t* name) const;
    CString GetCurrentAttribute(const wchar_t* name) const { return GetAttribute(currentElement, name); }

    // Decodes character references and named entities (HTML 4.01's and
    // &apos;) in length characters of text (-1: up to the terminator).
    // Unknown or malformed references stay as written.
    static CString DecodeEntities(const wchar_t* text, int length = -1);

private:
    // One element.  Fields are whole ints: no packing that long tags or
    // deep nesting could overflow.
    struct ElementPos {
        int start = 0;  // offset of its "<"
        int length = 0; // up to the end of its end tag (the start tag when it has none)
        int startTagLength = 0;
        int endTagLength = 0;
        int level = 0;
        int flags = 0;
        int parent = 0;
        int firstChild = 0;
        int nextSibling = 0;
        int prevSibling = 0; // for a first child: the parent's last child
    };
    struct Token;
    struct OpenElement;

    ElementPos& Pos(int position);
    const ElementPos& Pos(int position) const;
    int NewPosition();
    void AppendChild(int parent, int position);
    void CloseUnended(int position);
    void ParseElements(CString& message);
    Token NextToken(int offset) const;
    Token ScanStartTag(int offset) const;
    Token ScanDoctype(int offset) const;
    int NameEnd(int offset) const;
    bool NameMatches(int offset, const wchar_t* name) const;
    bool IsWellFormed() const;
    void ResetNavigation();

    CString document;
    CString result;
    int currentParent = 0;
    int currentElement = 0;
    int currentChild = 0;
    int usedPositions = 0;
    int nodeType = 0; // 1 = element, 0 = none

    // Records in pages of 65536, so that growing never moves a full page.
    std::vector<std::vector<ElementPos>> pages;
};
