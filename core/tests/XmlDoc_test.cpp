#include "core/XmlDoc.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

namespace
{

// While set, every allocation of this thread ends right before a page that
// may not be read, so that reading past the end of a buffer (the document's
// copy above all) faults.  A block starts at an address as aligned as its
// size, which is all an array of any type needs.
thread_local bool t_guarded = false;
void* g_guardedBlocks[1024]; // the live ones, to tell them from the heap's
int g_guardedCount = 0;
const size_t kPage = 4096;

void* GuardedNew(std::size_t size)
{
    const size_t span = (size + kPage - 1) / kPage * kPage;
    char* base = static_cast<char*>(VirtualAlloc(nullptr, span + kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    if (!base || !VirtualProtect(base + span, kPage, PAGE_NOACCESS, &old))
        throw std::bad_alloc();
    for (void*& slot : g_guardedBlocks) {
        if (!slot) {
            slot = base;
            g_guardedCount++;
            return base + span - size;
        }
    }
    throw std::bad_alloc();
}

bool GuardedDelete(void* p)
{
    MEMORY_BASIC_INFORMATION info;
    if (!p || !g_guardedCount || !VirtualQuery(p, &info, sizeof(info)))
        return false;
    for (void*& slot : g_guardedBlocks) {
        if (slot && slot == info.AllocationBase) {
            VirtualFree(slot, 0, MEM_RELEASE);
            slot = nullptr;
            g_guardedCount--;
            return true;
        }
    }
    return false;
}

// The prefix being read; an over-read faults, and the program ends saying
// where instead of waiting for a debugger.
size_t g_prefixLength = 0;
LONG WINAPI ReportOverRead(EXCEPTION_POINTERS* exception)
{
    std::fprintf(stderr, "Failure: exception %08lx reading the prefix of %u characters\n",
                 exception->ExceptionRecord->ExceptionCode, static_cast<unsigned>(g_prefixLength));
    std::fflush(stderr);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

void* operator new(std::size_t size)
{
    if (t_guarded)
        return GuardedNew(size ? size : 1);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    if (!GuardedDelete(p))
        std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    operator delete(p);
}

namespace
{

std::wstring Result(const wchar_t* text)
{
    CXmlDoc doc;
    doc.SetDoc(text);
    return doc.GetResult().str();
}

std::wstring Decode(const wchar_t* text)
{
    return CXmlDoc::DecodeEntities(text).str();
}

// The tag names of the current level, in order, from the first child on.
std::wstring Children(CXmlDoc& doc)
{
    std::wstring names;
    while (doc.FindElement()) {
        names += doc.GetNodeName().str();
        names += L' ';
    }
    return names;
}

} // namespace

TEST(XmlDocResult, DocumentLevelErrors)
{
    CXmlDoc fresh;
    EXPECT_EQ(fresh.GetResult().str(), L"Empty document");
    CXmlDoc doc;
    EXPECT_FALSE(doc.SetDoc(L""));
    EXPECT_EQ(doc.GetResult().str(), L"Empty document");
    EXPECT_FALSE(doc.SetDoc(L"just text, no element"));
    EXPECT_EQ(doc.GetResult().str(), L"No root element");
    EXPECT_FALSE(doc.SetDoc(L"<a/><b/>"));
    EXPECT_EQ(doc.GetResult().str(), L"Root element has sibling");
    EXPECT_TRUE(doc.SetDoc(L"<?xml version=\"1.0\"?>\r\n<!-- c --><root a='1'><![CDATA[<x>]]></root>\n"));
    EXPECT_EQ(doc.GetResult().str(), L"");
}

TEST(XmlDocResult, ASecondParseAppendsItsMessage)
{
    CXmlDoc doc;
    doc.SetDoc(L"text");
    EXPECT_FALSE(doc.Parse());
    EXPECT_EQ(doc.GetResult().str(), L"No root element No root element");
}

TEST(XmlDocResult, TokenErrorsWithOffsets)
{
    EXPECT_EQ(Result(L"<r>< x/></r>"), L"Incorrect tag name character at offset 3");
    EXPECT_EQ(Result(L"<r><!x></r>"), L"Incorrect ! tag at offset 3");
    EXPECT_EQ(Result(L"<r><!-x--></r>"), L"Incorrect comment tag at offset 3");
    EXPECT_EQ(Result(L"<r><![x[]]></r>"), L"Incorrect tag at offset 3");
    EXPECT_EQ(Result(L"<r>text<a b='>"), L"Element tag at offset 7 unterminated");
    EXPECT_EQ(Result(L"<r></r"), L"Element end tag at offset 3 unterminated");
    EXPECT_EQ(Result(L"<r/><![CDATA[x"), L"CDATA Section at offset 4 unterminated");
    EXPECT_EQ(Result(L"<r/><?pi"), L"Processing instruction at offset 4 unterminated");
    EXPECT_EQ(Result(L"<r/><!-- x"), L"Comment at offset 4 unterminated");
    EXPECT_EQ(Result(L"<r/><!DOCTYPE r [<!ENTITY e 'v'>"), L"Doctype at offset 4 unterminated");
    EXPECT_EQ(Result(L"<r/><!ELEMENT r"), L"tag at offset 4 unterminated");
    EXPECT_EQ(Result(L"<r/><"), L"tag at offset 4 unterminated");
}

TEST(XmlDocResult, ElementStructureErrors)
{
    EXPECT_EQ(Result(L"<r><a></b></r>"), L"No start tag for end tag 'b' at offset 6");
    EXPECT_EQ(Result(L"<r><a><b></r>"), L"End tag 'r' at offset 9 does not match start tag 'b' at offset 6");
    EXPECT_EQ(Result(L"<r>"), L"Element 'r' at offset 0 not ended");
    // Only the first message of a parse survives.
    EXPECT_EQ(Result(L"<r></x><!x></r>"), L"No start tag for end tag 'x' at offset 3");
}

TEST(XmlDocStructure, UnclosedElementsBecomeSiblings)
{
    CXmlDoc doc;
    EXPECT_FALSE(doc.SetDoc(L"<root><a><b/><c></c></root>"));
    EXPECT_EQ(doc.GetResult().str(), L"End tag 'root' at offset 20 does not match start tag 'a' at offset 6");
    ASSERT_TRUE(doc.FindElement(L"root"));
    ASSERT_TRUE(doc.EnterElement());
    EXPECT_EQ(Children(doc), L"a b c ");
    // The unended element kept no children.
    CXmlDoc again;
    again.SetDoc(L"<root><a><b/><c></c></root>");
    again.FindElement();
    again.EnterElement();
    ASSERT_TRUE(again.FindElement(L"a"));
    ASSERT_TRUE(again.EnterElement());
    EXPECT_FALSE(again.FindElement());
}

TEST(XmlDocStructure, NestedUnclosedElementsAtTheEnd)
{
    CXmlDoc doc;
    EXPECT_FALSE(doc.SetDoc(L"<a><b><c/>"));
    EXPECT_EQ(doc.GetResult().str(), L"Root element has sibling");
    EXPECT_EQ(Children(doc), L"a b c ");
}

TEST(XmlDocWalk, FrameWithThreeChildren)
{
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(L"<frame width=\"300\">\n  <static id=\"1\" title=\"名称\"/>\n"
                           L"  <edit id=\"2\"></edit>\n  <button id=\"3\"/>\n</frame>"));
    EXPECT_FALSE(doc.EnterElement()); // no current element yet
    ASSERT_TRUE(doc.FindElement(L"frame"));
    EXPECT_EQ(doc.GetCurrentAttribute(L"width").str(), L"300");
    ASSERT_TRUE(doc.EnterElement());
    EXPECT_TRUE(doc.FindElement());
    EXPECT_EQ(doc.GetNodeName().str(), L"static");
    EXPECT_EQ(doc.GetCurrentAttribute(L"title").str(), L"名称");
    EXPECT_TRUE(doc.FindElement());
    EXPECT_EQ(doc.GetNodeName().str(), L"edit");
    EXPECT_TRUE(doc.FindElement());
    EXPECT_EQ(doc.GetCurrentAttribute(L"id").str(), L"3");
    EXPECT_FALSE(doc.FindElement());
    EXPECT_EQ(doc.GetNodeName().str(), L"button"); // unchanged by the failed search
}

TEST(XmlDocWalk, FindByTagSkipsOthersAndContinuesBehindTheLastFound)
{
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(L"<root dur='5'><app ver='1.0'/><x/><notelet ver='2.0'/><app ver='3'/></root>"));
    EXPECT_FALSE(doc.FindElement(L"app")); // not at the top level
    ASSERT_TRUE(doc.FindElement(L"root"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.FindElement(L"app"));
    ASSERT_TRUE(doc.FindElement(L"notelet"));
    EXPECT_EQ(doc.GetCurrentAttribute(L"ver").str(), L"2.0");
    ASSERT_TRUE(doc.FindElement(L"app"));
    EXPECT_EQ(doc.GetCurrentAttribute(L"ver").str(), L"3");
    EXPECT_FALSE(doc.FindElement(L"notelet"));
    // A longer tag matches when the name is followed by one of " =/[]".
    CXmlDoc other;
    other.SetDoc(L"<frame/>");
    EXPECT_TRUE(other.FindElement(L"frame attr"));
    other.SetDoc(L"<frame/>");
    EXPECT_FALSE(other.FindElement(L"frames"));
    other.SetDoc(L"<frame/>");
    EXPECT_FALSE(other.FindElement(L"fram"));
}

TEST(XmlDocAttributes, QuotingForms)
{
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(L"<msg a='x' b=\"y z\" c=w disabled d = 'sp' e='q\"s' f=\"a>b\"/>"));
    ASSERT_TRUE(doc.FindElement());
    EXPECT_EQ(doc.GetCurrentAttribute(L"a").str(), L"x");
    EXPECT_EQ(doc.GetCurrentAttribute(L"b").str(), L"y z");
    EXPECT_EQ(doc.GetCurrentAttribute(L"c").str(), L"w");
    EXPECT_EQ(doc.GetCurrentAttribute(L"disabled").str(), L"disabled");
    EXPECT_EQ(doc.GetCurrentAttribute(L"d").str(), L"sp");
    EXPECT_EQ(doc.GetCurrentAttribute(L"e").str(), L"q\"s");
    EXPECT_EQ(doc.GetCurrentAttribute(L"f").str(), L"a>b");
    EXPECT_EQ(doc.GetCurrentAttribute(L"missing").str(), L"");
    EXPECT_EQ(doc.GetAttribute(0, L"a").str(), L"");
    EXPECT_EQ(doc.GetAttribute(99, L"a").str(), L"");
}

TEST(XmlDocAttributes, ValuesAreDecoded)
{
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(L"<a title='Tom &amp; Jerry &#x4E2D;' url=\"http://h/?a=1&amp;b=2\"/>"));
    ASSERT_TRUE(doc.FindElement());
    EXPECT_EQ(doc.GetCurrentAttribute(L"title").str(), L"Tom & Jerry 中");
    EXPECT_EQ(doc.GetCurrentAttribute(L"url").str(), L"http://h/?a=1&b=2");
}

TEST(XmlDocAttributes, AnUnquotedValueTakesTheSlash)
{
    CXmlDoc doc;
    EXPECT_TRUE(doc.SetDoc(L"<r><a href=x/></a></r>"));
    doc.FindElement();
    doc.EnterElement();
    ASSERT_TRUE(doc.FindElement(L"a"));
    EXPECT_EQ(doc.GetCurrentAttribute(L"href").str(), L"x/");
    EXPECT_TRUE(doc.SetDoc(L"<r><a href='x'/><b c/><d /></r>"));
}

TEST(XmlDocEntities, References)
{
    EXPECT_EQ(Decode(L"a &amp; b"), L"a & b");
    EXPECT_EQ(Decode(L"&#65;&#x41;&#X41;"), L"AAA");
    EXPECT_EQ(Decode(L"&AMP;&Lt;&apos;&quot;"), L"&<'\"");
    EXPECT_EQ(Decode(L"&unknown;"), L"&unknown;");
    EXPECT_EQ(Decode(L"&toolongname;"), L"&toolongname;");
    EXPECT_EQ(Decode(L"&amp"), L"&amp");
    EXPECT_EQ(Decode(L"& &; &#; &#0; &#xZ;"), L"& &; &#; &#0; &#xZ;");
    EXPECT_EQ(Decode(L"&中;"), L"&中;");
    EXPECT_EQ(Decode(L"&nbsp;&euro;&thetasym;"), L"\u00a0\u20ac\u03d1");
    EXPECT_EQ(CXmlDoc::DecodeEntities(L"&amp;&amp;", 5).str(), L"&");
}

TEST(XmlDocEntities, CaseOfNamedEntitiesAndCodePoints)
{
    EXPECT_EQ(Decode(L"&Aacute;&aacute;&AACUTE;"), L"\u00c1\u00e1\u00c1");
    EXPECT_EQ(Decode(L"&#x1F600;"), L"\U0001F600");
    EXPECT_EQ(Decode(L"&#x10FFFF;"), L"\U0010FFFF");
    EXPECT_EQ(Decode(L"&#x110000;"), L"&#x110000;");
    EXPECT_EQ(Decode(L"&#99999999;"), L"&#99999999;");
}

TEST(XmlDocLimits, LargeDocument)
{
    std::wstring text = L"<root>";
    while (text.size() < 1000000)
        text += L"<msg title='a &amp; b' url=\"http://example/x?y=1\" dur=\"5\">text</msg>\r\n";
    text += L"</root>";
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(text.c_str()));
    ASSERT_TRUE(doc.FindElement(L"root"));
    ASSERT_TRUE(doc.EnterElement());
    int count = 0;
    while (doc.FindElement(L"msg"))
        count++;
    EXPECT_GT(count, 65536 / 5); // past the first page of positions
    EXPECT_EQ(doc.GetCurrentAttribute(L"title").str(), L"a & b");
}

