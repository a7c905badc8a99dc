#include "core/XmlDoc.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <string_view>
#include <unordered_map>

namespace
{

const int kPageSize = 65536;
const int kFirstChild = 0x80000;
const int kUnended = 0x100000;
const int kNotWellFormed = 0x800000; // on record 0 only
const unsigned kMaxCodePoint = 0x10FFFF;

struct XmlEntity {
    const char* name;
    unsigned short code;
};
#include "core/XmlEntityTable.inc"
const int kEntityBuckets = sizeof(kXmlEntityBuckets) / sizeof(kXmlEntityBuckets[0]) - 1;

bool IsSpace(wchar_t c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsNameEndChar(wchar_t c)
{
    return IsSpace(c) || c == 0 || std::wcschr(L"<>=\\/?!\"';", c);
}

// A letter (any character above '@' except "[\]^`"), ':' or '_'.
bool IsTagStartChar(wchar_t c)
{
    return c == ':' || c == '_' || (c > '@' && !(c >= '[' && c <= '`'));
}

wchar_t LowerAscii(wchar_t c)
{
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

// A tag or attribute name given by the caller matches the name in the
// document exactly, or runs on past it with one of " =/[]".
bool NameMatchesQuery(const wchar_t* text, int length, const wchar_t* query)
{
    for (int i = 0; i < length; i++) {
        if (query[i] != text[i])
            return false;
    }
    return query[length] == 0 || std::wcschr(L" =/[]", query[length]);
}

// The code point of a named entity, 0 when unknown.  The exact spelling
// wins; otherwise case is ignored, so &AMP; is "&".
unsigned LookupEntity(const wchar_t* name, int length)
{
    unsigned sum = 0;
    for (int i = 0; i < length; i++)
        sum += LowerAscii(name[i]);
    const XmlEntity* first = kXmlEntities + kXmlEntityBuckets[sum % kEntityBuckets];
    const XmlEntity* last = kXmlEntities + kXmlEntityBuckets[sum % kEntityBuckets + 1];
    unsigned folded = 0;
    for (const XmlEntity* e = first; e != last; e++) {
        if (static_cast<int>(std::strlen(e->name)) != length)
            continue;
        bool exact = true, sameLetters = true;
        for (int i = 0; i < length; i++) {
            exact = exact && name[i] == static_cast<wchar_t>(e->name[i]);
            sameLetters = sameLetters && LowerAscii(name[i]) == LowerAscii(e->name[i]);
        }
        if (exact)
            return e->code;
        if (sameLetters && !folded)
            folded = e->code;
    }
    return folded;
}

// "#65" or "#x41" (digits as far as they go); 0 when there are none.
unsigned ParseCharacterReference(const wchar_t* ref, int length)
{
    int i = 1;
    unsigned base = 10;
    if (i < length && (ref[i] == 'x' || ref[i] == 'X')) {
        base = 16;
        i++;
    }
    unsigned value = 0;
    for (; i < length; i++) {
        wchar_t c = ref[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && LowerAscii(c) >= 'a' && LowerAscii(c) <= 'f')
            digit = LowerAscii(c) - 'a' + 10;
        else
            break;
        value = value * base + digit;
        if (value > kMaxCodePoint)
            return kMaxCodePoint + 1;
    }
    return value;
}

CString ToCString(std::wstring_view text)
{
    return CString(text.data(), static_cast<int>(text.size()));
}

} // namespace

struct CXmlDoc::Token {
    enum Kind {
        End,
        Text,
        Whitespace,
        Comment,
        CData,
        Doctype,
        Declaration,
        ProcessingInstruction,
        StartTag,
        EndTag,
        Error
    };
    Kind kind = End;
    int start = 0;
    int end = 0; // one past the token
    bool empty = false;
    CString message;
};

struct CXmlDoc::OpenElement {
    int position;
    std::wstring_view name;
};

CXmlDoc::CXmlDoc()
{
    Parse();
}

bool CXmlDoc::SetDoc(const wchar_t* text)
{
    document = text;
    result.Empty();
    return Parse();
}

CXmlDoc::ElementPos& CXmlDoc::Pos(int position)
{
    return pages[position / kPageSize][position % kPageSize];
}

const CXmlDoc::ElementPos& CXmlDoc::Pos(int position) const
{
    return pages[position / kPageSize][position % kPageSize];
}

int CXmlDoc::NewPosition()
{
    int position = usedPositions++;
    if (position % kPageSize == 0) {
        pages.emplace_back();
        // The first page starts at one record per 64 characters.
        pages.back().reserve(position == 0 ? std::min(kPageSize, document.GetLength() / 64 + 8) : 64);
    }
    pages.back().emplace_back();
    return position;
}

void CXmlDoc::ResetNavigation()
{
    currentParent = currentElement = currentChild = 0;
    nodeType = 0;
}

bool CXmlDoc::Parse()
{
    ResetNavigation();
    pages.clear();
    usedPositions = 0;
    NewPosition(); // record 0: the document

    CString message;
    if (document.IsEmpty()) {
        message = L"Empty document";
    } else {
        ParseElements(message);
        Pos(0).length = document.GetLength();
        int root = Pos(0).firstChild;
        if (!root)
            message = L"No root element";
        else if (Pos(root).nextSibling)
            message = L"Root element has sibling";
    }
    if (!message.IsEmpty())
        result = result.IsEmpty() ? message : result + L" " + message;
    ResetNavigation();
    return IsWellFormed();
}

bool CXmlDoc::IsWellFormed() const
{
    if (pages.empty())
        return false;
    const ElementPos& doc = Pos(0);
    return !(doc.flags & kNotWellFormed) && doc.firstChild && !Pos(doc.firstChild).nextSibling;
}

void CXmlDoc::AppendChild(int parent, int position)
{
    ElementPos& p = Pos(parent);
    ElementPos& e = Pos(position);
    e.parent = parent;
    if (!p.firstChild) {
        p.firstChild = position;
        e.flags |= kFirstChild;
        e.prevSibling = position;
        return;
    }
    ElementPos& first = Pos(p.firstChild);
    int last = first.prevSibling;
    Pos(last).nextSibling = position;
    e.prevSibling = last;
    first.prevSibling = position;
}

// Closes an element that has no end tag: it keeps only its start tag, and
// its children become its following siblings, in order.
void CXmlDoc::CloseUnended(int position)
{
    ElementPos& e = Pos(position);
    e.flags |= kUnended;
    e.length = e.startTagLength;
    int first = e.firstChild;
    if (!first)
        return;
    int last = Pos(first).prevSibling;
    for (int c = first; c; c = Pos(c).nextSibling) {
        ElementPos& child = Pos(c);
        child.parent = e.parent;
        child.level = e.level;
        child.flags &= ~kFirstChild;
    }
    int next = e.nextSibling;
    Pos(last).nextSibling = next;
    if (next)
        Pos(next).prevSibling = last;
    else
        Pos(Pos(e.parent).firstChild).prevSibling = last;
    e.nextSibling = first;
    Pos(first).prevSibling = position;
    e.firstChild = 0;
}

int CXmlDoc::NameEnd(int offset) const
{
    const int length = document.GetLength();
    const wchar_t* text = document.GetString();
    while (offset < length && !IsNameEndChar(text[offset]))
        offset++;
    return offset;
}

bool CXmlDoc::NameMatches(int offset, const wchar_t* name) const
{
    return NameMatchesQuery(document.GetString() + offset, NameEnd(offset) - offset, name);
}

void CXmlDoc::ParseElements(CString& message)
{
    const wchar_t* text = document.GetString();
    auto fail = [&](const CString& why) {
        Pos(0).flags |= kNotWellFormed;
        if (message.IsEmpty())
            message = why;
    };
    auto nameAt = [&](int offset) { return std::wstring_view(text + offset, NameEnd(offset) - offset); };

    std::vector<OpenElement> open;
    // How many open elements carry each name: an end tag that matches none
    // is found without walking the whole stack.
    std::unordered_map<std::wstring_view, int> openNames;
    auto pop = [&] {
        if (--openNames[open.back().name] == 0)
            openNames.erase(open.back().name);
        open.pop_back();
    };

    for (int offset = 0;;) {
        Token token = NextToken(offset);
        if (token.kind == Token::End)
            break;
        offset = token.end;
        if (token.kind == Token::StartTag) {
            int position = NewPosition();
            ElementPos& e = Pos(position);
            e.start = token.start;
            e.startTagLength = e.length = token.end - token.start;
            e.level = static_cast<int>(open.size());
            AppendChild(open.empty() ? 0 : open.back().position, position);
            if (!token.empty) {
                open.push_back({position, nameAt(token.start + 1)});
                openNames[open.back().name]++;
            }
        } else if (token.kind == Token::EndTag) {
            std::wstring_view name = nameAt(token.start + 2);
            if (!openNames.count(name)) {
                CString why;
                why.Format(L"No start tag for end tag '%s' at offset %d", ToCString(name), token.start);
                fail(why);
                continue;
            }
            size_t match = open.size() - 1;
            while (open[match].name != name)
                match--;
            if (match != open.size() - 1) {
                const OpenElement& inner = open.back();
                CString why;
                why.Format(L"End tag '%s' at offset %d does not match start tag '%s' at offset %d",
                           ToCString(name), token.start, ToCString(inner.name), Pos(inner.position).start);
                fail(why);
                // Outermost first, so each element moves up only once.
                for (size_t i = match + 1; i < open.size(); i++)
                    CloseUnended(open[i].position);
            }
            ElementPos& e = Pos(open[match].position);
            e.length = token.end - e.start;
            e.endTagLength = token.end - token.start;
            while (open.size() > match)
                pop();
        } else if (token.kind == Token::Error) {
            fail(token.message);
        }
    }

    if (!open.empty()) {
        CString why;
        why.Format(L"Element '%s' at offset %d not ended", ToCString(open.front().name),
                   Pos(open.front().position).start);
        fail(why);
        for (const OpenElement& element : open)
            CloseUnended(element.position);
    }
}

CXmlDoc::Token CXmlDoc::NextToken(int offset) const
{
    const wchar_t* text = document.GetString();
    const int length = document.GetLength();
    std::wstring_view view(text, length);
    Token token;
    token.start = offset;
    if (offset >= length)
        return token;

    if (text[offset] != '<') {
        token.kind = Token::Whitespace;
        int i = offset;
        for (; i < length && text[i] != '<'; i++) {
            if (!IsSpace(text[i]))
                token.kind = Token::Text;
        }
        token.end = i;
        return token;
    }

    auto unterminated = [&](const wchar_t* kind) {
        token.kind = Token::Error;
        token.end = length;
        token.message.Format(L"%s at offset %d unterminated", kind, offset);
        return token;
    };
    auto incorrect = [&](const wchar_t* what) {
        token.kind = Token::Error;
        token.end = offset + 1; // go on after the "<"
        token.message.Format(L"Incorrect %s at offset %d", what, offset);
        return token;
    };
    // A token ending with the terminator text, searched from `from`.
    auto endingWith = [&](Token::Kind kind, const wchar_t* terminator, int from, const wchar_t* name) {
        size_t found = view.find(terminator, from);
        if (found == std::wstring_view::npos)
            return unterminated(name);
        token.kind = kind;
        token.end = static_cast<int>(found + std::wcslen(terminator));
        return token;
    };
    auto at = [&](int i) -> wchar_t { return i < length ? text[i] : 0; };

    wchar_t c = at(offset + 1);
    if (c == 0 && offset + 1 >= length)
        return unterminated(L"tag");
    if (c == '!') {
        wchar_t c2 = at(offset + 2);
        if (offset + 2 >= length)
            return unterminated(L"tag");
        if (c2 == '-') {
            if (offset + 3 >= length)
                return unterminated(L"tag");
            if (at(offset + 3) != '-')
                return incorrect(L"comment tag");
            return endingWith(Token::Comment, L"-->", offset + 4, L"Comment");
        }
        if (c2 == '[') {
            if (offset + 3 >= length)
                return unterminated(L"tag");
            if (at(offset + 3) != 'C')
                return incorrect(L"tag");
            return endingWith(Token::CData, L"]]>", offset + 4, L"CDATA Section");
        }
        if (c2 == 'D')
            return ScanDoctype(offset);
        if (c2 == 'E' || c2 == 'A' || c2 == 'N')
            return endingWith(Token::Declaration, L">", offset + 3, L"tag");
        return incorrect(L"! tag");
    }
    if (c == '/')
        return endingWith(Token::EndTag, L">", offset + 2, L"Element end tag");
    if (c == '?')
        return endingWith(Token::ProcessingInstruction, L"?>", offset + 2, L"Processing instruction");
    if (IsTagStartChar(c))
        return ScanStartTag(offset);
    return incorrect(L"tag name character");
}

// "<name attributes>" or "<name attributes/>"; ">" inside quoted values
// does not end it.  The "/" of "/>" makes an empty-element tag unless an
// unquoted value takes it into itself ("<a href=x/>").
CXmlDoc::Token CXmlDoc::ScanStartTag(int offset) const
{
    const wchar_t* text = document.GetString();
    const int length = document.GetLength();
    Token token;
    token.start = offset;
    bool afterEquals = false, inValue = false, slashEndsTag = false;
    for (int i = NameEnd(offset + 1); i < length; i++) {
        wchar_t c = text[i];
        if (c == '>') {
            token.kind = Token::StartTag;
            token.end = i + 1;
            token.empty = slashEndsTag && text[i - 1] == '/';
            return token;
        }
        slashEndsTag = false;
        if (c == '"' || c == '\'') {
            const wchar_t* close = std::wmemchr(text + i + 1, c, length - i - 1);
            if (!close)
                break;
            i = static_cast<int>(close - text);
            afterEquals = inValue = false;
        } else if (IsSpace(c)) {
            afterEquals = inValue = false;
        } else if (c == '=' && !inValue) {
            afterEquals = true;
        } else if (c == '/' && !afterEquals && !inValue) {
            slashEndsTag = true;
        } else if (afterEquals || inValue) {
            afterEquals = false;
            inValue = true;
        }
    }
    token.kind = Token::Error;
    token.end = length;
    token.message.Format(L"Element tag at offset %d unterminated", offset);
    return token;
}

// "<!DOCTYPE ...>", skipping quoted text and markup nested inside it.
CXmlDoc::Token CXmlDoc::ScanDoctype(int offset) const
{
    const wchar_t* text = document.GetString();
    const int length = document.GetLength();
    Token token;
    token.start = offset;
    int depth = 0;
    for (int i = offset + 2; i < length; i++) {
        wchar_t c = text[i];
        if (c == '"' || c == '\'') {
            const wchar_t* close = std::wmemchr(text + i + 1, c, length - i - 1);
            if (!close)
                break;
            i = static_cast<int>(close - text);
        } else if (c == '<') {
            depth++;
        } else if (c == '>' && depth-- == 0) {
            token.kind = Token::Doctype;
            token.end = i + 1;
            return token;
        }
    }
    token.kind = Token::Error;
    token.end = length;
    token.message.Format(L"Doctype at offset %d unterminated", offset);
    return token;
}

bool CXmlDoc::FindElement(const wchar_t* tag)
{
    if (pages.empty())
        return false;
    int candidate = currentElement ? Pos(currentElement).nextSibling : Pos(currentParent).firstChild;
    while (candidate && tag && *tag && !NameMatches(Pos(candidate).start + 1, tag))
        candidate = Pos(candidate).nextSibling;
    if (!candidate)
        return false;
    currentElement = candidate;
    currentChild = 0;
    nodeType = 1;
    return true;
}

bool CXmlDoc::EnterElement()
{
    if (!currentElement || nodeType != 1)
        return false;
    currentParent = currentElement;
    currentElement = currentChild;
    currentChild = 0;
    nodeType = currentElement ? 1 : 0;
    return true;
}

CString CXmlDoc::GetNodeName() const
{
    if (!currentElement)
        return CString();
    int start = Pos(currentElement).start + 1;
    return CString(document.GetString() + start, NameEnd(start) - start);
}

CString CXmlDoc::GetAttribute(int position, const wchar_t* name) const
{
    if (position <= 0 || position >= usedPositions || !name)
        return CString();
    const wchar_t* text = document.GetString();
    const ElementPos& e = Pos(position);
    const int end = e.start + e.startTagLength; // the scan stays inside the start tag
    auto skipSpace = [&](int i) {
        while (i < end && IsSpace(text[i]))
            i++;
        return i;
    };

    for (int i = NameEnd(e.start + 1);;) {
        i = skipSpace(i);
        if (i >= end || text[i] == '/' || text[i] == '>' || text[i] == '?')
            return CString();
        if (text[i] == '"' || text[i] == '\'') { // a quoted token where a name should be
            const wchar_t* close = std::wmemchr(text + i + 1, text[i], end - i - 1);
            i = close ? static_cast<int>(close - text) + 1 : end;
            continue;
        }
        int nameStart = i;
        while (i < end && !IsSpace(text[i]) && !std::wcschr(L"=>/?", text[i]))
            i++;
        int nameLength = i - nameStart;
        bool matches = NameMatchesQuery(text + nameStart, nameLength, name);
        i = skipSpace(i);
        if (i >= end || text[i] != '=') {
            if (matches)
                return CString(text + nameStart, nameLength);
            continue;
        }
        i = skipSpace(i + 1);
        int valueStart = i, valueEnd;
        if (i < end && (text[i] == '"' || text[i] == '\'')) {
            valueStart = i + 1;
            const wchar_t* close = std::wmemchr(text + valueStart, text[i], end - valueStart);
            valueEnd = close ? static_cast<int>(close - text) : end;
            i = valueEnd + 1;
        } else {
            while (i < end && !IsSpace(text[i]) && text[i] != '>')
                i++;
            valueEnd = i;
        }
        if (matches)
            return DecodeEntities(text + valueStart, valueEnd - valueStart);
    }
}

CString CXmlDoc::DecodeEntities(const wchar_t* text, int length)
{
    if (!text)
        return CString();
    if (length < 0)
        length = static_cast<int>(std::wcslen(text));
    std::wstring out;
    out.reserve(length);
    for (int i = 0; i < length;) {
        if (text[i] != '&') {
            out += text[i++];
            continue;
        }
        // Up to 9 ASCII characters, then ";".
        const wchar_t* ref = text + i + 1;
        int refLength = 0;
        while (refLength < 9 && i + 1 + refLength < length && ref[refLength] != ';' && ref[refLength] < 128)
            refLength++;
        bool closed = i + 1 + refLength < length && ref[refLength] == ';';
        unsigned code = 0;
        if (closed && refLength > 0)
            code = ref[0] == '#' ? ParseCharacterReference(ref, refLength) : LookupEntity(ref, refLength);
        if (code == 0 || code > kMaxCodePoint) {
            out += text[i++]; // kept as written
            continue;
        }
        if (code > 0xFFFF) {
            code -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (code >> 10));
            out += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<wchar_t>(code);
        }
        i += refLength + 2;
    }
    return CString(std::move(out));
}
