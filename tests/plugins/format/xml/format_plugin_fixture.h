#pragma once
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "com_bstr.h"
#include "com_ptr.h"
#include "com_variant.h"
#include "qlx_rplugin.h"

// What the tests of the two XML format plug-ins share: an OLE apartment, registry reads, pages
// rendered through the plug-in interface, and Wine's own XML parser (MSXML, late-bound) as the
// real reader of what they write.

class OleScope {
public:
    OleScope() { OleInitialize(nullptr); }
    ~OleScope() { OleUninitialize(); }
};

inline std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text)
        narrow += c >= 0x20 && c < 0x7f ? static_cast<char>(c) : '?';
    return narrow;
}

inline std::wstring ClassesValue(const std::wstring& path) {
    wchar_t data[512] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, data,
                     &size) != ERROR_SUCCESS)
        return L"<none>";
    return data;
}

inline std::wstring Text(BSTR text) {
    return std::wstring(text ? text : L"", SysStringLen(text));
}

struct PageItem {
    long x0, y0, x1, y1;
    std::wstring text;
    std::wstring font = L"Arial";
};

// One page through the plug-in interface, as the core renders it.
inline std::wstring RenderPage(IQLX_RPLUGIN* plugin, long index,
                               const std::vector<PageItem>& items) {
    EXPECT_EQ(plugin->StartPage(index, 2480, 3508), S_OK);
    for (const PageItem& item : items) {
        ComBstr text(item.text.data(), static_cast<UINT>(item.text.size()));
        ComBstr font(item.font.data(), static_cast<UINT>(item.font.size()));
        EXPECT_EQ(plugin->AddItem(item.x0, item.y0, item.x1, item.y1, text, font), S_OK);
    }
    ComBstr page(L"sentinel");
    EXPECT_EQ(plugin->EndPage(&page), S_OK);
    return Text(page.Get());
}

// A whole job: header, the pages, footer.
inline std::wstring RenderJob(IQLX_RPLUGIN* plugin,
                              const std::vector<std::vector<PageItem>>& pages) {
    ComBstr header;
    EXPECT_EQ(plugin->GetHeader(600, &header), S_OK);
    std::wstring job = Text(header.Get());
    for (size_t i = 0; i < pages.size(); ++i)
        job += RenderPage(plugin, static_cast<long>(i), pages[i]);
    ComBstr footer;
    EXPECT_EQ(plugin->GetFooter(&footer), S_OK);
    return job + Text(footer.Get());
}

// A document parsed by MSXML.
class XmlReader {
public:
    XmlReader() {
        CLSID clsid{};
        if (SUCCEEDED(CLSIDFromProgID(L"Msxml2.DOMDocument.3.0", &clsid)))
            CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             document_.AsVoidOut());
    }
    bool Available() const { return document_.Get() != nullptr; }

    // Whether the text is well-formed XML; else the parser's reason.
    bool Load(const std::wstring& xml, std::wstring* reason) {
        ComVariant text(xml.c_str());
        ComVariant loaded = Call(document_.Get(), L"loadXML", DISPATCH_METHOD, {text});
        if (loaded.vt == VT_BOOL && loaded.boolVal == VARIANT_TRUE)
            return true;
        ComVariant error = Call(document_.Get(), L"parseError", DISPATCH_PROPERTYGET, {});
        if (error.vt == VT_DISPATCH && error.pdispVal) {
            ComVariant why = Call(error.pdispVal, L"reason", DISPATCH_PROPERTYGET, {});
            if (why.vt == VT_BSTR)
                *reason = Text(why.bstrVal);
        }
        return false;
    }
    // The texts of the elements of that name, in document order.
    std::vector<std::wstring> Texts(const wchar_t* tag) {
        std::vector<std::wstring> texts;
        ComVariant name(tag);
        ComVariant list = Call(document_.Get(), L"getElementsByTagName", DISPATCH_METHOD, {name});
        if (list.vt != VT_DISPATCH || !list.pdispVal)
            return texts;
        ComVariant length = Call(list.pdispVal, L"length", DISPATCH_PROPERTYGET, {});
        for (long i = 0; length.vt == VT_I4 && i < length.lVal; ++i) {
            ComVariant index(i);
            ComVariant node =
                Call(list.pdispVal, L"item", DISPATCH_PROPERTYGET | DISPATCH_METHOD, {index});
            if (node.vt != VT_DISPATCH || !node.pdispVal)
                continue;
            ComVariant text = Call(node.pdispVal, L"text", DISPATCH_PROPERTYGET, {});
            texts.push_back(text.vt == VT_BSTR ? Text(text.bstrVal) : L"?");
        }
        return texts;
    }

private:
    ComVariant Call(IDispatch* target, const wchar_t* member, WORD flags,
                    std::vector<VARIANT> args) {
        ComVariant result;
        DISPID id = 0;
        LPOLESTR name = const_cast<LPOLESTR>(member);
        HRESULT hr = target->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
        if (SUCCEEDED(hr)) {
            DISPPARAMS params = {args.empty() ? nullptr : args.data(), nullptr,
                                 static_cast<UINT>(args.size()), 0};
            UINT badArg = 0;
            hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result, nullptr,
                                &badArg);
        }
        if (FAILED(hr))
            failures_ += std::wstring(member) + L" " + std::to_wstring(hr) + L"; ";
        return result;
    }

public:
    // The calls that failed, for a test's message.
    std::wstring failures_;

private:
    ComPtr<IDispatch> document_;
};