TEST(XmlDocLimits, DeepNesting)
{
    const int depth = 100000;
    std::wstring text;
    for (int i = 0; i < depth; i++)
        text += L"<e>";
    for (int i = 0; i < depth; i++)
        text += L"</e>";
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(text.c_str()));
    int levels = 0;
    while (doc.FindElement(L"e") && doc.EnterElement())
        levels++;
    EXPECT_EQ(levels, depth);
}

TEST(XmlDocLimits, DeepUnclosedNestingAndStrayEndTags)
{
    const int depth = 100000;
    std::wstring text = L"<r>";
    for (int i = 0; i < depth; i++)
        text += L"<e><f>";
    for (int i = 0; i < depth; i++)
        text += L"</x></f>";
    text += L"</r>";
    CXmlDoc doc;
    EXPECT_FALSE(doc.SetDoc(text.c_str()));
    EXPECT_EQ(doc.GetResult().str(),
              L"No start tag for end tag 'x' at offset " + std::to_wstring(3 + 6 * depth));
    // Each stray </f> leaves its <e> unended; the <f> it closes then holds
    // that <e> and the next <f>.
    ASSERT_TRUE(doc.FindElement(L"r"));
    ASSERT_TRUE(doc.EnterElement());
    int levels = 0;
    while (doc.FindElement(L"f") && doc.EnterElement())
        levels++;
    EXPECT_EQ(levels, depth);
}

