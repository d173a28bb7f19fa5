#include "file_transport.h"

#include "com_variant.h"
#include "file_util.h"
#include "handle.h"
#include "rendered_pages.h"
#include "safe_byte_array.h"

namespace {

// The character U+FEFF in UTF-16LE, at the start of a file of UTF-16 text.
constexpr BYTE kByteOrderMark[] = {0xFF, 0xFE};

// Opens the file for writing, shared for reading. Appending, an existing file is kept and
// written at its end; *empty tells whether the file holds nothing yet (a new file, a replaced
// one, or an existing empty one), which is where a byte-order mark may go.
UniqueHandle OpenOutput(const std::wstring& fileName, bool append, bool* empty) {
    UniqueHandle file(CreateFileW(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    *empty = true;
    if (!file || !append)
        return file;
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(file.Get(), LARGE_INTEGER{}, &end, FILE_END))
        return UniqueHandle();
    *empty = end.QuadPart == 0;
    return file;
}

// Takes the page's bytes out of the VARIANT; false when it holds no one-dimensional byte array.
bool TakeBytes(ComVariant& item, SafeByteArray* bytes) {
    if (item.vt != (VT_ARRAY | VT_UI1) || !item.parray || SafeArrayGetDim(item.parray) != 1)
        return false;
    bytes->Attach(item.parray);
    item.vt = VT_EMPTY;
    item.parray = nullptr;
    return true;
}

} // namespace

HRESULT CXFER_FileObject::WriteJobToFile(const std::wstring& fileName, IRenderedCollection* pages,
                                         long wholeJob, long first, bool append) {
    long unicode = 0;
    if (FAILED(pages->Unicode(&unicode)))
        unicode = 0;
    bool empty = true;
    UniqueHandle file = OpenOutput(fileName, append, &empty);
    if (!file)
        return Fail(L"Create Output File");

    PageRange range;
    if (wholeJob) {
        if (FAILED(GetPageRange(pages, 1, 1, &range)))
            return Fail(L"GetPage");
    } else {
        range.first = first;
        range.end = first + 1;
    }

    const wchar_t* name = Name().c_str();
    Fire_OnProgress(name, 0);
    if (empty && unicode && !WriteToFile(file.Get(), kByteOrderMark, sizeof(kByteOrderMark)))
        return Fail(L"WriteFile");
    PageProgress progress;
    for (long i = range.first; i < range.end; ++i) {
        ComVariant item;
        if (FAILED(pages->Item(i, &item)))
            return Fail(L"GetPage");
        SafeByteArray bytes;
        if (!TakeBytes(item, &bytes))
            return Fail(L"Access page data");
        if (bytes.Count() > 0) {
            const BYTE* data = bytes.Access();
            if (!data)
                return Fail(L"Access page data");
            // A short write is a failure too: the file is then partial and not delivered.
            if (!WriteToFile(file.Get(), data, bytes.Count()))
                return Fail(L"WriteFile");
        }
        long percent = 0;
        if (progress.Grew(i - range.first, range.Length(), &percent))
            Fire_OnProgress(name, percent);
    }
    // Some file systems report a failed write only when the file is closed.
    if (!CloseHandle(file.Release()))
        return Fail(L"WriteFile");
    Fire_OnProgress(name, 100);
    return S_OK;
}
