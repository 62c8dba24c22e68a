// mvjava snapshot --svg: a well-formed SVG file (read back with the system's XML parser) with
// one rectangle per component of the window at the component's absolute position, labelled
// with class and name, and texts escaped whatever the application shows.

#include <windows.h>
#include <msxml2.h>

#include <map>

#include "common/com/bstr.h"
#include "common/com/variant.h"
#include "mvjava_test.h"

namespace mv::test {
namespace {

// IXMLDOMDocument, {2933BF81-7B36-11D2-B20E-00C04F983E60}: the headers declare no __uuidof for it.
const IID kIidXmlDocument = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kIidXmlElement = {0x2933BF86, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

struct SvgRect {
    long x = 0, y = 0, width = 0, height = 0;
    std::wstring title;  // the tooltip
};

struct ParsedSvg {
    bool parsed = false;
    std::string error;
    std::map<std::wstring, SvgRect> rects;  // by data-path
    std::size_t rectCount = 0;
    std::vector<std::wstring> labels;      // the <text> elements
};

std::wstring AttributeText(IXMLDOMElement* element, const wchar_t* name) {
    unique_variant value;
    if (element->getAttribute(unique_bstr::copy_of(name).get(), value.put()) != S_OK || value.type() != VT_BSTR)
        return {};
    return std::wstring(V_BSTR(&value.get()));
}

std::vector<com_ptr<IXMLDOMElement>> Elements(IXMLDOMDocument* document, const wchar_t* tag) {
    std::vector<com_ptr<IXMLDOMElement>> elements;
    com_ptr<IXMLDOMNodeList> list;
    long length = 0;
    if (FAILED(document->getElementsByTagName(unique_bstr::copy_of(tag).get(), list.put())) ||
        FAILED(list->get_length(&length)))
        return elements;
    for (long i = 0; i < length; ++i) {
        com_ptr<IXMLDOMNode> node;
        com_ptr<IXMLDOMElement> element;
        if (SUCCEEDED(list->get_item(i, node.put())) && node)
            node->QueryInterface(kIidXmlElement, element.put_void());
        elements.push_back(element);
    }
    return elements;
}

// The file read by MSXML (the XML parser every Windows has; Wine's is built on libxml2).
ParsedSvg ReadSvg(const std::wstring& file) {
    ParsedSvg svg;
    CLSID clsid{};
    com_ptr<IXMLDOMDocument> document;
    if (FAILED(::CLSIDFromProgID(L"Msxml2.DOMDocument.3.0", &clsid)) ||
        FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDocument, document.put_void()))) {
        svg.error = "no XML parser";
        return svg;
    }
    document->put_async(VARIANT_FALSE);
    unique_variant path;
    V_VT(path.get_mutable()) = VT_BSTR;
    V_BSTR(path.get_mutable()) = ::SysAllocString(file.c_str());
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (document->load(path.get(), &loaded) != S_OK || loaded != VARIANT_TRUE) {
        com_ptr<IXMLDOMParseError> error;
        unique_bstr reason;
        if (SUCCEEDED(document->get_parseError(error.put())) && error) error->get_reason(reason.put());
        svg.error = "not well-formed XML: " + Utf8(std::wstring(reason.view()));
        return svg;
    }
    svg.parsed = true;
    for (const auto& rect : Elements(document.get(), L"rect")) {
        ++svg.rectCount;
        if (!rect) continue;
        SvgRect r;
        r.x = std::wcstol(AttributeText(rect.get(), L"x").c_str(), nullptr, 10);
        r.y = std::wcstol(AttributeText(rect.get(), L"y").c_str(), nullptr, 10);
        r.width = std::wcstol(AttributeText(rect.get(), L"width").c_str(), nullptr, 10);
        r.height = std::wcstol(AttributeText(rect.get(), L"height").c_str(), nullptr, 10);
        unique_bstr title;
        rect->get_text(title.put());
        r.title = title.view();
        svg.rects[AttributeText(rect.get(), L"data-path")] = r;
    }
    for (const auto& text : Elements(document.get(), L"text")) {
        unique_bstr label;
        if (text) text->get_text(label.put());
        svg.labels.emplace_back(label.view());
    }
    return svg;
}

std::wstring TempSvg() {
    wchar_t folder[MAX_PATH];
    wchar_t file[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    ::GetTempFileNameW(folder, L"svg", 0, file);
    return file;
}

class MvjavaSnapshot : public MvjavaTest {
protected:
    void TearDown() override {
        if (!m_file.empty()) ::DeleteFileW(m_file.c_str());
        MvjavaTest::TearDown();
    }
    std::wstring File() {
        if (m_file.empty()) m_file = TempSvg();
        return m_file;
    }

private:
    std::wstring m_file;
};

TEST_F(MvjavaSnapshot, OneRectanglePerComponentAtItsAbsolutePosition) {
    const std::vector<ComponentRecord> records = RecordTree(jvm());
    const ComponentRecord* login = RecordNamed(records, L"loginFrame");
    ASSERT_NE(login, nullptr);
    const MvjavaResult result = Mvjava({L"snapshot", L"PID", L"--svg", File(), L"--window", login->path});
    ASSERT_EQ(result.exitCode, 0) << Show(result);

    const ParsedSvg svg = ReadSvg(File());
    ASSERT_TRUE(svg.parsed) << svg.error;
    std::size_t inWindow = 0;
    for (const ComponentRecord& record : records) {
        if (!InSubtree(record.path, login->path)) continue;
        ++inWindow;
        const auto rect = svg.rects.find(record.path);
        ASSERT_NE(rect, svg.rects.end()) << "no rectangle for " << Utf8(record.path);
        EXPECT_EQ(rect->second.x, record.absolute.x) << Utf8(record.path);
        EXPECT_EQ(rect->second.y, record.absolute.y) << Utf8(record.path);
        EXPECT_EQ(rect->second.width, record.bounds.width) << Utf8(record.path);
        EXPECT_EQ(rect->second.height, record.bounds.height) << Utf8(record.path);
    }
    EXPECT_EQ(svg.rectCount, inWindow);
    EXPECT_EQ(svg.rects.size(), inWindow) << "every rectangle names its own component";
    EXPECT_NE(std::find(svg.labels.begin(), svg.labels.end(), L"JTextField user"), svg.labels.end());
    EXPECT_NE(std::find(svg.labels.begin(), svg.labels.end(), L"JButton signIn"), svg.labels.end());
    EXPECT_NE(result.out.find(std::to_string(inWindow) + " components"), std::string::npos) << result.out;
}

TEST_F(MvjavaSnapshot, TextsThatLookLikeMarkupStayText) {
    const std::wstring path = PathOf(L"code");
    const std::wstring markup = L"<b>&amp; \"it's\"</b> \u00e9";
    ASSERT_EQ(Mvjava({L"set", L"PID", path, markup}).exitCode, 0);
    const MvjavaResult result = Mvjava({L"snapshot", L"PID", L"--svg", File(), L"--window", path.substr(0, path.find(L'/', 1))});
    ASSERT_EQ(result.exitCode, 0) << Show(result);
    const ParsedSvg svg = ReadSvg(File());
    ASSERT_TRUE(svg.parsed) << svg.error;
    const auto rect = svg.rects.find(path);
    ASSERT_NE(rect, svg.rects.end());
    EXPECT_NE(rect->second.title.find(L"title=\"<b>&amp; \\\"it's\\\"</b> \u00e9\""), std::wstring::npos)
        << Utf8(rect->second.title);
    Mvjava({L"set", L"PID", path, L""});
}

TEST_F(MvjavaSnapshot, AFileThatCannotBeWrittenIsExitSix) {
    const MvjavaResult result = Mvjava({L"snapshot", L"PID", L"--svg", L"C:\\no\\such\\folder\\window.svg"});
    EXPECT_EQ(result.exitCode, 6) << Show(result);
    EXPECT_TRUE(OneErrorLine(result));
}

}  // namespace
}  // namespace mv::test