TEST(XmlDocLimits, LongStartTag)
{
    std::wstring value(5000000, L'v'); // longer than a 22-bit length
    std::wstring text = L"<r a='" + value + L"' b='2'><c/></r>";
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(text.c_str()));
    ASSERT_TRUE(doc.FindElement());
    EXPECT_EQ(doc.GetCurrentAttribute(L"a").GetLength(), 5000000);
    EXPECT_EQ(doc.GetCurrentAttribute(L"b").str(), L"2");
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.FindElement(L"c"));
}

TEST(XmlDocLimits, TruncatedInputNeverReadsPastTheEnd)
{
    const std::wstring text = L"<!DOCTYPE r><r a='1' b=\"&amp;\"><!-- c --><![CDATA[x]]><?p?><s/>t</r>";
    // Leading blanks make every copy too long for a string's inner buffer.
    const std::wstring blanks(16, L' ');
    LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(ReportOverRead);
    for (size_t n = 0; n <= text.size(); n++) {
        bool wellFormed;
        g_prefixLength = n;
        t_guarded = true;
        {
            const std::wstring prefix = blanks + text.substr(0, n);
            CXmlDoc doc;
            wellFormed = doc.SetDoc(prefix.c_str());
            if (doc.FindElement())
                doc.GetCurrentAttribute(L"b");
            const std::vector<wchar_t> unterminated(prefix.begin() + blanks.size(), prefix.end());
            CXmlDoc::DecodeEntities(unterminated.data(), static_cast<int>(n));
        }
        t_guarded = false;
        EXPECT_EQ(wellFormed, n == text.size()) << n;
    }
    SetUnhandledExceptionFilter(previous);
}
