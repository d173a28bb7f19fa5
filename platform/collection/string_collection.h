#pragma once
#include <windows.h>

#include "com_object.h"
#include "dispatch.h"
#include "qlx_core.h"
#include "string_list.h"

// The string collection class: IQLX_BSTR_Collection over a locked StringList, so that one
// collection can be used from many threads at once. Indices count from 0.
// A refused index also sets the COM error information ("Invalid index"), which a
// late-bound caller receives as its exception text, in this process or another.
class CStringCollection : public DispatchImpl<CStringCollection, IQLX_BSTR_Collection>,
                          public ISupportErrorInfo,
                          public ObjectBase {
public:
    static const auto& QiTable() {
        static const QiEntry table[] = {
            QiRow<CStringCollection, IQLX_BSTR_Collection>(IID_IQLX_BSTR_Collection),
            QiRow<CStringCollection, IDispatch, IQLX_BSTR_Collection>(IID_IDispatch),
            QiRow<CStringCollection, ISupportErrorInfo>(IID_ISupportErrorInfo),
        };
        return table;
    }
    static const TypeLibrarySource& TypeLibrary();

    // An index as VARIANT is anything that converts to a 32-bit integer.
    STDMETHODIMP Item(VARIANT index, VARIANT* value) override;
    STDMETHODIMP get_Count(LONG* count) override;
    STDMETHODIMP get__NewEnum(IUnknown** enumerator) override;
    STDMETHODIMP Add(BSTR text) override;
    STDMETHODIMP Replace(LONG index, BSTR text) override;
    STDMETHODIMP Remove(LONG index) override;
    STDMETHODIMP RemoveAll() override;
    STDMETHODIMP GetItem(LONG index, BSTR* text) override;
    STDMETHODIMP Insert(LONG index, BSTR text) override;
    STDMETHODIMP Contains(BSTR text, LONG* index) override;

    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;

private:
    StringList list_;
};
