#pragma once
#include <string>
#include <vector>

#include "mail_ids.h"
#include "rendered_pages.h"
#include "transport_plugin.h"

class MapiBinding;

struct MailParams {
    std::wstring mail;     // recipients, separated by ";"
    std::wstring subject;  // may hold macros
    std::wstring message;  // may hold macros
    long attach = 0;       // non-zero: the pages go into an attached file
    std::wstring filename; // the attachment's name, may hold macros; empty: document and extension
};

// The recipients of the current save, from StartJob to EndJob (or a failing Send).
using RecipientArray = std::vector<std::wstring>;

// The mail transport: one mail per recipient through Simple MAPI, with the pages in the body
// after the message and a separator line, or in an attached file.
class CXFER_MailObject : public CTransportPlugin<CXFER_MailObject, MailParams> {
public:
    CXFER_MailObject();

    STDMETHODIMP PutParamUI(BSTR name, VARIANT value) override;

protected:
    HRESULT OnStartJob() override;
    HRESULT OnSend(IRenderedCollection* pages, long wholeJob, long page) override;
    HRESULT OnEndJob() override;
    void OnParamsShown() noexcept override;
    void OnPageCreated() noexcept override;
    bool OnPageCommand(int id, int code) noexcept override;
    void KeepOnReset(const MailParams& current, MailParams& defaults) const override;

private:
    // The mail of one recipient (address in ANSI); S_OK, or E_FAIL after OnError.
    HRESULT SendMailAsBody(IRenderedCollection* pages, const MailParams& params,
                           const PageRange& range, const std::string& address);
    HRESULT SendMailAsAttachment(IRenderedCollection* pages, const MailParams& params,
                                 const PageRange& range, const std::string& address);
    // The subject as one line in ANSI and the message, both expanded for page 0.
    HRESULT ExpandTexts(IRenderedCollection* pages, const MailParams& params, std::string* subject,
                        std::wstring* message);
    HRESULT Fail(const wchar_t* message);
    void ApplyEnabling(long attach) noexcept;
    void FireEditText(int id, const wchar_t* param) noexcept;

    RecipientArray recipients_;
};
